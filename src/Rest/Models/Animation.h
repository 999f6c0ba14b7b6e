#pragma once

class Clock;

// Time-based easing for the overlay's small transitions. Values are computed
// from the clock on each repaint, so the transitions follow the injectable
// Clock like every other timer of the overlay.
namespace Animation {

// Seconds on the clock, for comparing animation start times.
double now(const Clock& clock);

// The standard ease curves: cubic Béziers (0.42, 0, 0.58, 1) and (0, 0, 0.58, 1).
double easeInOut(double t);
double easeOut(double t);

// A damped spring released from 0 towards 1: response is the undamped period
// in seconds, dampingFraction 1 is critical damping. Overshoots when below 1.
double spring(double seconds, double response, double dampingFraction);
// Seconds after which the spring stays within a thousandth of its target.
double springSettleTime(double response, double dampingFraction);

// A position on a forever repeating, reversing ease-in-out of the given
// duration per leg: 0 at start, 1 after one leg, 0 again after two.
double reversingEaseInOut(double seconds, double legDuration);

} // namespace Animation

// One animated number: jumps or moves from its current value to a target.
class Transition {
public:
    enum class Curve { Linear, EaseInOut, EaseOut, Spring };

    explicit Transition(double initial = 0)
        : from(initial)
        , to(initial) {}

    void set(double value);
    // Starts from wherever the value is at `now`. For Spring, duration is the
    // response and dampingFraction applies.
    void animateTo(double target, double now, Curve curve, double duration, double dampingFraction = 1);

    double value(double now) const;
    double target() const { return to; }
    bool isRunning(double now) const;
    // Clock seconds at which the value comes to rest.
    double endsAt() const;

private:
    double progress(double now) const;

    double from;
    double to;
    double startedAt = 0;
    double duration = 0;
    double damping = 1;
    Curve curve = Curve::EaseInOut;
};
