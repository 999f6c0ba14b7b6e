#include "Platform/FrameTimers.h"

#include <algorithm>
#include <cmath>
#include <optional>

class FrameTimer final : public Timer {
public:
    FrameTimer(FrameTimers* frames, QObject* parent)
        : Timer(parent)
        , frames(frames) {}
    ~FrameTimer() override {
        if (frames) {
            frames->timers.removeAll(this);
        }
    }

    void start(double intervalSeconds, bool repeat) override {
        if (!frames) {
            return;
        }
        intervalMs = std::max<qint64>(1, std::llround(intervalSeconds * 1000.0));
        repeating = repeat;
        // Counted from the frame just gone: a 0.03 s transition started
        // between frames moves on the next one, not the one after.
        const qint64 now = frames->clock.monotonicMs();
        dueMs = now - now % FrameTimers::frameMs + intervalMs;
        active = true;
        frames->schedule();
    }
    // The waker may still come once for nothing; it finds no one due.
    void stop() override { active = false; }
    bool isActive() const override { return active; }

    QPointer<FrameTimers> frames;
    qint64 intervalMs = 0;
    qint64 dueMs = 0;
    bool repeating = false;
    bool active = false;
};

FrameTimers::FrameTimers(Clock& clock)
    : clock(clock)
    , waker(clock.createTimer(nullptr)) {
    connect(waker.get(), &Timer::timeout, this, &FrameTimers::wake);
}

FrameTimers::~FrameTimers() = default;

Timer* FrameTimers::createTimer(QObject* parent) {
    auto* timer = new FrameTimer(this, parent);
    timers.append(timer);
    return timer;
}

qint64 FrameTimers::frameAtOrAfter(qint64 ms) {
    const qint64 frames = ms / frameMs + (ms % frameMs > 0 ? 1 : 0);
    return frames * frameMs;
}

void FrameTimers::schedule() {
    std::optional<qint64> next;
    for (const QPointer<FrameTimer>& timer : std::as_const(timers)) {
        if (timer && timer->active) {
            next = std::min(next.value_or(timer->dueMs), timer->dueMs);
        }
    }
    if (!next) {
        waker->stop();
        return;
    }
    const qint64 wait = std::max<qint64>(0, frameAtOrAfter(*next) - clock.monotonicMs());
    waker->start(static_cast<double>(wait) / 1000.0, false);
}

void FrameTimers::wake() {
    const qint64 now = clock.monotonicMs();
    // A timeout may start, stop or delete any timer, this one included.
    const QList<QPointer<FrameTimer>> due = timers;
    for (const QPointer<FrameTimer>& timer : due) {
        if (!timer || !timer->active || frameAtOrAfter(timer->dueMs) > now) {
            continue;
        }
        if (timer->repeating) {
            timer->dueMs += timer->intervalMs;
            // After a long stall it goes on from now rather than catching up.
            if (frameAtOrAfter(timer->dueMs) <= now) {
                timer->dueMs = now + timer->intervalMs;
            }
        } else {
            timer->active = false;
        }
        Q_EMIT timer->timeout();
    }
    schedule();
}
