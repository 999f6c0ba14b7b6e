#include "Application/Cycle/RestCycle.h"

#include "Platform/Clock.h"
#include "Platform/Preferences.h"
#include "Platform/Random.h"
#include "Platform/Settings.h"
#include "Rest/Models/RestTheme.h"
#include "Stats/StatsStore.h"

#include <QUuid>

#include <algorithm>

namespace {

const QString restingLine = QStringLiteral("💆 眼睛已申请强制下线，正在闭眼充能");
const QString fullScreenLine = QStringLiteral("🎬 全屏中，休息稍后开始");
const QString pausedLine = QStringLiteral("⏸ 已暂停，%1 恢复");
const QString naturalRestLine = QStringLiteral("🌿 离开了 %1 分钟，已算作休息");

} // namespace

QString RestCycleStatus::name(State state) {
    switch (state) {
    case State::working:
        return QStringLiteral("working");
    case State::resting:
        return QStringLiteral("resting");
    case State::paused:
        return QStringLiteral("paused");
    case State::idle:
        return QStringLiteral("idle");
    }
    return {};
}

RestCycle::RestCycle(Services services, RestCycleOutput& output, QObject* parent)
    : QObject(parent)
    , services(services)
    , output(output)
    , workStartedMs(services.clock.monotonicMs())
    , pauseEnd(services.preferences.value(Settings::restPausedUntil)) {}

const QStringList& RestCycle::statusTemplates() {
    static const QStringList templates = {
        QStringLiteral("⏳ 距离眼睛下班还有 %@"),
        QStringLiteral("👁 视网膜续航剩 %@"),
        QStringLiteral("🧃 再营业 %@ 就强制充电"),
        QStringLiteral("🫡 护眼倒计时 %@"),
        QStringLiteral("💼 打工续航还剩 %@"),
    };
    return templates;
}

const QStringList& RestCycle::restEndMessages() {
    static const QStringList messages = {
        QStringLiteral("✅ 充能完成，继续营业"),
        QStringLiteral("✅ 眼睛回血完成，下一轮轻点卷"),
        QStringLiteral("✅ 休息打卡成功，状态条回了一点"),
        QStringLiteral("✅ 护眼回合结束，继续但别硬撑"),
    };
    return messages;
}

QString RestCycle::statusTitle(qint64 seconds) {
    const qint64 minutes = seconds / 60;
    const qint64 rest = seconds - 60 * minutes;
    const QString time =
        QStringLiteral("%1:%2").arg(minutes, 2, 10, QLatin1Char('0')).arg(rest, 2, 10, QLatin1Char('0'));
    QString text = statusTemplates().at(static_cast<int>(minutes % 5));
    return text.replace(QStringLiteral("%@"), time);
}

StatsPayload RestCycle::restStatsPayload(qint64 actualSeconds, qint64 skippedSeconds) const {
    return {
        {QStringLiteral("plannedSeconds"), rest},
        {QStringLiteral("actualSeconds"), actualSeconds},
        {QStringLiteral("skippedSeconds"), skippedSeconds},
        {QStringLiteral("workDurationSeconds"), work},
        {QStringLiteral("theme"), RestThemes::storedRawValue(services.preferences)},
    };
}

qint64 RestCycle::nowMs() const {
    return services.clock.monotonicMs();
}

void RestCycle::setRhythm(qint64 workSeconds, qint64 restSeconds) {
    work = workSeconds;
    rest = restSeconds;
}

void RestCycle::restartWorkPeriod() {
    // A new period starts clean: an absence or a held rest was the old one's.
    heldSinceMs.reset();
    const bool wasAway = awaySinceMs.has_value();
    awaySinceMs.reset();
    setWorkRemaining(work);
    updateStatusLine();
    if (wasAway && !holdsReminders()) {
        output.releaseReminders();
    }
}

void RestCycle::setWorkRemaining(qint64 seconds) {
    workRemaining = seconds;
    if (seconds == work) {
        workStartedMs = nowMs();
    }
}

void RestCycle::tick() {
    if (resting) {
        if (restRemaining >= 1) {
            --restRemaining;
        } else {
            stopRest(std::nullopt);
        }
        return;
    }
    if (pauseEnd) {
        if (services.clock.now() >= *pauseEnd) {
            resume();
        } else {
            updateStatusLine();
        }
        return;
    }
    if (awaySinceMs) {
        if (naturalRestsOn()) {
            pollIdleTimeIfDue();
        } else {
            // Natural rests were switched off meanwhile: the countdown goes on.
            awaySinceMs.reset();
            output.releaseReminders();
        }
        updateStatusLine();
        return;
    }
    if (workRemaining >= 1) {
        countDownWork();
    } else {
        restDue();
    }
}

