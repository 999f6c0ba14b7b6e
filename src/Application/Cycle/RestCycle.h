#pragma once

#include "Stats/StatsEvent.h"

#include <QDateTime>
#include <QObject>
#include <QString>
#include <QStringList>

#include <optional>

class Clock;
class Preferences;
class StatsStore;

// What the rest cycle needs from the program around it. The delegate puts
// the rest on the screens and answers the questions; the suites record the
// calls.
class RestCycleOutput {
public:
    virtual ~RestCycleOutput() = default;
    // A rest began: cover every screen.
    virtual void showRest() = 0;
    // The rest is over: take it off the screens.
    virtual void hideRest() = 0;
    // Reminders held back while resting, paused or away may come now.
    virtual void releaseReminders() = 0;
    // One minute of work left: fetch what the rest will show.
    virtual void restApproaching() = 0;
    // Whether the focused window of another program is full screen now.
    virtual bool otherProgramFullScreen() = 0;
    // Measure how long the user has left keyboard and pointer alone; the
    // answer comes back through RestCycle::setIdleTime(), now or later.
    virtual void measureIdleTime() = 0;
};

// What the cycle is doing, in one line and a few figures, for the menu and
// for status bars.
struct RestCycleStatus {
    enum class State { working, resting, paused, idle };
    QString line;
    State state = State::working;
    int workPercent = 0; // of the work period gone, 0 to 100

    static QString name(State state);
    friend bool operator==(const RestCycleStatus&, const RestCycleStatus&) = default;
};

// The work and rest cycle. A work period is counted down once a second
// (tick()); at its end a rest session runs, is recorded, and the next work
// period starts. An absence from keyboard and pointer as long as the set
// idle time stops the countdown and, when it lasted a rest, counts as one;
// a rest falling due while another program is full screen waits for it, up
// to a limit; a pause holds rests and reminders until its end. Knows
// nothing of windows or menus: RestCycleOutput shows what it decides.
class RestCycle : public QObject {
    Q_OBJECT
public:
    struct Services {
        Clock& clock;
        Preferences& preferences;
        StatsStore& stats;
    };

    static constexpr int idlePollTicks = 5;
    static constexpr qint64 fullScreenRecheckSeconds = 60;
    static constexpr qint64 fullScreenLongestHoldSeconds = 15 * 60;
    static constexpr double transientSeconds = 5.0;

    RestCycle(Services services, RestCycleOutput& output, QObject* parent = nullptr);

    // --- rhythm
    void setRhythm(qint64 workSeconds, qint64 restSeconds);
    qint64 workDuration() const { return work; }
    qint64 restDuration() const { return rest; }
    // The work countdown from full, and the status line rewritten.
    void restartWorkPeriod();

    // --- the one-second heartbeat and the rests
    void tick();
    void startRest(StatsEventSource source);
    void stopRest(const std::optional<QString>& skipMessage);
    // The menu's rest-now line: a rest when none runs.
    void triggerRestNow();

    // --- the status line
    // A message shown instead of the status line for a number of seconds,
    // measured on the monotonic clock so that a clock change cannot stretch it.
    void setTransientStatus(const QString& message, double seconds);
    // Writes the status line from the state, or the message while it lasts.
    void updateStatusLine();
    RestCycleStatus status() const { return current; }

    // --- away from the screen
    // Whether natural rests can work here: false without any source of idle time.
    void setIdleTimeAvailable(bool available);
    bool isIdleTimeAvailable() const { return idleTimeAvailable; }
    // How long keyboard and pointer have been left alone, as just measured.
    void setIdleTime(qint64 idleMs);
    bool isAway() const { return awaySinceMs.has_value(); }
    // The system going to sleep or the session away, and back.
    void systemPaused();
    void systemResumed();
    bool isSystemPaused() const { return sleptAt.has_value(); }

    // --- pause
    void pauseUntil(const QDateTime& end);
    void resume();
    std::optional<QDateTime> pausedUntil() const { return pauseEnd; }
    // 06:00 of the coming morning: the end of a pause until tomorrow.
    static QDateTime nextMorning(const QDateTime& now);
    // The pauses offered, by the menu and by the command line alike.
    struct PauseLength {
        QString name;   // as the command line takes it: 30m, 1h, 2h, tomorrow
        QString title;  // the menu line
        qint64 seconds; // 0: until the next morning
    };
    static const QList<PauseLength>& pauseLengths();
    // When a pause of that name begun now ends; none for an unknown name.
    static std::optional<QDateTime> pauseEndFor(const QString& name, const QDateTime& now);

    // Reminders wait while resting, paused or away.
    bool holdsReminders() const { return resting || pauseEnd || awaySinceMs; }
    bool isHoldingRestForFullScreen() const { return heldSinceMs.has_value(); }

    // --- the rest session
    bool isResting() const { return resting; }
    qint64 workSecondsRemaining() const { return workRemaining; }
    qint64 restSecondsRemaining() const { return restRemaining; }
    // The rest view moves the rest countdown too.
    void setRestSecondsRemaining(qint64 seconds) { restRemaining = seconds; }
    const std::optional<QString>& currentRestSessionId() const { return sessionId; }
    StatsEventSource currentRestSource() const { return source; }
    StatsPayload restStatsPayload(qint64 actualSeconds, qint64 skippedSeconds) const;

    static const QStringList& statusTemplates();
    static const QStringList& restEndMessages();
    static QString statusTitle(qint64 workSecondsRemaining);

Q_SIGNALS:
    // The status line, the state or the percentage changed.
    void statusChanged();

private:
    qint64 nowMs() const;
    bool naturalRestsOn() const;
    qint64 idleThresholdMs() const;
    void countDownWork();
    void restDue();
    void pollIdleTimeIfDue();
    void comeBack(qint64 returnedAtMs);
    void setWorkRemaining(qint64 seconds);
    void publish(const QString& line);

    Services services;
    RestCycleOutput& output;

    qint64 work = 1200;
    qint64 rest = 20;
    qint64 workRemaining = 1200;
    qint64 restRemaining = 20;
    // When the countdown last stood at full: an absence is never backdated beyond it.
    qint64 workStartedMs = 0;
    bool resting = false;
    std::optional<QString> sessionId;
    StatsEventSource source = StatsEventSource::scheduled;

    std::optional<QString> transientMessage;
    qint64 transientExpiresMs = 0;
    // Until the first tick: the launch line.
    RestCycleStatus current{.line = QStringLiteral("⏳ 系统自检中，别急")};

    bool idleTimeAvailable = false;
    int ticksSinceIdlePoll = 0;
    // When the absence began, and where the countdown stood then.
    std::optional<qint64> awaySinceMs;
    qint64 workRemainingWhenAway = 0;
    // The wall clock and the monotonic clock when the system or session went away.
    std::optional<QDateTime> sleptAt;
    qint64 sleptAtMs = 0;

    std::optional<qint64> heldSinceMs;
    qint64 nextFullScreenCheckMs = 0;

    std::optional<QDateTime> pauseEnd;
};
