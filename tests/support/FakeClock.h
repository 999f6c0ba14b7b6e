#pragma once

#include "Platform/Clock.h"

#include <QList>
#include <QPointer>

// A clock that stands still until a test advances it. Advancing fires every
// due timer in time order, with now() set to each timer's due time.
class FakeClock final : public Clock {
public:
    // A Monday morning.
    static inline const QDateTime defaultStart{QDate(2026, 3, 2), QTime(9, 0)};

    explicit FakeClock(QDateTime start = defaultStart);
    ~FakeClock() override;

    QDateTime now() const override { return current; }
    Timer* createTimer(QObject* parent) override;

    void advance(double seconds);
    void advanceTo(const QDateTime& target);
    // Moves the time without firing timers, as a system clock change would.
    void setNow(const QDateTime& time) { current = time; }
    // Number of timers currently running.
    int activeTimerCount() const;

private:
    friend class FakeTimer;
    QDateTime current;
    QList<QPointer<class FakeTimer>> timers;
    quint64 nextSequence = 0;
};
