#include "Reminders/ReminderManager.h"

#include "Platform/Alerts.h"
#include "Platform/Clock.h"
#include "Platform/Preferences.h"
#include "Platform/Random.h"
#include "Platform/SessionEvents.h"
#include "Stats/StatsStore.h"

#include <cmath>

ReminderManager::ReminderManager(ReminderConfiguration configuration, const ReminderServices& services,
                                 QObject* parent)
    : QObject(parent)
    , config(std::move(configuration))
    , clock(services.clock)
    , defaults(services.preferences)
    , stats(services.stats)
    , notificationCenter(services.notifications)
    , alerts(services.alerts)
    , sessionEvents(services.sessionEvents)
    , reminderTimer(clock.createTimer(this)) {
    connect(reminderTimer, &Timer::timeout, this, &ReminderManager::fireReminderIfNeeded);
}

QDateTime ReminderManager::now() const {
    return clock.now();
}

QDateTime ReminderManager::secondsFromNow(double seconds) const {
    return now().addMSecs(std::llround(seconds * 1000.0));
}

bool ReminderManager::isEnabled() const {
    return defaults.value(config.enabledKey).value_or(false);
}

int ReminderManager::intervalMinutes() const {
    // The key's range keeps it within int, and its seconds too.
    return static_cast<int>(defaults.value(config.intervalKey).value());
}

qint64 ReminderManager::count() const {
    return defaults.value(config.countKey).value_or(0);
}

bool ReminderManager::isToday(const std::optional<QDateTime>& date) const {
    if (!date) {
        return false;
    }
    // A day that began "tomorrow" means the clock was set back across
    // midnight (by up to a day): that is no new day, and its count stays.
    const qint64 daysAhead = now().toLocalTime().date().daysTo(date->toLocalTime().date());
    return daysAhead == 0 || daysAhead == 1;
}

bool ReminderManager::hasStartedToday() const {
    return isToday(defaults.value(config.dayStartedAtKey));
}

std::optional<QDateTime> ReminderManager::nextReminderAt() const {
    return defaults.value(config.nextReminderAtKey);
}

bool ReminderManager::isTimerArmed() const {
    return reminderTimer->isActive();
}

void ReminderManager::notifyStateChange() {
    if (onStateChange) {
        onStateChange();
    }
}

void ReminderManager::cancelTimer() {
    reminderTimer->stop();
}

void ReminderManager::removeNotifications() {
    if (notificationCenter) {
        notificationCenter->remove(config.notificationIdentifier);
    }
}

void ReminderManager::ensureFreshCount() {
    if (isToday(defaults.value(config.countDateKey)) || count() == 0) {
        return;
    }
    defaults.setValue(config.countKey, 0);
}

void ReminderManager::ensureFreshDayState() {
    const std::optional<QDateTime> started = defaults.value(config.dayStartedAtKey);
    if (!started) {
        return;
    }
    if (!isToday(started)) {
        cancelTimer();
        deferredReminderAfterRest = false;
        defaults.remove(config.dayStartedAtKey);
        defaults.remove(config.lastCompletedAtKey);
        defaults.remove(config.nextReminderAtKey);
        removeNotifications();
    }
    ensureFreshCount();
}

void ReminderManager::beginTodayIfNeeded() {
    ensureFreshDayState();
    if (hasStartedToday()) {
        return;
    }
    const QDateTime at = now();
    defaults.setValue(config.dayStartedAtKey, at);
    defaults.setValue(config.countKey, 0);
    defaults.setValue(config.countDateKey, at);
    defaults.setValue(config.nextReminderAtKey, at.addSecs(intervalMinutes() * 60));
    scheduleTimerIfNeeded();
}

void ReminderManager::scheduleTimerIfNeeded() {
    cancelTimer();
    const std::optional<QDateTime> next = nextReminderAt();
    if (!isEnabled() || !hasStartedToday() || !next) {
        return;
    }
    const double delay = std::max(now().msecsTo(*next) / 1000.0, shortestDelaySeconds);
    reminderTimer->start(delay, false);
}

