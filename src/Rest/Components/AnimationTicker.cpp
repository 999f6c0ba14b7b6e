#include "Rest/Components/AnimationTicker.h"

#include "Platform/Clock.h"
#include "Rest/Models/Animation.h"

#include <QWidget>

AnimationTicker::AnimationTicker(Clock& clock, QWidget* target, std::function<bool(double)> running)
    : QObject(target)
    , clock(clock)
    , target(target)
    , running(std::move(running))
    , timer(clock.createTimer(this)) {
    connect(timer, &Timer::timeout, this, &AnimationTicker::frame);
}

void AnimationTicker::kick() {
    target->update();
    if (!timer->isActive()) {
        timer->start(0.03, true);
    }
}

void AnimationTicker::frame() {
    target->update();
    if (!running(Animation::now(clock))) {
        timer->stop();
    }
}
