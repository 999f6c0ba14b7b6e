#include "Application/AppDelegate.h"

#include "Platform/Clock.h"
#include "Platform/Preferences.h"
#include "Platform/Settings.h"
#include "Platform/StatusItem.h"
#include "Rest/Models/RestTheme.h"
#include "Wallpapers/WallpaperManager.h"

#include <QAction>
#include <QMenu>

namespace {
const char* const actionProperty = "tavoMenuAction";
} // namespace

QAction* AppDelegate::addLine(QMenu* menu, const QString& title, bool enabled) {
    QAction* line = menu->addAction(title);
    line->setEnabled(enabled);
    return line;
}

QAction* AppDelegate::addActionLine(QMenu* menu, const QString& title, MenuAction kind,
                                    std::function<void()> action) {
    QAction* line = addLine(menu, title, true);
    line->setProperty(actionProperty, static_cast<int>(kind));
    // Lines whose state the menu shows as a check mark.
    line->setCheckable(kind != MenuAction::None);
    // Theme lines pass no action: they hand themselves to selectTheme() instead.
    if (action) {
        connect(line, &QAction::triggered, this, [action = std::move(action)] { action(); });
    }
    return line;
}

QMenu* AppDelegate::addSubmenu(QMenu* menu, const QString& title, bool observed) {
    auto* submenu = new QMenu(title, menu);
    menu->addMenu(submenu);
    if (observed) {
        connect(submenu, &QMenu::aboutToShow, this, [this, submenu] { menuWillOpen(submenu); });
    }
    return submenu;
}

void AppDelegate::setupMenu() {
    auto menu = std::make_unique<QMenu>();
    isStatusMenuOpen = false;
    addLine(menu.get(), QStringLiteral("Tavo(塔沃)，祝你长生不老,永远塔沃🙏"));
    menu->addSeparator();
    addRestMenuItems(menu.get());
    menu->addSeparator();
    addHydrationMenuItems(menu.get());
    updateHydrationMenuItems();
    menu->addSeparator();
    addPelvicFloorMenuItems(menu.get());
    updatePelvicFloorMenuItems();
    menu->addSeparator();
    makeReportSubMenu(menu.get());
    menu->addSeparator();
    addAppMenuItems(menu.get());

    QMenu* statusMenuPointer = menu.get();
    connect(statusMenuPointer, &QMenu::aboutToShow, this, [this, statusMenuPointer] {
        isStatusMenuOpen = true;
        menuWillOpen(statusMenuPointer);
    });
    connect(statusMenuPointer, &QMenu::aboutToHide, this, [this] { isStatusMenuOpen = false; });
    if (platform.statusItem) {
        platform.statusItem->setMenu(statusMenuPointer);
    }
    // The old menu (a wake rebuild) goes only after the tray holds the new one.
    statusMenu = std::move(menu);
}

void AppDelegate::addRestMenuItems(QMenu* menu) {
    addLine(menu, QStringLiteral("👁 护眼休息"));
    statusMenuItem = addLine(menu, statusLine());
    addActionLine(menu, QStringLiteral("    立即闭眼充能"), MenuAction::None, [this] { triggerRestNow(); });
    makePauseSubMenu(menu);
    makeRestModeSubMenu(menu);
    makeThemeSubMenu(menu);
}

QMenu* AppDelegate::makeRestModeSubMenu(QMenu* parent) {
    QMenu* menu = addSubmenu(parent, QStringLiteral("    护眼节奏"), true);
    restModeSummaryMenuItem = addLine(menu, QString());
    menu->addSeparator();
    for (const RestMode& mode : restModePresets) {
        const int tag = mode.tag;
        QAction* line =
            addActionLine(menu, title(mode), MenuAction::SelectMode, [this, tag] { selectMode(tag); });
        line->setData(tag);
        modeMenuItems.insert(tag, line);
    }
    menu->addSeparator();
    customRestModeMenuItem =
        addActionLine(menu, QString(), MenuAction::SelectMode, [this] { selectMode(customRestModeTag); });
    customRestModeMenuItem->setData(customRestModeTag);
    addActionLine(menu, QStringLiteral("手动输入时长..."), MenuAction::None,
                  [this] { showCustomRestModeDialog(); });
    updateRestModeMenuItems();
    return menu;
}

