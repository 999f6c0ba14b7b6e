#include "Application/AppDelegate.h"

#include "Copywriting/TavoCopy.h"
#include "Platform/Alerts.h"
#include "Platform/Clock.h"
#include "Platform/Preferences.h"
#include "Stats/StatsStore.h"

#include <QAction>
#include <QLineEdit>

namespace {

// The texts that tell the two reminders' menu lines and dialogs apart.
struct ReminderMenuTexts {
    QString toggleOn;
    QString toggleOff;
    QString intervalLine; // %1 = minutes
    QString dialogMessage;
    QString dialogInformative;
    QString placeholder;
    QString invalidTitle;
};

const ReminderMenuTexts hydrationTexts = {
    QStringLiteral("    喝水提醒：已开启"),
    QStringLiteral("    喝水提醒：已关闭"),
    QStringLiteral("    喝水提醒间隔（当前每 %1 分钟）"),
    QStringLiteral("设置喝水提醒间隔"),
    QStringLiteral("喝水提醒会按输入的间隔循环运行，并在下次启动时保留。"),
    QStringLiteral("例如 45"),
    QStringLiteral("自动喝水间隔无效"),
};

const ReminderMenuTexts pelvicFloorTexts = {
    QStringLiteral("    提肛提醒：已开启"),
    QStringLiteral("    提肛提醒：已关闭"),
    QStringLiteral("    提肛提醒间隔（当前每 %1 分钟）"),
    QStringLiteral("设置提肛提醒间隔"),
    QStringLiteral("提肛提醒会按输入的间隔循环运行，并在下次启动时保留。"),
    QStringLiteral("例如 60"),
    QStringLiteral("自动提肛间隔无效"),
};

constexpr int shortestTypedInterval = 1;
constexpr int longestTypedInterval = 480;
constexpr double transientStatusSeconds = 5.0;

void startManager(ReminderManager& manager) {
    manager.observeWorkspaceResumeEvents();
    manager.ensureFreshDayState();
    if (manager.isEnabled()) {
        manager.beginTodayIfNeeded();
        manager.scheduleTimerIfNeeded();
    }
}

void updateMenuItems(ReminderManager& manager, const ReminderMenuTexts& texts, QAction* status,
                     QAction* toggle, QAction* interval, const QMap<int, QPointer<QAction>>& presets) {
    const int minutes = manager.intervalMinutes();
    if (status) {
        status->setText(manager.statusText());
    }
    if (toggle) {
        const bool enabled = manager.isEnabled();
        toggle->setChecked(enabled);
        toggle->setText(enabled ? texts.toggleOn : texts.toggleOff);
    }
    if (interval) {
        interval->setText(texts.intervalLine.arg(minutes));
    }
    for (auto it = presets.begin(); it != presets.end(); ++it) {
        if (it.value()) {
            it.value()->setChecked(it.key() == minutes);
        }
    }
}

void showInvalidIntervalAlert(Alerts* alerts, const ReminderMenuTexts& texts) {
    if (!alerts) {
        return;
    }
    Alert alert;
    alert.messageText = texts.invalidTitle;
    alert.informativeText = QStringLiteral("提醒间隔请输入 1 到 480 分钟。");
    alert.style = AlertStyle::Warning;
    alert.buttons = {QStringLiteral("好的")};
    alerts->run(alert);
}

} // namespace

ReminderServices AppDelegate::reminderServices() const {
    return {services.clock,         services.preferences, services.stats,
            platform.notifications, platform.alerts,      platform.sessionEvents};
}

void AppDelegate::startReminderManagers() {
    startManager(*hydrationManager);
    startManager(*pelvicFloorManager);
}

namespace {

// The callbacks both managers get: deferral, and menu and toast
// updates hopped onto the main thread.
void configureCallbacks(AppDelegate* delegate, ReminderManager& manager,
                        void (AppDelegate::*updateMenuItems)(), ReminderSkipFeedbackKind kind) {
    const QPointer<AppDelegate> self(delegate);
    // Reminders wait while resting, paused or away, never for a program in full screen.
    manager.shouldDeferReminder = [self] { return self && self->restCycle.holdsReminders(); };
    QObject::connect(delegate->clockJumps, &ClockJumpDetector::jumped, &manager,
                     &ReminderManager::rearmAfterClockJump);
    manager.onStateChange = [self, updateMenuItems] {
        if (!self) {
            return;
        }
        QMetaObject::invokeMethod(
            self, [self, updateMenuItems] { (self->*updateMenuItems)(); }, Qt::QueuedConnection);
    };
    manager.onReminderSkipped = [self, kind](const QString& message) {
        if (!self) {
            return;
        }
        QMetaObject::invokeMethod(
            self,
            [self, kind, message] {
                self->setTransientStatus(message, transientStatusSeconds);
                self->reminderSkipFeedbackPresenter->present(kind, message);
            },
            Qt::QueuedConnection);
    };
}

} // namespace

void AppDelegate::configureHydrationReminder() {
    configureCallbacks(this, *hydrationManager, &AppDelegate::updateHydrationMenuItems,
                       ReminderSkipFeedbackKind::hydration);
}

void AppDelegate::configurePelvicFloorReminder() {
    configureCallbacks(this, *pelvicFloorManager, &AppDelegate::updatePelvicFloorMenuItems,
                       ReminderSkipFeedbackKind::pelvicFloor);
}

