#include "support/FakeClock.h"

#include <algorithm>
#include <cmath>
#include <limits>

class FakeTimer final : public Timer {
public:
    FakeTimer(FakeClock* clock, QObject* parent)
        : Timer(parent)
        , clock(clock) {}

    void start(double intervalSeconds, bool repeat) override {
        // A zero interval would fire forever within one advance.
        intervalMs = std::max<qint64>(1, std::llround(intervalSeconds * 1000.0));
        repeating = repeat;
        dueMs = clock->monotonic + intervalMs;
        sequence = clock->nextSequence++;
        active = true;
    }
    void stop() override { active = false; }
    bool isActive() const override { return active; }

    FakeClock* clock;
    qint64 intervalMs = 0;
    qint64 dueMs = 0;
    quint64 sequence = 0;
    bool repeating = false;
    bool active = false;
};

FakeClock::FakeClock(QDateTime start)
    : current(std::move(start)) {}

FakeClock::~FakeClock() = default;

Timer* FakeClock::createTimer(QObject* parent) {
    auto* timer = new FakeTimer(this, parent);
    timers.append(timer);
    return timer;
}

void FakeClock::advance(double seconds) {
    advanceTo(current.addMSecs(std::llround(seconds * 1000.0)));
}

void FakeClock::advanceTo(const QDateTime& target) {
    const qint64 wallOffset = current.toMSecsSinceEpoch() - monotonic;
    const qint64 targetMs = target.toMSecsSinceEpoch() - wallOffset;
    for (;;) {
        timers.removeIf([](const QPointer<FakeTimer>& t) { return t.isNull(); });
        FakeTimer* next = nullptr;
        for (const auto& t : timers) {
            if (!t->active || t->dueMs > targetMs) {
                continue;
            }
            if (!next || t->dueMs < next->dueMs ||
                (t->dueMs == next->dueMs && t->sequence < next->sequence)) {
                next = t;
            }
        }
        if (!next) {
            break;
        }
        monotonic = next->dueMs;
        current = QDateTime::fromMSecsSinceEpoch(next->dueMs + wallOffset, target.timeSpec());
        if (next->repeating) {
            next->dueMs += next->intervalMs;
            next->sequence = nextSequence++;
        } else {
            next->active = false;
        }
        Q_EMIT next->timeout();
    }
    monotonic = std::max(monotonic, targetMs);
    current = target;
}

int FakeClock::activeTimerCount() const {
    return static_cast<int>(std::count_if(timers.begin(), timers.end(),
                                          [](const QPointer<FakeTimer>& t) { return t && t->active; }));
}