QMenu* AppDelegate::makeThemeSubMenu(QMenu* parent) {
    QMenu* menu = addSubmenu(parent, QStringLiteral("    切换休息主题"), true);
    for (RestTheme theme : RestThemes::allCases()) {
        QAction* line = addActionLine(menu, RestThemes::displayName(theme), MenuAction::SelectTheme, {});
        line->setData(RestThemes::rawValue(theme));
        connect(line, &QAction::triggered, this, [this, line] { selectTheme(line); });
    }
    return menu;
}

QMenu* AppDelegate::makePauseSubMenu(QMenu* parent) {
    QMenu* menu = addSubmenu(parent, QStringLiteral("    ⏸ 暂停护眼"), true);
    for (const RestCycle::PauseLength& length : RestCycle::pauseLengths()) {
        addActionLine(menu, length.title, MenuAction::None, [this, name = length.name] { pause(name); });
    }
    resumeMenuItem =
        addActionLine(menu, QStringLiteral("▶️ 恢复"), MenuAction::None, [this] { resume(); });
    menu->addSeparator();
    naturalRestMenuItem =
        addActionLine(menu, QString(), MenuAction::ToggleNaturalRest, [this] { toggleNaturalRest(); });
    doNotDisturbMenuItem =
        addActionLine(menu, QString(), MenuAction::ToggleDoNotDisturb, [this] { toggleDoNotDisturb(); });
    updatePauseMenuItems();
    return menu;
}

void AppDelegate::updatePauseMenuItems() {
    if (resumeMenuItem) {
        resumeMenuItem->setVisible(restCycle.pausedUntil().has_value());
    }
    if (naturalRestMenuItem) {
        const bool available = restCycle.isIdleTimeAvailable();
        naturalRestMenuItem->setText(
            available ? QStringLiteral("🌿 离开 %1 分钟以上算作休息")
                            .arg(*services.preferences.value(Settings::naturalRestIdleMinutes))
                      : QStringLiteral("🌿 离开算作休息：这个桌面读不到空闲时间"));
        naturalRestMenuItem->setEnabled(available);
    }
    if (doNotDisturbMenuItem) {
        const bool available = platform.fullScreen != nullptr;
        doNotDisturbMenuItem->setText(available ? QStringLiteral("🎬 全屏时休息稍后开始")
                                                : QStringLiteral("🎬 全屏勿扰：这个桌面检测不到全屏"));
        doNotDisturbMenuItem->setEnabled(available);
    }
}

void AppDelegate::toggleNaturalRest() {
    services.preferences.setValue(Settings::naturalRestEnabled,
                                  !*services.preferences.value(Settings::naturalRestEnabled));
}

void AppDelegate::toggleDoNotDisturb() {
    services.preferences.setValue(Settings::doNotDisturbFullScreenEnabled,
                                  !*services.preferences.value(Settings::doNotDisturbFullScreenEnabled));
}

void AppDelegate::addHydrationMenuItems(QMenu* menu) {
    addLine(menu, QStringLiteral("💧 喝水提醒"));
    hydrationStatusMenuItem = addLine(menu, QString());
    hydrationToggleMenuItem = addActionLine(menu, QString(), MenuAction::ToggleHydrationReminder,
                                            [this] { toggleHydrationReminder(); });
    QMenu* intervals = makeIntervalSubMenu(
        menu, hydrationIntervalPresets, hydrationIntervalMenuItems, MenuAction::SelectHydrationInterval,
        &AppDelegate::selectHydrationInterval, &AppDelegate::showHydrationIntervalDialog);
    hydrationIntervalMenuItem = intervals->menuAction();
    addActionLine(menu, QStringLiteral("    立即喝水"), MenuAction::None, [this] { recordHydrationDrink(); });
}

void AppDelegate::addPelvicFloorMenuItems(QMenu* menu) {
    addLine(menu, QStringLiteral("🫧 提肛提醒"));
    pelvicFloorStatusMenuItem = addLine(menu, QString());
    pelvicFloorToggleMenuItem = addActionLine(menu, QString(), MenuAction::TogglePelvicFloorReminder,
                                              [this] { togglePelvicFloorReminder(); });
    QMenu* intervals = makeIntervalSubMenu(
        menu, pelvicFloorIntervalPresets, pelvicFloorIntervalMenuItems, MenuAction::SelectPelvicFloorInterval,
        &AppDelegate::selectPelvicFloorInterval, &AppDelegate::showPelvicFloorIntervalDialog);
    pelvicFloorIntervalMenuItem = intervals->menuAction();
    addActionLine(menu, QStringLiteral("    立即提肛"), MenuAction::None,
                  [this] { recordPelvicFloorCompletion(); });
}