void ReminderManager::rearmAfterClockJump() {
    scheduleTimerIfNeeded();
    notifyStateChange();
}

void ReminderManager::fireReminderIfNeeded() {
    ensureFreshDayState();
    if (!isEnabled() || !hasStartedToday()) {
        notifyStateChange();
        return;
    }
    QDateTime next;
    if (shouldDeferReminder && shouldDeferReminder()) {
        deferredReminderAfterRest = true;
        next = secondsFromNow(deferralRecheckSeconds);
    } else {
        deliverReminder();
        next = secondsFromNow(reRemindSeconds);
    }
    defaults.setValue(config.nextReminderAtKey, next);
    scheduleTimerIfNeeded();
    notifyStateChange();
}

void ReminderManager::deliverReminder() {
    const QPointer<ReminderManager> self(this);
    const auto fallBack = [self] {
        // The open alert already is this reminder.
        if (self && !self->isAlertOpen) {
            self->showReminderAlert(StatsEventSource::scheduled);
        }
    };
    if (!notificationCenter) {
        // Later, like the server's answer, so the caller stores the next time first.
        QMetaObject::invokeMethod(this, fallBack, Qt::QueuedConnection);
        return;
    }
    notificationCenter->requestAuthorization(this, [self, fallBack](bool authorized) {
        if (!self) {
            return;
        }
        if (authorized) {
            self->addNotificationRequest();
        } else {
            fallBack();
        }
    });
}

void ReminderManager::addNotificationRequest() {
    if (!notificationCenter) {
        return;
    }
    // Adding under the same identifier replaces a pending or shown reminder in place.
    recordPromptShown(StatsEventSource::scheduled);
    const TavoCopy::ReminderText text = config.reminderText();
    notificationCenter->add(NotificationRequest{config.notificationIdentifier, text.title, text.body,
                                                config.categoryIdentifier, notificationDelaySeconds});
}

void ReminderManager::recordPromptShown(StatsEventSource source) {
    stats.record(config.promptShownEvent, source, std::nullopt,
                 {{QStringLiteral("intervalMinutes"), intervalMinutes()}}, now());
}

bool ReminderManager::showReminderAlert(StatsEventSource source) {
    recordPromptShown(source);
    const TavoCopy::ReminderText text = config.reminderText();
    Alert alert;
    alert.messageText = text.title;
    alert.informativeText = text.body;
    alert.style = AlertStyle::Informational;
    alert.buttons = {config.confirmTitle, QStringLiteral("下次一定")};
    int answer = Alerts::closed;
    if (alerts) {
        // One opened over another (the manual one over a due one) leaves the
        // outer one open when it closes.
        const bool outerOpen = isAlertOpen;
        isAlertOpen = true;
        const QPointer<ReminderManager> self(this);
        answer = alerts->run(alert);
        if (!self || stopped) {
            return false;
        }
        isAlertOpen = outerOpen;
    }
    if (answer == alertConfirmButton) {
        recordCompletion(source);
        return true;
    }
    reportReminderSkipped(source);
    return false;
}

void ReminderManager::recordCompletion(StatsEventSource source, int guidedSeconds) {
    beginTodayIfNeeded();
    ensureFreshCount();
    const qint64 countAfter = count() + 1;
    const QDateTime at = now();
    defaults.setValue(config.countKey, countAfter);
    defaults.setValue(config.countDateKey, at);
    defaults.setValue(config.lastCompletedAtKey, at);
    removeNotifications();
    if (isEnabled()) {
        defaults.setValue(config.nextReminderAtKey, at.addSecs(intervalMinutes() * 60));
        scheduleTimerIfNeeded();
    }
    StatsPayload payload = {
        {QStringLiteral("countAfter"), countAfter},
        {QStringLiteral("intervalMinutes"), intervalMinutes()},
    };
    if (config.recordsGuidedSeconds) {
        payload.insert(QStringLiteral("guidedSeconds"), guidedSeconds);
    }
    stats.record(config.completedEvent, source, std::nullopt, payload, at);
    notifyStateChange();
}

