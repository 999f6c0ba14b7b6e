#include "Application/AppDelegate.h"
#include "CommandLine/CommandLine.h"
#include "Platform/Clock.h"
#include "Platform/Desktop/AwaySources.h"
#include "Platform/Desktop/DBusControlService.h"
#include "Platform/Desktop/DBusNotifications.h"
#include "Platform/Desktop/DBusSessionEvents.h"
#include "Platform/Desktop/DialogAlerts.h"
#include "Platform/Desktop/Fonts.h"
#include "Platform/Desktop/LayerShellOverlayCards.h"
#include "Platform/Desktop/QtScreens.h"
#include "Platform/Desktop/TrayStatusItem.h"
#include "Platform/Desktop/WaylandConnection.h"
#include "Platform/Files.h"
#include "Platform/Log.h"
#include "Platform/LoginItem.h"
#include "Platform/Settings.h"
#include "Platform/TerminationSignals.h"
#include "Stats/StatsStore.h"
#include "Wallpapers/WallpaperManager.h"

#include <QApplication>
#include <QDir>
#include <QLibraryInfo>
#include <QLockFile>
#include <QStandardPaths>
#include <QTextStream>
#include <QTranslator>

#include <optional>

namespace {

void nameApplication() {
    QCoreApplication::setApplicationName(QStringLiteral("Tavo"));
    QCoreApplication::setApplicationVersion(QStringLiteral(TAVO_VERSION));
}

// `tavo COMMAND`: no display, no tray, only what the command needs.
int runCommand(int argc, char** argv) {
    const QCoreApplication app(argc, argv);
    nameApplication();
    const SystemClock clock;
    QTextStream out(stdout);
    QTextStream err(stderr);
    return CommandLine::run(
        QCoreApplication::arguments(),
        {[] { return QDBusConnection::sessionBus(); }, StatsStore::defaultRootDirectory(), clock, out, err});
}

} // namespace

int main(int argc, char* argv[]) {
    ignoreRelativeBaseFolders();
    QStringList arguments;
    for (int i = 1; i < argc; ++i) {
        arguments.append(QString::fromLocal8Bit(argv[i]));
    }
    if (CommandLine::isCommand(arguments)) {
        return runCommand(argc, argv);
    }

    QApplication app(argc, argv);
    nameApplication();
    useSystemTypefaces();
    QApplication::setQuitOnLastWindowClosed(false);
    // The service manager, a closed terminal and Ctrl+C end Tavo the way its quit line does;
    // caught from the start, answered once the event loop runs.
    TerminationSignals termination;

    // Two instances would double every reminder and every event.
    QString runtimeDir = QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation);
    if (runtimeDir.isEmpty()) {
        runtimeDir = QDir::tempPath();
    }
    // A lock whose holder is gone, or that holds no process at all (an empty
    // file left by a crash), is taken over; one held by a running Tavo is not.
    const QString lockPath = runtimeDir + QStringLiteral("/tavo.lock");
    QLockFile instanceLock(lockPath);
    if (!instanceLock.tryLock(0)) {
        if (instanceLock.error() == QLockFile::LockFailedError) {
            logLine(QStringLiteral("Tavo: already running"));
            return 0;
        }
        logLine(QStringLiteral("Tavo: cannot take the single-instance lock ") + lockPath);
        return 1;
    }

    // Everything Tavo shows is Chinese, Qt's own texts (a field's context menu) too.
    QTranslator qtTexts;
    if (qtTexts.load(QStringLiteral("qtbase_zh_CN"), QLibraryInfo::path(QLibraryInfo::TranslationsPath))) {
        QApplication::installTranslator(&qtTexts);
    }

    // The services, made once here and handed to whatever needs them.
    SystemClock clock;
    Preferences preferences;
    Settings::migrate(preferences);
    StatsStore stats(StatsStore::defaultRootDirectory());
    std::optional<WallpaperManager> wallpapers;
    const auto wallpaperManager = [&]() -> WallpaperManager& {
        if (!wallpapers) {
            wallpapers.emplace(WallpaperManager::defaultCacheDirectory(), clock, preferences,
                               &QtScreens::largestPixelSize);
        }
        return *wallpapers;
    };

    TrayStatusItem statusItem(clock);
    QtScreens screens;
    DialogAlerts alerts;
    DBusNotifications notifications(clock);
    XdgAutostartLoginItem loginItem;
    DBusSessionEvents sessionEvents(QDBusConnection::systemBus(), QDBusConnection::sessionBus());
    // On Wayland a connection of Tavo's own, for the layer shell Qt does not speak.
    const std::unique_ptr<WaylandConnection> wayland = WaylandConnection::open();
    const std::unique_ptr<LayerShellOverlayCards> overlayCards =
        LayerShellOverlayCards::create(wayland.get());
    const std::unique_ptr<IdleTime> idleTime =
        AwaySources::idleTime(wayland.get(), QDBusConnection::sessionBus());
    const std::unique_ptr<FullScreen> fullScreen = AwaySources::fullScreen();
    AppDelegate delegate(PlatformServices{.statusItem = &statusItem,
                                          .screens = &screens,
                                          .alerts = &alerts,
                                          .notifications = &notifications,
                                          .loginItem = &loginItem,
                                          .sessionEvents = &sessionEvents,
                                          .overlayCards = overlayCards.get(),
                                          .idleTime = idleTime.get(),
                                          .fullScreen = fullScreen.get()},
                         Services{clock, preferences, stats, wallpaperManager});
    QObject::connect(&delegate, &AppDelegate::terminateRequested, &app, &QCoreApplication::quit,
                     Qt::QueuedConnection);
    QObject::connect(&termination, &TerminationSignals::received, &delegate, &AppDelegate::quitApp);
    delegate.applicationDidFinishLaunching();
    // Commands from `tavo COMMAND`, status bars and key bindings, on this
    // user's session bus only. The lock above keeps Tavo single: it works
    // without a bus, and no other program can hold it in Tavo's place.
    DBusControlService control(delegate, clock);
    if (const std::optional<QString> failure = control.registerOn(QDBusConnection::sessionBus())) {
        logLine(QStringLiteral("Tavo: no command line control: ") + *failure);
    }
    return QApplication::exec();
}
