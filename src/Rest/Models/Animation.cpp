#include "Rest/Models/Animation.h"

#include "Platform/Clock.h"

#include <QEasingCurve>
#include <QPointF>

#include <algorithm>
#include <cmath>
#include <numbers>

namespace Animation {

double now(const Clock& clock) {
    return static_cast<double>(clock.monotonicMs()) / 1000.0;
}

static QEasingCurve bezier(double x1, double y1, double x2, double y2) {
    QEasingCurve curve(QEasingCurve::BezierSpline);
    curve.addCubicBezierSegment(QPointF(x1, y1), QPointF(x2, y2), QPointF(1, 1));
    return curve;
}

double easeInOut(double t) {
    static const QEasingCurve curve = bezier(0.42, 0, 0.58, 1);
    return curve.valueForProgress(std::clamp(t, 0.0, 1.0));
}

double easeOut(double t) {
    static const QEasingCurve curve = bezier(0, 0, 0.58, 1);
    return curve.valueForProgress(std::clamp(t, 0.0, 1.0));
}

double spring(double seconds, double response, double dampingFraction) {
    if (seconds <= 0) {
        return 0;
    }
    const double omega = 2 * std::numbers::pi / response;
    const double zeta = std::clamp(dampingFraction, 0.0, 1.0);
    const double decay = std::exp(-zeta * omega * seconds);
    if (zeta >= 1) {
        return 1 - decay * (1 + omega * seconds);
    }
    const double damped = omega * std::sqrt(1 - zeta * zeta);
    return 1 - decay * (std::cos(damped * seconds) + zeta * omega / damped * std::sin(damped * seconds));
}

double springSettleTime(double response, double dampingFraction) {
    const double omega = 2 * std::numbers::pi / response;
    // e^{-ζωt}(1 + ωt) bounds the deviation; ln(1000) ≈ 6.9, plus margin for the
    // polynomial factor of critical damping.
    return 9.0 / (std::clamp(dampingFraction, 0.1, 1.0) * omega);
}

double reversingEaseInOut(double seconds, double legDuration) {
    if (seconds <= 0) {
        return 0;
    }
    const double legs = seconds / legDuration;
    const double whole = std::floor(legs);
    const double within = legs - whole;
    const bool returning = static_cast<long long>(whole) % 2 == 1;
    const double eased = easeInOut(within);
    return returning ? 1 - eased : eased;
}

} // namespace Animation

void Transition::set(double value) {
    from = value;
    to = value;
    duration = 0;
}

void Transition::animateTo(double target, double now, Curve newCurve, double newDuration,
                           double dampingFraction) {
    from = value(now);
    to = target;
    startedAt = now;
    curve = newCurve;
    duration = newDuration;
    damping = dampingFraction;
}

double Transition::progress(double now) const {
    const double elapsed = now - startedAt;
    switch (curve) {
    case Curve::Linear:
        return std::clamp(elapsed / duration, 0.0, 1.0);
    case Curve::EaseInOut:
        return Animation::easeInOut(elapsed / duration);
    case Curve::EaseOut:
        return Animation::easeOut(elapsed / duration);
    case Curve::Spring:
        return elapsed >= Animation::springSettleTime(duration, damping)
                   ? 1.0
                   : Animation::spring(elapsed, duration, damping);
    }
    return 1.0;
}

double Transition::value(double now) const {
    if (duration <= 0 || !isRunning(now)) {
        return to;
    }
    return from + (to - from) * progress(now);
}

bool Transition::isRunning(double now) const {
    // Clock times are whole milliseconds; absorb the rounding of their difference.
    return duration > 0 && now < endsAt() - 1e-6;
}

double Transition::endsAt() const {
    if (duration <= 0) {
        return startedAt;
    }
    return startedAt + (curve == Curve::Spring ? Animation::springSettleTime(duration, damping) : duration);
}
