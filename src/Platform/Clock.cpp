#include "Platform/Clock.h"

#include "Platform/FrameTimers.h"

#include <QTimer>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <limits>

namespace {

class SystemTimer final : public Timer {
public:
    explicit SystemTimer(QObject* parent)
        : Timer(parent) {
        // Precise timers keep the 0.03 s and 0.05 s animation ticks even.
        timer.setTimerType(Qt::PreciseTimer);
        QObject::connect(&timer, &QTimer::timeout, this, &Timer::timeout);
    }

    void start(double intervalSeconds, bool repeating) override {
        timer.setSingleShot(!repeating);
        // QTimer takes int milliseconds; a delay beyond ~24 days waits the longest it can.
        const double ms = std::clamp(intervalSeconds * 1000.0, 0.0, double(std::numeric_limits<int>::max()));
        timer.start(static_cast<int>(std::llround(ms)));
    }
    void stop() override { timer.stop(); }
    bool isActive() const override { return timer.isActive(); }

private:
    QTimer timer;
};

} // namespace

void Clock::callLater(QObject* context, double delaySeconds, std::function<void()> fn) {
    Timer* timer = createTimer(context);
    QObject::connect(timer, &Timer::timeout, timer, [timer, fn = std::move(fn)] {
        timer->deleteLater();
        fn();
    });
    timer->start(delaySeconds, false);
}

SystemClock::SystemClock() = default;

SystemClock::~SystemClock() = default;

QDateTime SystemClock::now() const {
    return QDateTime::currentDateTime();
}

qint64 SystemClock::monotonicMs() const {
    const auto since = std::chrono::steady_clock::now().time_since_epoch();
    return std::chrono::duration_cast<std::chrono::milliseconds>(since).count();
}

Timer* SystemClock::createTimer(QObject* parent) {
    return new SystemTimer(parent);
}

Timer* SystemClock::createFrameTimer(QObject* parent) {
    if (!frames) {
        frames = std::make_unique<FrameTimers>(*this);
    }
    return frames->createTimer(parent);
}