QMenu* AppDelegate::makeIntervalSubMenu(QMenu* parent, const QList<int>& presets,
                                        QMap<int, QPointer<QAction>>& items, MenuAction kind,
                                        void (AppDelegate::*select)(int), void (AppDelegate::*dialog)()) {
    QMenu* menu = addSubmenu(parent, QString(), true);
    for (int minutes : presets) {
        QAction* line = addActionLine(menu, QStringLiteral("每 %1 分钟").arg(minutes), kind,
                                      [this, select, minutes] { (this->*select)(minutes); });
        line->setData(minutes);
        items.insert(minutes, line);
    }
    menu->addSeparator();
    addActionLine(menu, QStringLiteral("手动输入间隔..."), MenuAction::None,
                  [this, dialog] { (this->*dialog)(); });
    return menu;
}

QMenu* AppDelegate::makeReportSubMenu(QMenu* parent) {
    QMenu* menu = addSubmenu(parent, QStringLiteral("📊 健康统计"), false);
    addActionLine(menu, QStringLiteral("查看今日日报"), MenuAction::None, [this] { showTodayReport(); });
    addActionLine(menu, QStringLiteral("查看本周周报"), MenuAction::None, [this] { showThisWeekReport(); });
    addActionLine(menu, QStringLiteral("查看本月月报"), MenuAction::None, [this] { showThisMonthReport(); });
    return menu;
}

void AppDelegate::addAppMenuItems(QMenu* menu) {
    launchAtLoginItem =
        addActionLine(menu, QStringLiteral("开机自启"), MenuAction::None, [this] { toggleLaunchAtLogin(); });
    launchAtLoginItem->setCheckable(true);
    launchAtLoginItem->setChecked(isLaunchAtLoginEnabled());
    menu->addSeparator();
    addActionLine(menu, QStringLiteral("关于 Tavo"), MenuAction::None, [this] { showAbout(); });
    addActionLine(menu, QStringLiteral("退出"), MenuAction::None, [this] { quitApp(); });
}

void AppDelegate::menuWillOpen(QMenu* menu) {
    updateRestModeMenuItems();
    updatePauseMenuItems();
    updateHydrationMenuItems();
    updatePelvicFloorMenuItems();
    for (QAction* line : menu->actions()) {
        refreshDynamicState(line);
    }
    if (menu != statusMenu.get()) {
        return;
    }
    if (launchAtLoginItem) {
        launchAtLoginItem->setChecked(isLaunchAtLoginEnabled());
    }
    // Brought up to date now, then every second by the timer while the menu stays open.
    if (statusMenuItem) {
        statusMenuItem->setText(statusLine());
    }
    updateReminderCountdownMenuTitles();
}

void AppDelegate::refreshDynamicState(QAction* line) {
    const auto kind = static_cast<MenuAction>(line->property(actionProperty).toInt());
    switch (kind) {
    case MenuAction::SelectTheme:
        if (line->data().typeId() == QMetaType::QString) {
            line->setChecked(line->data().toString() == RestThemes::storedRawValue(services.preferences));
        }
        break;
    case MenuAction::SelectMode:
        line->setChecked(line->data().toInt() == selectedRestModeTag);
        break;
    case MenuAction::ToggleHydrationReminder:
        line->setChecked(hydrationManager->isEnabled());
        break;
    case MenuAction::SelectHydrationInterval:
        line->setChecked(line->data().toInt() == hydrationManager->intervalMinutes());
        break;
    case MenuAction::TogglePelvicFloorReminder:
        line->setChecked(pelvicFloorManager->isEnabled());
        break;
    case MenuAction::SelectPelvicFloorInterval:
        line->setChecked(line->data().toInt() == pelvicFloorManager->intervalMinutes());
        break;
    case MenuAction::ToggleNaturalRest:
        line->setChecked(restCycle.isIdleTimeAvailable() &&
                         *services.preferences.value(Settings::naturalRestEnabled));
        break;
    case MenuAction::ToggleDoNotDisturb:
        line->setChecked(platform.fullScreen &&
                         *services.preferences.value(Settings::doNotDisturbFullScreenEnabled));
        break;
    case MenuAction::None:
        break;
    }
}

void AppDelegate::selectTheme(QAction* line) {
    const std::optional<RestTheme> theme = RestThemes::fromRawValue(line->data().toString());
    if (!theme) {
        return;
    }
    RestThemes::store(services.preferences, *theme);
    if (*theme == RestTheme::Wallpaper) {
        services.wallpapers().prefetchNextWallpaper();
    }
}
