#pragma once

#include <QHash>
#include <QObject>
#include <QRect>

#include <functional>

class Clock;
class QWidget;
class Timer;
class Transition;

// Drives the short transitions of a widget: every 0.03 s it repaints the
// area each running transition covers, and only that; with nothing running
// its timer stands still. A transition that moves something marks the union
// of the places it moves through.
class AnimationTicker : public QObject {
    Q_OBJECT
public:
    static constexpr double frameSeconds = 0.03;

    AnimationTicker(Clock& clock, QWidget* target);

    // Repaints the area (target coordinates) now, on every frame until the
    // transition comes to rest, and once after. Calling it again for the same
    // transition replaces its area.
    void animate(const Transition& transition, const QRect& area);
    // The same for an animation that is not a Transition, ending at `until`
    // (clock seconds); key tells animations apart.
    void animate(const void* key, const QRect& area, double until);
    bool isRunning() const { return !running.isEmpty(); }

    // Called on every frame before the repaints, with the clock time.
    std::function<void(double)> onFrame;

private:
    struct Run {
        QRect area;
        double until;
    };
    void frame();

    Clock& clock;
    QWidget* target;
    QHash<const void*, Run> running;
    Timer* timer;
};
