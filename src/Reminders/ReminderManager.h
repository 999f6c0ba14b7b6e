#pragma once

#include "Copywriting/TavoCopy.h"
#include "Platform/Notifications.h"
#include "Platform/Preferences.h"
#include "Stats/StatsEvent.h"

#include <QDateTime>
#include <QObject>
#include <QPointer>
#include <QStringList>

#include <functional>
#include <optional>

class Alerts;
class Clock;
class Preferences;
class SessionEvents;
class StatsStore;
class Timer;

// What tells one body reminder from the other: its settings keys, texts,
// notification names and events.
struct ReminderConfiguration {
    PreferenceKey<bool> enabledKey;
    PreferenceKey<qint64> intervalKey; // has a default and a range
    PreferenceKey<QDateTime> nextReminderAtKey;
    PreferenceKey<qint64> countKey;
    PreferenceKey<QDateTime> countDateKey;
    PreferenceKey<QDateTime> lastCompletedAtKey;
    PreferenceKey<QDateTime> dayStartedAtKey;

    QString notificationIdentifier;
    QString categoryIdentifier;
    QString confirmActionIdentifier;
    QString confirmTitle; // the notification action and the alert's first button
    std::function<TavoCopy::ReminderText()> reminderText;
    QStringList skipMessages;

    StatsEventType promptShownEvent;
    StatsEventType completedEvent;
    StatsEventType skippedEvent;
    bool recordsGuidedSeconds = false;

    // Status lines; %1 is the day's count, %2 the time left.
    QString statusDue;
    QString statusDisabled;
    QString statusWaiting;
    QString statusNext;
    QString statusLoading;
};

// What a reminder needs from its owner.
struct ReminderServices {
    Clock& clock;
    Preferences& preferences;
    StatsStore& stats;
    // Without notifications every due reminder becomes a modal alert.
    Notifications* notifications = nullptr;
    Alerts* alerts = nullptr;
    SessionEvents* sessionEvents = nullptr;
};

// A reminder that repeats at a fixed interval during the day, counts the
// confirmations of the day and records every prompt, confirmation and skip.
// A day's cycle starts at the first launch, wake, enable or confirmation of
// that calendar day. All state lives in the preferences, so it survives
// restarts; the manager itself holds only the timer and the deferral flag.
class ReminderManager : public QObject {
    Q_OBJECT
public:
    static constexpr double deferralRecheckSeconds = 60;
    static constexpr double reRemindSeconds = 600;
    static constexpr double afterRestSeconds = 5;
    static constexpr double shortestDelaySeconds = 1;
    static constexpr double notificationDelaySeconds = 1;
    static constexpr int alertConfirmButton = 0;

    ReminderManager(ReminderConfiguration configuration, const ReminderServices& services,
                    QObject* parent = nullptr);

    const ReminderConfiguration& configuration() const { return config; }

    std::function<void()> onStateChange;
    std::function<bool()> shouldDeferReminder;
    std::function<void(const QString&)> onReminderSkipped;

    void setEnabled(bool enabled);
    // Callers validate the value; the next reminder counts from now.
    void setInterval(int minutes);
    // Counts one confirmation now, enabled or not.
    void recordCompletion(StatsEventSource source, int guidedSeconds = 0);
    // True when the response belonged to this reminder.
    bool handleNotificationResponse(const NotificationResponse& response);
    void retryDeferredReminderAfterRest();
    // The modal reminder; true when the user confirmed.
    bool showReminderAlert(StatsEventSource source);
    void ensureFreshCount();
    QString statusText();

    bool isEnabled() const;
    // The stored interval, or its default.
    int intervalMinutes() const;
    qint64 count() const;
    bool hasStartedToday() const;
    std::optional<QDateTime> nextReminderAt() const;
    bool isDeferredAfterRest() const { return deferredReminderAfterRest; }
    bool isTimerArmed() const;

    void observeWorkspaceResumeEvents();
    void ensureFreshDayState();
    void beginTodayIfNeeded();
    void scheduleTimerIfNeeded();
    // The timer runs on the monotonic clock: once the wall clock has jumped it
    // would fire at another time than the stored one the status line counts
    // down to, so it is armed again from the stored time.
    void rearmAfterClockJump();
    void stop();

    // "%02d:%02d" below an hour, else "<h>小时<m>分".
    static QString formatRemaining(qint64 seconds);

private:
    QDateTime now() const;
    QDateTime secondsFromNow(double seconds) const;
    void fireReminderIfNeeded();
    void deliverReminder();
    void addNotificationRequest();
    void recordPromptShown(StatsEventSource source);
    void reportReminderSkipped(StatsEventSource source);
    void handleResumeEvent();
    void cancelTimer();
    void removeNotifications();
    // Whether a stored date lies in the day now running.
    bool isToday(const std::optional<QDateTime>& date) const;
    void notifyStateChange();

    const ReminderConfiguration config;
    Clock& clock;
    Preferences& defaults;
    StatsStore& stats;
    QPointer<Notifications> notificationCenter;
    Alerts* alerts;
    QPointer<SessionEvents> sessionEvents;
    Timer* reminderTimer;
    bool deferredReminderAfterRest = false;
    // One modal reminder at a time: a re-remind while it is open would stack another.
    bool isAlertOpen = false;
    // Set by stop(): Tavo is ending, and an alert closed by that is no answer of the user's.
    bool stopped = false;
};
