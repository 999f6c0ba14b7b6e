#include "Platform/FrameTimers.h"

#include "support/FakeClock.h"

#include <QTest>

#include <map>
#include <set>

namespace {

struct Rhythm {
    qint64 startMs;
    qint64 intervalMs;
    bool repeating;
};

} // namespace

Q_DECLARE_METATYPE(QList<Rhythm>)

// The rhythms of a rest share frames: every timeout lands on a 30 ms frame,
// never before it is due (counted from the frame at or before its start)
// and less than a frame after, so the slow ones add no wakeups to the
// fireflies' frames.
class FrameTimersTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void timeoutsShareFrames_data() {
        QTest::addColumn<QList<Rhythm>>("rhythms");
        QTest::addColumn<int>("wakeups");
        QTest::newRow("fireflies alone") << QList<Rhythm>{{0, 30, true}} << 20;
        QTest::newRow("breath, glow step and arc on the fireflies' frames")
            << QList<Rhythm>{{0, 30, true}, {0, 100, true}, {45, 100, false}, {101, 30, true}} << 20;
        // Both count from 0: 100, 200 ... fall on 120, 210, 300, 420, 510, 600.
        QTest::newRow("two slow rhythms without fireflies")
            << QList<Rhythm>{{0, 100, true}, {10, 100, true}} << 6;
        QTest::newRow("started off the frames") << QList<Rhythm>{{7, 100, false}} << 1;
    }
    void timeoutsShareFrames() {
        QFETCH(QList<Rhythm>, rhythms);
        QFETCH(int, wakeups);
        constexpr qint64 endMs = 600;
        FakeClock clock;
        FrameTimers frames(clock);
        std::map<int, QList<qint64>> fired;
        std::set<qint64> woke;
        for (int i = 0; i < rhythms.size(); ++i) {
            const Rhythm& rhythm = rhythms.at(i);
            clock.advance(static_cast<double>(rhythm.startMs - clock.monotonicMs()) / 1000);
            Timer* timer = frames.createTimer(&frames);
            connect(timer, &Timer::timeout, this, [&, i] {
                fired[i].append(clock.monotonicMs());
                woke.insert(clock.monotonicMs());
            });
            timer->start(static_cast<double>(rhythm.intervalMs) / 1000, rhythm.repeating);
        }
        clock.advance(static_cast<double>(endMs - clock.monotonicMs()) / 1000);

        for (int i = 0; i < rhythms.size(); ++i) {
            const Rhythm& rhythm = rhythms.at(i);
            // Counted from the frame at or before the start.
            const qint64 from = rhythm.startMs - rhythm.startMs % FrameTimers::frameMs;
            qint64 due = from + rhythm.intervalMs;
            for (const qint64 at : fired[i]) {
                QCOMPARE(at % FrameTimers::frameMs, 0);
                QVERIFY2(at >= due && at < due + FrameTimers::frameMs, qPrintable(QString::number(at)));
                due += rhythm.intervalMs;
            }
            // None was left out: the next one falls after the end.
            const qint64 next = from + rhythm.intervalMs * (fired[i].size() + 1);
            QVERIFY(rhythm.repeating ? next > endMs : fired[i].size() == 1);
        }
        QCOMPARE(int(woke.size()), wakeups);
    }

    void aTimeoutMayStopOrDeleteAnother() {
        FakeClock clock;
        FrameTimers frames(clock);
        Timer* first = frames.createTimer(nullptr);
        Timer* deleted = frames.createTimer(nullptr);
        Timer* stopped = frames.createTimer(&frames);
        int lateTimeouts = 0;
        connect(first, &Timer::timeout, this, [&] {
            delete deleted;
            stopped->stop();
        });
        connect(deleted, &Timer::timeout, this, [&] { ++lateTimeouts; });
        connect(stopped, &Timer::timeout, this, [&] { ++lateTimeouts; });
        first->start(0.03, false);
        deleted->start(0.03, true);
        stopped->start(0.025, true); // due in the same frame
        clock.advance(1);
        QCOMPARE(lateTimeouts, 0);
        QVERIFY(!stopped->isActive());
        delete first;
    }
};

QTEST_GUILESS_MAIN(FrameTimersTest)
#include "tst_frametimers.moc"