void AppDelegate::configureReminderNotifications() {
    QList<NotificationCategory> categories;
    for (const ReminderManager* manager : {static_cast<ReminderManager*>(hydrationManager),
                                           static_cast<ReminderManager*>(pelvicFloorManager)}) {
        const ReminderConfiguration& config = manager->configuration();
        categories.append({config.categoryIdentifier, config.confirmActionIdentifier, config.confirmTitle});
    }
    const QPointer<AppDelegate> self(this);
    reminderNotificationRouter->actionHandlers = {
        [self](const NotificationResponse& response) {
            return self && self->hydrationManager->handleNotificationResponse(response);
        },
        [self](const NotificationResponse& response) {
            return self && self->pelvicFloorManager->handleNotificationResponse(response);
        },
    };
    reminderNotificationRouter->install(categories);
}

void AppDelegate::updateHydrationMenuItems() {
    updateMenuItems(*hydrationManager, hydrationTexts, hydrationStatusMenuItem, hydrationToggleMenuItem,
                    hydrationIntervalMenuItem, hydrationIntervalMenuItems);
}

void AppDelegate::updatePelvicFloorMenuItems() {
    updateMenuItems(*pelvicFloorManager, pelvicFloorTexts, pelvicFloorStatusMenuItem,
                    pelvicFloorToggleMenuItem, pelvicFloorIntervalMenuItem, pelvicFloorIntervalMenuItems);
}

void AppDelegate::updateReminderCountdownMenuTitles() {
    if (!isStatusMenuOpen) {
        return;
    }
    if (hydrationStatusMenuItem) {
        hydrationStatusMenuItem->setText(hydrationManager->statusText());
    }
    if (pelvicFloorStatusMenuItem) {
        pelvicFloorStatusMenuItem->setText(pelvicFloorManager->statusText());
    }
}

void AppDelegate::toggleHydrationReminder() {
    hydrationManager->setEnabled(!hydrationManager->isEnabled());
    updateHydrationMenuItems();
}

void AppDelegate::togglePelvicFloorReminder() {
    pelvicFloorManager->setEnabled(!pelvicFloorManager->isEnabled());
    updatePelvicFloorMenuItems();
}

void AppDelegate::selectHydrationInterval(int minutes) {
    hydrationManager->setInterval(minutes);
    updateHydrationMenuItems();
}

void AppDelegate::selectPelvicFloorInterval(int minutes) {
    pelvicFloorManager->setInterval(minutes);
    updatePelvicFloorMenuItems();
}

namespace {

// The typed interval, or none when the dialog was cancelled; an invalid entry
// has already been reported.
std::optional<int> askInterval(Alerts* alerts, const ReminderManager& manager, const ReminderMenuTexts& texts,
                               const std::function<void()>& reportInvalid) {
    if (!alerts) {
        return std::nullopt;
    }
    auto* field = new QLineEdit(QString::number(manager.intervalMinutes()));
    field->setPlaceholderText(texts.placeholder);
    field->setAlignment(Qt::AlignRight);
    const std::unique_ptr<QWidget> form =
        AppDelegate::formView({{QStringLiteral("提醒间隔（分钟）"), field}});
    Alert alert;
    alert.messageText = texts.dialogMessage;
    alert.informativeText = texts.dialogInformative;
    alert.style = AlertStyle::Informational;
    alert.buttons = {QStringLiteral("应用"), QStringLiteral("取消")};
    alert.accessory = form.get();
    alert.initialFocus = field;
    if (alerts->run(alert) != Alerts::firstButton) {
        return std::nullopt;
    }
    const std::optional<qint64> value = AppDelegate::parseDialogInteger(field->text());
    if (!value || *value < shortestTypedInterval || *value > longestTypedInterval) {
        reportInvalid();
        return std::nullopt;
    }
    return static_cast<int>(*value);
}

} // namespace

void AppDelegate::showHydrationIntervalDialog() {
    if (const std::optional<int> minutes = askInterval(platform.alerts, *hydrationManager, hydrationTexts,
                                                       [this] { showInvalidHydrationIntervalAlert(); })) {
        hydrationManager->setInterval(*minutes);
        updateHydrationMenuItems();
    }
}

void AppDelegate::showPelvicFloorIntervalDialog() {
    if (const std::optional<int> minutes = askInterval(platform.alerts, *pelvicFloorManager, pelvicFloorTexts,
                                                       [this] { showInvalidPelvicFloorIntervalAlert(); })) {
        pelvicFloorManager->setInterval(*minutes);
        updatePelvicFloorMenuItems();
    }
}

void AppDelegate::showInvalidHydrationIntervalAlert() {
    showInvalidIntervalAlert(platform.alerts, hydrationTexts);
}

void AppDelegate::showInvalidPelvicFloorIntervalAlert() {
    showInvalidIntervalAlert(platform.alerts, pelvicFloorTexts);
}

void AppDelegate::recordHydrationDrink() {
    if (hydrationManager->showReminderAlert(StatsEventSource::manual)) {
        showHydrationLogged();
    }
}

void AppDelegate::recordPelvicFloorCompletion() {
    if (pelvicFloorManager->showReminderAlert(StatsEventSource::manual)) {
        showPelvicFloorLogged();
    }
}

QString AppDelegate::showHydrationLogged() {
    updateHydrationMenuItems();
    hydrationManager->ensureFreshDrinkCount();
    QString line = TavoCopy::hydrationLoggedLine(static_cast<int>(hydrationManager->count()));
    setTransientStatus(line, transientStatusSeconds);
    return line;
}

QString AppDelegate::showPelvicFloorLogged() {
    updatePelvicFloorMenuItems();
    pelvicFloorManager->ensureFreshCompletionCount();
    QString line = TavoCopy::pelvicFloorLoggedLine(static_cast<int>(pelvicFloorManager->count()));
    setTransientStatus(line, transientStatusSeconds);
    return line;
}
