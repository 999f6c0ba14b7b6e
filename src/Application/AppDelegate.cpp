#include "Application/AppDelegate.h"

#include "Platform/Clock.h"
#include "Platform/Desktop/Fonts.h"
#include "Platform/Log.h"
#include "Platform/Notifications.h"
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
    , services(std::move(services)) {
    connect(&restCycle, &RestCycle::statusChanged, this, &AppDelegate::showStatusLine);
}

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

    restCycle.restartWorkPeriod();
    setTransientStatus(randomElement(launchGreetings()), 6.0);
    startMainTimer();
    prefetchWallpaperForCurrentThemeIfNeeded();
    showYesterdayReportPromptIfNeeded();
    services.clock.callLater(this, 10.0, [this] { explainMissingTrayIfNeeded(); });
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

void AppDelegate::explainMissingTrayIfNeeded() {
    if (!platform.statusItem || platform.statusItem->hasTrayHost()) {
        return;
    }
    logLine(QStringLiteral("Tavo: no tray host, running without an icon"));
    if (platform.notifications) {
        platform.notifications->add(NotificationRequest{
            QStringLiteral("tray-missing"),
            QStringLiteral("Tavo 在后台运行，但这里没有托盘图标"),
            QStringLiteral("这个桌面没有系统托盘，所以看不到 Tavo 的「活」字图标和菜单。护眼休息和喝水、"
                           "提肛提醒照常进行。想用菜单：GNOME 装上 AppIndicator 扩展，sway 等在 waybar "
                           "里开启 tray，图标会自动出现。"),
            QString(),
            0.0,
        });
    }
}

QIcon AppDelegate::makeStatusBarIcon() {
    // The 22 × 18-point drawing centred in a 22-point square, since tray hosts fit icons into
    // squares; at one, two and about three pixels a point. Plain pixel sizes without a device-pixel
    // ratio: Qt hands an SNI host such pixmaps unchanged, but shrinks a ratio-2 one by half.
    QIcon icon;
    const qreal side = statusBarIconSize.width();
    for (const int pixels : {22, 44, 64}) {
        QPixmap pixmap(pixels, pixels);
        pixmap.fill(Qt::transparent);
        QPainter painter(&pixmap);
        painter.scale(pixels / side, pixels / side);
        painter.translate(0, (side - statusBarIconSize.height()) / 2);
        paintStatusBarIcon(painter);
        painter.end();
        icon.addPixmap(pixmap);
    }
    return icon;
}

void AppDelegate::paintStatusBarIcon(QPainter& painter) {
    const qreal width = statusBarIconSize.width();
    const qreal height = statusBarIconSize.height();
    painter.setRenderHints(QPainter::Antialiasing | QPainter::TextAntialiasing |
                           QPainter::SmoothPixmapTransform);

    // Bold is Noto Sans CJK's face nearest to a semibold (it has none); its black fills the
    // strokes in at 16 pixels.
    const QFont font = systemFont(16, QFont::Bold);
    const QString glyph = QStringLiteral("活");
    const QFontMetricsF metrics(font);
    // The line box (advance × ascent + descent) centred, then one point lower.
    const qreal lineHeight = metrics.ascent() + metrics.descent();
    const QPointF baseline((width - metrics.horizontalAdvance(glyph)) / 2,
                           (height - lineHeight) / 2 + 1 + metrics.ascent());
    QPainterPath path;
    path.addText(baseline, font, glyph);
    painter.setPen(Qt::NoPen);
    painter.setBrush(QColor::fromRgbF(1.0, 0.82, 0.12));
    painter.drawPath(path);
    // A dark outline of 3.5 % of the font size over the fill, centred on the glyph's edge.
    painter.setPen(
        QPen(QColor::fromRgbF(0.02, 0.02, 0.02), 16 * 0.035, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    painter.setBrush(Qt::NoBrush);
    painter.drawPath(path);

    // The cyan dot at the lower right (the original's origin is bottom-left).
    painter.setPen(Qt::NoPen);
    painter.setBrush(QColor::fromRgbF(0.09, 0.88, 0.85));
    painter.drawEllipse(QRectF(16.5, height - 2.2 - 2.6, 2.6, 2.6));
}

void AppDelegate::quitApp() {
    isQuitting = true;
    hydrationManager->stop();
    pelvicFloorManager->stop();
    for (RestWindow* window : std::as_const(restWindows)) {
        closeRestWindow(window);
    }
    restWindows.clear();
    Q_EMIT terminateRequested();
}