void RestCycle::countDownWork() {
    --workRemaining;
    updateStatusLine();
    if (workRemaining == 60) {
        output.restApproaching();
    }
    pollIdleTimeIfDue();
}

void RestCycle::restDue() {
    const bool doNotDisturb =
        services.preferences.value(Settings::doNotDisturbFullScreenEnabled).value_or(true);
    const qint64 now = nowMs();
    if (heldSinceMs) {
        if (now < nextFullScreenCheckMs) {
            updateStatusLine();
            return;
        }
        if (doNotDisturb && now - *heldSinceMs < fullScreenLongestHoldSeconds * 1000 &&
            output.otherProgramFullScreen()) {
            nextFullScreenCheckMs += fullScreenRecheckSeconds * 1000;
            return;
        }
    } else if (doNotDisturb && output.otherProgramFullScreen()) {
        // A video call or a presentation: the rest waits, a minute at a time.
        heldSinceMs = now;
        nextFullScreenCheckMs = now + fullScreenRecheckSeconds * 1000;
        updateStatusLine();
        return;
    }
    startRest(StatsEventSource::scheduled);
}

void RestCycle::triggerRestNow() {
    if (!resting) {
        startRest(StatsEventSource::manual);
    }
}

void RestCycle::startRest(StatsEventSource restSource) {
    if (resting) {
        return;
    }
    heldSinceMs.reset();
    awaySinceMs.reset();
    resting = true;
    restRemaining = rest;
    transientMessage.reset();
    updateStatusLine();
    sessionId = QUuid::createUuid().toString(QUuid::WithoutBraces).toUpper();
    source = restSource;
    services.stats.record(StatsEventType::restStarted, source, sessionId, restStatsPayload(0, 0),
                          services.clock.now());
    output.showRest();
}

void RestCycle::stopRest(const std::optional<QString>& skipMessage) {
    if (!resting) {
        return;
    }
    const qint64 left = std::max<qint64>(restRemaining, 0);
    const qint64 done = rest - left;
    services.stats.record(skipMessage ? StatsEventType::restSkipped : StatsEventType::restCompleted, source,
                          sessionId, restStatsPayload(std::max<qint64>(done, 0), skipMessage ? left : 0),
                          services.clock.now());
    sessionId.reset();
    output.hideRest();
    resting = false;
    setWorkRemaining(work);
    updateStatusLine();
    setTransientStatus(skipMessage ? *skipMessage : randomElement(restEndMessages()), transientSeconds);
    if (!holdsReminders()) {
        output.releaseReminders();
    }
}

void RestCycle::setTransientStatus(const QString& message, double seconds) {
    transientMessage = message;
    transientExpiresMs = nowMs() + static_cast<qint64>(seconds * 1000.0);
    publish(message);
}

void RestCycle::updateStatusLine() {
    if (transientMessage) {
        if (nowMs() < transientExpiresMs) {
            publish(*transientMessage);
            return;
        }
        transientMessage.reset();
    }
    if (resting) {
        publish(restingLine);
    } else if (pauseEnd) {
        publish(pausedLine.arg(pauseEnd->toString(QStringLiteral("HH:mm"))));
    } else if (heldSinceMs) {
        publish(fullScreenLine);
    } else {
        publish(statusTitle(workRemaining));
    }
}

void RestCycle::publish(const QString& line) {
    RestCycleStatus next;
    next.line = line;
    if (resting) {
        next.state = RestCycleStatus::State::resting;
    } else if (pauseEnd) {
        next.state = RestCycleStatus::State::paused;
    } else if (awaySinceMs) {
        next.state = RestCycleStatus::State::idle;
    }
    next.workPercent =
        resting || work <= 0
            ? 100
            : static_cast<int>(std::clamp<qint64>((work - workRemaining) * 100 / work, 0, 100));
    if (next != current) {
        current = next;
        Q_EMIT statusChanged();
    }
}

// --- away from the screen

void RestCycle::setIdleTimeAvailable(bool available) {
    idleTimeAvailable = available;
}

bool RestCycle::naturalRestsOn() const {
    return idleTimeAvailable && services.preferences.value(Settings::naturalRestEnabled).value_or(true);
}

qint64 RestCycle::idleThresholdMs() const {
    return services.preferences.value(Settings::naturalRestIdleMinutes).value_or(5) * 60 * 1000;
}

