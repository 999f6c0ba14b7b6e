#include "Application/AppDelegate.h"
#include "Platform/Alerts.h"
#include "Platform/DBusNotifications.h"
#include "Platform/LayerShellOverlayCards.h"
#include "Platform/Log.h"
#include "Platform/LoginItem.h"
#include "Platform/Screens.h"
#include "Platform/SessionEvents.h"
#include "Platform/TerminationSignals.h"
#include "Platform/TrayStatusItem.h"
#include "Platform/WaylandConnection.h"

#include <QApplication>
#include <QDir>
#include <QLibraryInfo>
#include <QLockFile>
#include <QStandardPaths>
#include <QTranslator>

int main(int argc, char* argv[]) {
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Tavo"));
    QApplication::setApplicationVersion(QStringLiteral(TAVO_VERSION));
    QApplication::setQuitOnLastWindowClosed(false);
    // The service manager, a closed terminal and Ctrl+C end Tavo the way its quit line does;
    // caught from the start, answered once the event loop runs.
    TerminationSignals termination;

    // Two instances would double every reminder and every event.
    QString runtimeDir = QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation);
    if (runtimeDir.isEmpty()) {
        runtimeDir = QDir::tempPath();
    }
    QLockFile instanceLock(runtimeDir + QStringLiteral("/tavo.lock"));
    instanceLock.setStaleLockTime(0);
    if (!instanceLock.tryLock(0)) {
        logLine(QStringLiteral("Tavo: already running"));
        return 0;
    }

    // Everything Tavo shows is Chinese, Qt's own texts (a field's context menu) too.
    QTranslator qtTexts;
    if (qtTexts.load(QStringLiteral("qtbase_zh_CN"), QLibraryInfo::path(QLibraryInfo::TranslationsPath))) {
        QApplication::installTranslator(&qtTexts);
    }

    TrayStatusItem statusItem;
    QtScreens screens;
    DialogAlerts alerts;
    DBusNotifications notifications;
    XdgAutostartLoginItem loginItem;
    DBusSessionEvents sessionEvents(QDBusConnection::systemBus(), QDBusConnection::sessionBus());
    // On Wayland a connection of Tavo's own, for the layer shell Qt does not speak.
    const std::unique_ptr<WaylandConnection> wayland = WaylandConnection::open();
    const std::unique_ptr<LayerShellOverlayCards> overlayCards =
        LayerShellOverlayCards::create(wayland.get());
    AppDelegate delegate(PlatformServices{.statusItem = &statusItem,
                                          .screens = &screens,
                                          .alerts = &alerts,
                                          .notifications = &notifications,
                                          .loginItem = &loginItem,
                                          .sessionEvents = &sessionEvents,
                                          .overlayCards = overlayCards.get()});
    QObject::connect(&delegate, &AppDelegate::terminateRequested, &app, &QCoreApplication::quit,
                     Qt::QueuedConnection);
    QObject::connect(&termination, &TerminationSignals::received, &delegate, &AppDelegate::quitApp);
    delegate.applicationDidFinishLaunching();
    return QApplication::exec();
}
