#pragma once

#include <QDateTime>
#include <QObject>

#include <functional>

// A timer handed out by a Clock. Intervals are seconds as doubles; the first
// timeout comes one interval after start().
class Timer : public QObject {
    Q_OBJECT
public:
    using QObject::QObject;
    virtual void start(double intervalSeconds, bool repeating) = 0;
    virtual void stop() = 0;
    virtual bool isActive() const = 0;

Q_SIGNALS:
    void timeout();
};

// The one source of time and timers. main() makes the system clock and hands
// it to everything that reads the time or starts a timer, so tests can hand
// in a fake one and run a twenty-minute work period in milliseconds.
class Clock {
public:
    virtual ~Clock() = default;

    virtual QDateTime now() const = 0;
    // The timer is owned by parent and dies with it.
    virtual Timer* createTimer(QObject* parent) = 0;

    // Calls fn once after the delay unless context is destroyed first.
    void callLater(QObject* context, double delaySeconds, std::function<void()> fn);
};

class SystemClock final : public Clock {
public:
    QDateTime now() const override;
    Timer* createTimer(QObject* parent) override;
};
