#pragma once

#include <QDateTime>
#include <QObject>

#include <functional>
#include <memory>

class FrameTimers;

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

    // The wall-clock time: what to show and store. It jumps when the system
    // time is corrected or changed, and stands still during suspend.
    virtual QDateTime now() const = 0;
    // Milliseconds on a clock that never jumps, from an arbitrary origin: for
    // measuring durations, which must not stretch or shrink when the wall
    // clock is corrected. Timers run on this clock.
    virtual qint64 monotonicMs() const = 0;
    // The timer is owned by parent and dies with it.
    virtual Timer* createTimer(QObject* parent) = 0;
    // The same for an animation's rhythm: its timeouts may come up to a frame
    // late, so that the rhythms of one screen share their repaints (see
    // FrameTimers). By default it is a plain timer.
    virtual Timer* createFrameTimer(QObject* parent) { return createTimer(parent); }

    // Calls fn once after the delay unless context is destroyed first.
    void callLater(QObject* context, double delaySeconds, std::function<void()> fn);
};

class SystemClock final : public Clock {
public:
    SystemClock();
    ~SystemClock() override;

    QDateTime now() const override;
    qint64 monotonicMs() const override;
    Timer* createTimer(QObject* parent) override;
    Timer* createFrameTimer(QObject* parent) override;

private:
    std::unique_ptr<FrameTimers> frames;
};
