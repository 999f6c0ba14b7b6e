#include "Application/Cycle/RestCycle.h"
#include "Platform/Settings.h"
#include "support/ServicesFixture.h"

#include <QSignalSpy>
#include <QTest>

#include <memory>

using namespace Qt::StringLiterals;

namespace {

// Stands in for the delegate: records every call in order, answers the
// full-screen question as told, and measures idle time from the last input.
struct Recorder final : RestCycleOutput {
    void showRest() override { calls << u"show"_s; }
    void hideRest() override { calls << u"hide"_s; }
    void releaseReminders() override { calls << u"release"_s; }
    void restApproaching() override { calls << u"approaching"_s; }
    bool otherProgramFullScreen() override { return fullScreen; }
    void measureIdleTime() override {
        calls << u"measure"_s;
        if (answer) {
            answer();
        }
    }

    QStringList calls;
    bool fullScreen = false;
    std::function<void()> answer;
};

// A cycle on the fake clock with a one-second heartbeat, as the delegate runs it.
struct Fixture : ServicesFixture {
    explicit Fixture(qint64 work = 1200, qint64 rest = 20, bool idleTime = false,
                     const QDateTime& start = FakeClock::defaultStart)
        : ServicesFixture(start) {
        make(work, rest, idleTime);
        out.answer = [this] { cycle->setIdleTime(clock.monotonicMs() - lastInputMs); };
    }
    // A new cycle, as after a restart.
    void make(qint64 work, qint64 rest, bool idleTime) {
        heartbeat.reset(new QObject);
        cycle = std::make_unique<RestCycle>(RestCycle::Services{clock, prefs, store}, out);
        cycle->setRhythm(work, rest);
        cycle->setIdleTimeAvailable(idleTime);
        cycle->restartWorkPeriod();
        Timer* timer = clock.createTimer(heartbeat.get());
        QObject::connect(timer, &Timer::timeout, heartbeat.get(), [this] { cycle->tick(); });
        timer->start(1.0, true);
    }
    void input() { lastInputMs = clock.monotonicMs(); }
    QString line() const { return cycle->status().line; }
    QString state() const { return RestCycleStatus::name(cycle->status().state); }
    qint64 remaining() const { return cycle->workSecondsRemaining(); }
    int count(const QString& call) const { return static_cast<int>(out.calls.count(call)); }

    Recorder out;
    std::unique_ptr<QObject> heartbeat;
    std::unique_ptr<RestCycle> cycle;
    qint64 lastInputMs = 0;
};

} // namespace

class RestCycleTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    // The one template the cycle's lines below never show, and a count past 99 minutes.
    void statusTemplatesFollowTheMinute_data() {
        QTest::addColumn<int>("seconds");
        QTest::addColumn<QString>("title");
        QTest::newRow("2:00") << 120 << u"🧃 再营业 02:00 就强制充电"_s;
        QTest::newRow("240:00") << 14400 << u"⏳ 距离眼睛下班还有 240:00"_s;
    }
    void statusTemplatesFollowTheMinute() {
        QFETCH(int, seconds);
        QTEST(RestCycle::statusTitle(seconds), "title");
    }

    void twentyMinuteRhythmTickByTick() {
        Fixture f;
        QSignalSpy changes(f.cycle.get(), &RestCycle::statusChanged);
        f.clock.advance(600);
        QCOMPARE(changes.size(), 600); // one new line a second
        QCOMPARE(f.cycle->status().workPercent, 50);
        QCOMPARE(f.state(), u"working"_s);
        f.clock.advance(600);
        QVERIFY(!f.cycle->isResting());
        QCOMPARE(f.line(), u"⏳ 距离眼睛下班还有 00:00"_s);
        QCOMPARE(f.out.calls, QStringList{u"approaching"_s}); // at 01:00, once

        f.clock.advance(1); // tick 1201
        QVERIFY(f.cycle->isResting());
        const QString session = f.cycle->currentRestSessionId().value_or(QString());
        QCOMPARE(session.size(), 36);
        QCOMPARE(session, session.toUpper());
        QCOMPARE(f.line(), u"💆 眼睛已申请强制下线，正在闭眼充能"_s);
        QCOMPARE(f.state(), u"resting"_s);
        QCOMPARE(f.out.calls.last(), u"show"_s);
        QCOMPARE(f.events().size(), 1);
        QCOMPARE(f.events().at(0).timestamp, at(2, 9, 20, 1));

        f.clock.advance(20); // ticks 1202…1221
        QVERIFY(f.cycle->isResting());
        QCOMPARE(f.cycle->restSecondsRemaining(), 0);
        f.clock.advance(1); // tick 1222
        QVERIFY(!f.cycle->isResting());
        QVERIFY(!f.cycle->currentRestSessionId());
        QCOMPARE(f.out.calls.mid(2), (QStringList{u"hide"_s, u"release"_s}));
        const QStringList restEnd = {u"✅ 充能完成，继续营业"_s, u"✅ 眼睛回血完成，下一轮轻点卷"_s,
                                     u"✅ 休息打卡成功，状态条回了一点"_s, u"✅ 护眼回合结束，继续但别硬撑"_s};
        QVERIFY2(restEnd.contains(f.line()), qPrintable(f.line()));
        const QList<StatsEvent> events = f.events();
        for (const StatsEvent& event : events) {
            QCOMPARE(event.sessionId, session);
        }
        QCOMPARE(eventLine(events.at(0)), u"rest_started/scheduled actualSeconds=0 plannedSeconds=20 "
                                          u"skippedSeconds=0 theme=aurora workDurationSeconds=1200"_s);
        QCOMPARE(eventLine(events.at(1)), u"rest_completed/scheduled actualSeconds=20 plannedSeconds=20 "
                                          u"skippedSeconds=0 theme=aurora workDurationSeconds=1200"_s);
        f.clock.advance(5);
        QCOMPARE(f.line(), u"💼 打工续航还剩 19:55"_s);
    }

    void skipRecordsTheSecondsLeft() {
        Fixture f;
        f.cycle->triggerRestNow();
        QCOMPARE(f.cycle->currentRestSource(), StatsEventSource::manual);
        const std::optional<QString> session = f.cycle->currentRestSessionId();
        f.cycle->triggerRestNow(); // already resting: nothing
        QCOMPARE(f.cycle->currentRestSessionId(), session);
        f.clock.advance(8);
        f.prefs.setValue(Settings::selectedTheme, u"ultraman"_s);
        f.cycle->stopRest(u"跳过也行，下次别硬扛"_s);
        QCOMPARE(f.events().last().sessionId, session);
        QCOMPARE(eventLine(f.events().last()),
                 u"rest_skipped/manual actualSeconds=8 plannedSeconds=20 "
                 u"skippedSeconds=12 theme=ultraman workDurationSeconds=1200"_s);
        QCOMPARE(f.line(), u"跳过也行，下次别硬扛"_s);
        // A second screen reporting the same skip changes nothing.
        f.cycle->stopRest(u"另一块屏幕"_s);
        QCOMPARE(f.line(), u"跳过也行，下次别硬扛"_s);
        QCOMPARE(f.events().size(), 2);
    }

    // A message lasts its seconds on the monotonic clock, whatever the wall clock does.
    void transientMessageLastsItsSeconds_data() {
        QTest::addColumn<int>("wallJump");
        QTest::newRow("steady clock") << 0;
        QTest::newRow("clock set an hour ahead") << 3600;
        QTest::newRow("clock set an hour back") << -3600;
    }
    void transientMessageLastsItsSeconds() {
        QFETCH(int, wallJump);
        Fixture f;
        f.clock.advance(10.5);
        f.cycle->setTransientStatus(u"稍等"_s, 5.0);
        QCOMPARE(f.line(), u"稍等"_s);
        f.clock.setNow(f.clock.now().addSecs(wallJump));
        f.clock.advance(4.5); // tick at 15 s: half a second short of the end
        QCOMPARE(f.line(), u"稍等"_s);
        f.clock.advance(1.0);
        QCOMPARE(f.line(), u"💼 打工续航还剩 19:44"_s);
    }

    void idleTimeIsAskedEveryFiveSecondsOfWorkOnly() {
        Fixture f(60, 5, true);
        f.clock.advance(59);
        QCOMPARE(f.count(u"measure"_s), 11);
        f.clock.advance(10); // the rest, measured before it and not during it
        QCOMPARE(f.count(u"hide"_s), 1);
        QCOMPARE(f.count(u"measure"_s), 12);
        f.prefs.setValue(Settings::naturalRestEnabled, false);
        f.out.calls.clear();
        f.clock.advance(30);
        QCOMPARE(f.count(u"measure"_s), 0);
    }

    // Input stops after 100 s of work; after the absence, input again, seen 5 s later.
    void absences_data() {
        QTest::addColumn<int>("work");
        QTest::addColumn<int>("rest");
        QTest::addColumn<int>("idleMinutes");
        QTest::addColumn<bool>("enabled");
        QTest::addColumn<bool>("available");
        QTest::addColumn<int>("absent");
        QTest::addColumn<bool>("away");
        QTest::addColumn<int>("remaining");
        QTest::addColumn<QString>("line");
        QTest::newRow("reading below the idle time is work")
            << 1200 << 20 << 5 << true << true << 240 << false << 855 << u"💼 打工续航还剩 14:15"_s;
        QTest::newRow("lunch longer than the rest is one")
            << 1200 << 20 << 5 << true << true << 420 << true << 1200 << u"🌿 离开了 7 分钟，已算作休息"_s;
        QTest::newRow("an idle time of one minute")
            << 1200 << 20 << 1 << true << true << 65 << true << 1200 << u"🌿 离开了 1 分钟，已算作休息"_s;
        QTest::newRow("shorter than a ten-minute rest: goes on")
            << 3600 << 600 << 5 << true << true << 420 << true << 3500 << u"🫡 护眼倒计时 58:20"_s;
        QTest::newRow("natural rests switched off")
            << 1200 << 20 << 5 << false << true << 420 << false << 675 << u"👁 视网膜续航剩 11:15"_s;
        QTest::newRow("no source of idle time")
            << 1200 << 20 << 5 << true << false << 420 << false << 675 << u"👁 视网膜续航剩 11:15"_s;
    }
    void absences() {
        QFETCH(int, work);
        QFETCH(int, rest);
        QFETCH(int, idleMinutes);
        QFETCH(bool, enabled);
        QFETCH(bool, available);
        QFETCH(int, absent);
        QFETCH(bool, away);
        Fixture f(work, rest, available);
        f.prefs.setValue(Settings::naturalRestIdleMinutes, idleMinutes);
        f.prefs.setValue(Settings::naturalRestEnabled, enabled);
        for (int worked = 0; worked < 100; worked += 50) {
            f.input();
            f.clock.advance(50);
        }
        f.input();
        f.clock.advance(absent);
        QCOMPARE(f.cycle->isAway(), away);
        QCOMPARE(f.cycle->holdsReminders(), away);
        if (away) {
            // Stopped where it stood when the idleness began.
            QCOMPARE(f.remaining(), work - 100);
            QCOMPARE(f.state(), u"idle"_s);
        }
        f.input();
        f.clock.advance(5);
        QVERIFY(!f.cycle->isAway());
        QTEST(int(f.remaining()), "remaining");
        QTEST(f.line(), "line");
        QCOMPARE(f.count(u"release"_s), away ? 1 : 0);
        QCOMPARE(f.count(u"measure"_s) > 0, available && enabled);
        QVERIFY(f.events().isEmpty()); // an absence is no rest session
    }

    void idleAcrossARestIsCountedFromItsEnd() {
        Fixture f(1200, 20, true);
        for (int worked = 0; worked < 1100; worked += 100) {
            f.input();
            f.clock.advance(100);
        }
        f.input();
        f.clock.advance(122); // the rest came at 1201 and ended at 1222
        QCOMPARE(f.events().size(), 2);
        f.clock.advance(183); // idle for 305 s: away, but not before the work period began
        QVERIFY(f.cycle->isAway());
        QCOMPARE(f.remaining(), 1200);
        f.clock.advance(95);
        f.input();
        f.clock.advance(5);
        QCOMPARE(f.line(), u"🌿 离开了 7 分钟，已算作休息"_s);
    }

    // The system asleep: the monotonic clock stands still, the wall clock goes on.
    void sleep_data() {
        QTest::addColumn<int>("asleep");
        QTest::addColumn<int>("remaining");
        QTest::addColumn<QString>("line");
        QTest::newRow("half an hour") << 1800 << 1200 << u"🌿 离开了 30 分钟，已算作休息"_s;
        QTest::newRow("shorter than the idle time") << 120 << 1100 << u"🫡 护眼倒计时 18:20"_s;
    }
    void sleep() {
        QFETCH(int, asleep);
        Fixture f(1200, 20, true);
        f.clock.advance(100);
        f.input();
        f.cycle->systemPaused();
        f.clock.setNow(f.clock.now().addSecs(asleep));
        f.cycle->systemResumed();
        f.cycle->systemResumed(); // one wake, several resumes
        QTEST(int(f.remaining()), "remaining");
        QTEST(f.line(), "line");
    }

    // Already away when the lid closes for a few minutes: the sleep adds to the absence,
    // which together lasts the ten-minute rest.
    void shortSleepWhileAwayAddsToTheAbsence() {
        Fixture f(3600, 600, true);
        f.clock.advance(100);
        f.input();
        f.clock.advance(360); // idle since 100 s: away
        QVERIFY(f.cycle->isAway());
        f.cycle->systemPaused();
        f.clock.setNow(f.clock.now().addSecs(240)); // asleep for four minutes
        f.cycle->systemResumed();                   // waking is coming back
        QVERIFY(!f.cycle->isAway());
        QCOMPARE(f.line(), u"🌿 离开了 10 分钟，已算作休息"_s);
    }

    // A rest falls due at tick 1201 while another program is full screen for a while.
    void fullScreenHoldsTheRest_data() {
        QTest::addColumn<bool>("doNotDisturb");
        QTest::addColumn<int>("fullScreenFor");
        QTest::addColumn<int>("startsAfter");
        QTest::newRow("nothing full screen") << true << 0 << 0;
        QTest::newRow("two and a half minutes: the third check") << true << 150 << 180;
        QTest::newRow("sixteen minutes: fifteen at most") << true << 960 << 900;
        QTest::newRow("do not disturb switched off") << false << 960 << 0;
    }
    void fullScreenHoldsTheRest() {
        QFETCH(bool, doNotDisturb);
        QFETCH(int, fullScreenFor);
        QFETCH(int, startsAfter);
        Fixture f;
        f.prefs.setValue(Settings::doNotDisturbFullScreenEnabled, doNotDisturb);
        f.out.fullScreen = fullScreenFor > 0;
        f.clock.callLater(f.heartbeat.get(), 1200.5 + fullScreenFor, [&f] { f.out.fullScreen = false; });
        f.clock.advance(1201);
        if (startsAfter > 0) {
            QVERIFY(!f.cycle->isResting());
            QVERIFY(f.cycle->isHoldingRestForFullScreen());
            QCOMPARE(f.line(), u"🎬 全屏中，休息稍后开始"_s);
            QVERIFY(!f.cycle->holdsReminders()); // a notification covers no screen
            f.clock.advance(startsAfter - 1);
            QVERIFY(!f.cycle->isResting());
        }
        f.clock.advance(1);
        QVERIFY(f.cycle->isResting());
        QCOMPARE(f.events().first().source, StatsEventSource::scheduled);
    }

    void pauseAcrossMidnight() {
        Fixture f(1200, 20, true, at(2, 23, 0));
        f.clock.advance(600);
        f.cycle->pauseUntil(at(2, 23, 10).addSecs(3600));
        QCOMPARE(f.line(), u"⏸ 已暂停，00:10 恢复"_s);
        QCOMPARE(f.state(), u"paused"_s);
        QVERIFY(f.cycle->holdsReminders());
        f.out.calls.clear();
        f.clock.advanceTo(at(3, 0, 9, 59));
        QVERIFY(!f.cycle->isResting());
        QCOMPARE(f.out.calls, QStringList()); // no rest, no measurement
        QCOMPARE(f.line(), u"⏸ 已暂停，00:10 恢复"_s);
        f.clock.advance(1);
        QVERIFY(!f.cycle->pausedUntil());
        QCOMPARE(f.line(), u"⏳ 距离眼睛下班还有 20:00"_s);
        QCOMPARE(f.out.calls, QStringList{u"release"_s});
        QVERIFY(!f.prefs.contains(Settings::restPausedUntil));
        QVERIFY(f.events().isEmpty());
    }

    // A pause outlives a restart, and a sleep past its end ends it at the next tick.
    void pauseSurvivesARestartAndASleep() {
        Fixture f;
        f.cycle->pauseUntil(at(2, 10, 30));
        f.make(1200, 20, true);
        f.clock.advance(600);
        f.cycle->systemPaused();
        f.clock.setNow(at(2, 11, 0));
        f.cycle->systemResumed(); // a pause is no absence
        QVERIFY(f.cycle->pausedUntil());
        QCOMPARE(f.line(), u"⏸ 已暂停，10:30 恢复"_s);
        f.clock.advance(1);
        QVERIFY(!f.cycle->pausedUntil());
        QCOMPARE(f.remaining(), 1200);
        QCOMPARE(f.line(), u"⏳ 距离眼睛下班还有 20:00"_s);

        // Resumed by hand: the work period starts over.
        f.input();
        f.clock.advance(200);
        f.cycle->pauseUntil(at(2, 12, 0));
        f.out.calls.clear();
        f.cycle->resume();
        QCOMPARE(f.remaining(), 1200);
        QCOMPARE(f.out.calls, QStringList{u"release"_s});
    }

    // The lengths the menu and the command line offer; tomorrow ends at 06:00 the next morning.
    void pauseEnds_data() {
        QTest::addColumn<QString>("length");
        QTest::addColumn<QDateTime>("now");
        QTest::addColumn<QDateTime>("end");
        QTest::newRow("30m") << "30m" << at(2, 23, 45) << at(3, 0, 15);
        QTest::newRow("1h") << "1h" << at(2, 14, 0) << at(2, 15, 0);
        QTest::newRow("2h") << "2h" << at(2, 14, 10) << at(2, 16, 10);
        QTest::newRow("tomorrow from office hours") << "tomorrow" << at(2, 14, 0) << at(3, 6, 0);
        QTest::newRow("tomorrow late at night") << "tomorrow" << at(2, 23, 59) << at(3, 6, 0);
        QTest::newRow("tomorrow after midnight") << "tomorrow" << at(3, 1, 30) << at(3, 6, 0);
        QTest::newRow("tomorrow at six") << "tomorrow" << at(3, 6, 0) << at(4, 6, 0);
        QTest::newRow("unknown") << "3h" << at(2, 14, 0) << QDateTime();
        QTest::newRow("empty") << "" << at(2, 14, 0) << QDateTime();
    }
    void pauseEnds() {
        QFETCH(QString, length);
        QFETCH(QDateTime, now);
        QTEST(RestCycle::pauseEndFor(length, now).value_or(QDateTime()), "end");
    }
};

QTEST_GUILESS_MAIN(RestCycleTest)
#include "tst_restcycle.moc"
