#pragma once

#include <QObject>

#include <functional>

class Clock;
class QWidget;
class Timer;

// Repaints a widget at 0.03 s while any of its transitions runs, and not at
// all otherwise.
class AnimationTicker : public QObject {
    Q_OBJECT
public:
    // running(now) tells whether another frame is needed.
    AnimationTicker(Clock& clock, QWidget* target, std::function<bool(double)> running);

    // Call after starting a transition.
    void kick();

private:
    void frame();

    Clock& clock;
    QWidget* target;
    std::function<bool(double)> running;
    Timer* timer;
};
