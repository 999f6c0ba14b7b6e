#pragma once

#include "Platform/Clock.h"

#include <QList>
#include <QPointer>

// A clock that stands still until a test advances it. Advancing moves the
// wall clock and the monotonic clock together and fires every due timer in
// time order, with the time set to each timer's due time. Timers run on the
// monotonic clock, as real ones do, so setNow() (a wall-clock jump) moves
// no timer.
class FakeClock final : public Clock {
public:
    // A Monday morning.
    static inline const QDateTime defaultStart{QDate(2026, 3, 2), QTime(9, 0)};

    explicit FakeClock(QDateTime start = defaultStart);
    ~FakeClock() override;

    QDateTime now() const override { return current; }
    qint64 monotonicMs() const override { return monotonic; }
    Timer* createTimer(QObject* parent) override;

    void advance(double seconds);
    void advanceTo(const QDateTime& target);
    // Moves the wall clock only, as a system clock change would: no timer fires
    // and the monotonic clock stays where it is.
    void setNow(const QDateTime& time) { current = time; }
    // Number of timers currently running.
    int activeTimerCount() const;

private:
    friend class FakeTimer;
    QDateTime current;
    qint64 monotonic = 0;
    QList<QPointer<class FakeTimer>> timers;
    quint64 nextSequence = 0;
};

// A local time in March 2026, the month the clock starts in.
inline QDateTime at(int day, int hour, int minute, int second = 0) {
    return QDateTime(QDate(2026, 3, day), QTime(hour, minute, second));
}