void ReminderManager::reportReminderSkipped(StatsEventSource source) {
    stats.record(config.skippedEvent, source, std::nullopt,
                 {{QStringLiteral("intervalMinutes"), intervalMinutes()}}, now());
    if (onReminderSkipped && !config.skipMessages.isEmpty()) {
        onReminderSkipped(randomElement(config.skipMessages));
    }
}

bool ReminderManager::handleNotificationResponse(const NotificationResponse& response) {
    if (response.categoryIdentifier != config.categoryIdentifier) {
        return false;
    }
    if (response.actionIdentifier == config.confirmActionIdentifier) {
        recordCompletion(StatsEventSource::notification);
        return true;
    }
    if (response.actionIdentifier == Notifications::dismissActionIdentifier) {
        reportReminderSkipped(StatsEventSource::notification);
        return true;
    }
    return false;
}

void ReminderManager::setEnabled(bool enabled) {
    defaults.setValue(config.enabledKey, enabled);
    if (enabled) {
        beginTodayIfNeeded();
        scheduleTimerIfNeeded();
    } else {
        cancelTimer();
        removeNotifications();
    }
    notifyStateChange();
}

void ReminderManager::setInterval(int minutes) {
    defaults.setValue(config.intervalKey, minutes);
    if (isEnabled() && hasStartedToday()) {
        defaults.setValue(config.nextReminderAtKey, now().addSecs(intervalMinutes() * 60));
        scheduleTimerIfNeeded();
    }
    notifyStateChange();
}

void ReminderManager::retryDeferredReminderAfterRest() {
    if (!deferredReminderAfterRest) {
        return;
    }
    deferredReminderAfterRest = false;
    if (isEnabled() && hasStartedToday()) {
        defaults.setValue(config.nextReminderAtKey, secondsFromNow(afterRestSeconds));
        scheduleTimerIfNeeded();
    }
}

void ReminderManager::observeWorkspaceResumeEvents() {
    if (!sessionEvents) {
        return;
    }
    disconnect(sessionEvents, nullptr, this, nullptr);
    connect(sessionEvents, &SessionEvents::resumed, this, &ReminderManager::handleResumeEvent);
}

void ReminderManager::handleResumeEvent() {
    if (!isEnabled()) {
        return;
    }
    beginTodayIfNeeded();
    scheduleTimerIfNeeded();
    notifyStateChange();
}

void ReminderManager::stop() {
    stopped = true;
    cancelTimer();
    if (sessionEvents) {
        disconnect(sessionEvents, nullptr, this, nullptr);
    }
}

QString ReminderManager::statusText() {
    ensureFreshDayState();
    ensureFreshCount();
    const QString countText = QString::number(count());
    const std::optional<QDateTime> next = nextReminderAt();
    qint64 seconds = 0;
    if (next) {
        seconds = static_cast<qint64>(std::ceil(now().msecsTo(*next) / 1000.0));
        if (seconds < 1) {
            return config.statusDue.arg(countText);
        }
    }
    if (!isEnabled()) {
        return config.statusDisabled;
    }
    if (!hasStartedToday()) {
        return config.statusWaiting;
    }
    if (next) {
        return config.statusNext.arg(countText, formatRemaining(seconds));
    }
    return config.statusLoading.arg(countText);
}

QString ReminderManager::formatRemaining(qint64 seconds) {
    if (seconds < 3600) {
        return QStringLiteral("%1:%2")
            .arg(seconds / 60, 2, 10, QLatin1Char('0'))
            .arg(seconds % 60, 2, 10, QLatin1Char('0'));
    }
    return QStringLiteral("%1小时%2分").arg(seconds / 3600).arg(seconds % 3600 / 60);
}
