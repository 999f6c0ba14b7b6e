#include "Rest/Components/AnimationTicker.h"

#include "Platform/Clock.h"
#include "Rest/Models/Animation.h"

#include <QWidget>

AnimationTicker::AnimationTicker(QWidget* target, std::function<bool(double)> running)
    : QObject(target)
    , target(target)
    , running(std::move(running))
    , timer(Clock::instance().createTimer(this)) {
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
    if (!running(Animation::now())) {
        timer->stop();
    }
}