void RestCycle::pollIdleTimeIfDue() {
    if (!naturalRestsOn() || ++ticksSinceIdlePoll < idlePollTicks) {
        return;
    }
    ticksSinceIdlePoll = 0;
    output.measureIdleTime();
}

void RestCycle::setIdleTime(qint64 idleMs) {
    // Only a running countdown knows absences: a rest, a pause or a held rest has its own course.
    if (!naturalRestsOn() || resting || pauseEnd || heldSinceMs) {
        return;
    }
    const qint64 now = nowMs();
    if (awaySinceMs) {
        if (idleMs < idleThresholdMs()) {
            comeBack(now - idleMs);
        }
        return;
    }
    if (idleMs < idleThresholdMs()) {
        return; // reading is eye work too
    }
    // The countdown stops where it stood when the idleness began, though never
    // before this work period began.
    const qint64 began = now - idleMs;
    const qint64 counted = now - std::max(began, workStartedMs);
    workRemainingWhenAway = std::min(work, workRemaining + (counted + 500) / 1000);
    workRemaining = workRemainingWhenAway;
    awaySinceMs = began;
    updateStatusLine();
}

void RestCycle::comeBack(qint64 returnedAtMs) {
    const qint64 absenceMs = returnedAtMs - *awaySinceMs;
    awaySinceMs.reset();
    if (absenceMs >= rest * 1000) {
        setWorkRemaining(work);
        const qint64 minutes = std::max<qint64>(1, (absenceMs + 30 * 1000) / (60 * 1000));
        setTransientStatus(naturalRestLine.arg(minutes), transientSeconds);
    } else {
        workRemaining = workRemainingWhenAway;
        updateStatusLine();
    }
    output.releaseReminders();
}

void RestCycle::systemPaused() {
    if (!sleptAt) {
        sleptAt = services.clock.now();
        sleptAtMs = nowMs();
    }
}

void RestCycle::systemResumed() {
    if (!sleptAt) {
        return;
    }
    // The monotonic clock stands still while the system sleeps; the wall clock does not.
    const qint64 awayMs = sleptAt->msecsTo(services.clock.now());
    const qint64 asleepMs = awayMs - (nowMs() - sleptAtMs);
    sleptAt.reset();
    if (!naturalRestsOn() || resting || pauseEnd || heldSinceMs || asleepMs <= 0) {
        return;
    }
    // A short sleep is an absence only when the user was already away.
    if (!awaySinceMs && asleepMs < idleThresholdMs()) {
        return;
    }
    // No tick and no idle time counted the sleep, but the user was away all
    // along; waking the machine is coming back.
    if (awaySinceMs) {
        *awaySinceMs -= asleepMs;
    } else {
        awaySinceMs = nowMs() - awayMs;
        workRemainingWhenAway = workRemaining;
    }
    comeBack(nowMs());
}

// --- pause

QDateTime RestCycle::nextMorning(const QDateTime& now) {
    QDateTime morning(now.date(), QTime(6, 0));
    return morning > now ? morning : QDateTime(now.date().addDays(1), QTime(6, 0));
}

const QList<RestCycle::PauseLength>& RestCycle::pauseLengths() {
    static const QList<PauseLength> lengths = {
        {QStringLiteral("30m"), QStringLiteral("30 分钟"), 30 * 60},
        {QStringLiteral("1h"), QStringLiteral("1 小时"), 60 * 60},
        {QStringLiteral("2h"), QStringLiteral("2 小时"), 2 * 60 * 60},
        {QStringLiteral("tomorrow"), QStringLiteral("直到明天"), 0},
    };
    return lengths;
}

std::optional<QDateTime> RestCycle::pauseEndFor(const QString& name, const QDateTime& now) {
    for (const PauseLength& length : pauseLengths()) {
        if (length.name == name) {
            return length.seconds > 0 ? now.addSecs(length.seconds) : nextMorning(now);
        }
    }
    return std::nullopt;
}

void RestCycle::pauseUntil(const QDateTime& end) {
    pauseEnd = end;
    services.preferences.setValue(Settings::restPausedUntil, end);
    awaySinceMs.reset();
    heldSinceMs.reset();
    transientMessage.reset(); // the choice shows at once
    updateStatusLine();
}

void RestCycle::resume() {
    if (!pauseEnd) {
        return;
    }
    pauseEnd.reset();
    services.preferences.remove(Settings::restPausedUntil);
    setWorkRemaining(work);
    transientMessage.reset();
    updateStatusLine();
    if (!holdsReminders()) {
        output.releaseReminders();
    }
}
