#include "Application/AppDelegate.h"

#include "Platform/Clock.h"
#include "Platform/Desktop/Fonts.h"
#include "Platform/Preferences.h"
#include "Platform/Random.h"
#include "Platform/StatusItem.h"
#include "Rest/Components/UltramanTigaView.h"
#include "Rest/Models/RestTheme.h"
#include "Rest/RestWindow.h"
#include "Stats/StatsStore.h"
#include "Wallpapers/WallpaperManager.h"

#include <QFont>
#include <QIcon>
#include <QMenu>
#include <QPainter>
#include <QPainterPath>
#include <QPixmap>

AppDelegate::AppDelegate(PlatformServices platform, Services services, QObject* parent)
    : QObject(parent)
    , platform(platform)
    , services(std::move(services))
    , currentRestSource(StatsEventSource::scheduled) {}

AppDelegate::~AppDelegate() {
    // Windows are top-level widgets without a parent; they go with the delegate.
    qDeleteAll(restWindows);
}

const QStringList& AppDelegate::launchGreetings() {
    static const QStringList greetings = {
        QStringLiteral("今日状态：不硬撑，先活着"),
        QStringLiteral("今日策略：少熬一点，多眨几下"),
        QStringLiteral("今日装备：水杯、远眺、拒绝硬扛"),
        QStringLiteral("今日提醒：钱是老板的，眼睛是自己的"),
        QStringLiteral("今日开局：先把状态条保住"),
    };
    return greetings;
}

void AppDelegate::applicationDidFinishLaunching() {
    configureHydrationReminder();
    configurePelvicFloorReminder();
    configureReminderNotifications();
    configureSystemLifecycleGuards();
    loadRestModeConfiguration();
    configureMainMenuForTextEditing();
    configureStatusItem();
    setupMenu();
    startServices();
}

void AppDelegate::startServices() {
    if (hasStartedServices) {
        return;
    }
    hasStartedServices = true;

    startReminderManagers();
    services.stats.record(StatsEventType::appLaunched, StatsEventSource::system, std::nullopt, {},
                          services.clock.now());

    workSecondsRemaining = workDuration;
    updateStatusMenuTitle();
    setTransientStatus(randomElement(launchGreetings()), 6.0);
    startMainTimer();
    prefetchWallpaperForCurrentThemeIfNeeded();
    showYesterdayReportPromptIfNeeded();
}

void AppDelegate::prefetchWallpaperForCurrentThemeIfNeeded() {
    if (RestThemes::stored(services.preferences) == RestTheme::Wallpaper) {
        services.wallpapers().prefetchNextWallpaper();
    }
}

void AppDelegate::configureStatusItem() {
    StatusItem* item = platform.statusItem;
    if (!item || !item->hasButton()) {
        return;
    }
    item->setIcon(makeStatusBarIcon());
    item->setToolTip(QStringLiteral("Tavo: 菜单栏状态续命搭子"));
}

QIcon AppDelegate::makeStatusBarIcon() {
    // Drawn at twice the resolution so it stays sharp on HiDPI panels.
    constexpr qreal scale = 2;
    QPixmap pixmap((statusBarIconSize * scale).toSize());
    pixmap.setDevicePixelRatio(scale);
    pixmap.fill(Qt::transparent);
    QPainter painter(&pixmap);
    paintStatusBarIcon(painter);
    painter.end();
    return QIcon(pixmap);
}

void AppDelegate::paintStatusBarIcon(QPainter& painter) {
    const qreal width = statusBarIconSize.width();
    const qreal height = statusBarIconSize.height();
    painter.setRenderHints(QPainter::Antialiasing | QPainter::TextAntialiasing |
                           QPainter::SmoothPixmapTransform);

    const QFont font = systemFont(16, QFont::Black);
    const QString glyph = QStringLiteral("活");
    const QFontMetricsF metrics(font);
    const QRectF bounds = metrics.tightBoundingRect(glyph);
    // Centred on the glyph's ink, one point above the middle as in the menu bar original.
    const QPointF origin((width - bounds.width()) / 2 - bounds.left(),
                         (height - bounds.height()) / 2 - bounds.top() - 1);
    QPainterPath path;
    path.addText(origin, font, glyph);
    // A 3.5-point outline, half of it outside the fill like a negative stroke width.
    painter.setPen(
        QPen(QColor::fromRgbF(0.02, 0.02, 0.02), 1.75, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    painter.setBrush(Qt::NoBrush);
    painter.drawPath(path);
    painter.setPen(Qt::NoPen);
    painter.setBrush(QColor::fromRgbF(1.0, 0.82, 0.12));
    painter.drawPath(path);

    // The cyan dot at the lower right (the original's origin is bottom-left).
    painter.setBrush(QColor::fromRgbF(0.09, 0.88, 0.85));
    painter.drawEllipse(QRectF(16.5, height - 2.2 - 2.6, 2.6, 2.6));
}

void AppDelegate::quitApp() {
    isQuitting = true;
    hydrationManager->stop();
    pelvicFloorManager->stop();
    for (RestWindow* window : std::as_const(restWindows)) {
        window->orderOut();
        window->close();
        window->deleteLater();
    }
    restWindows.clear();
    Q_EMIT terminateRequested();
}
