#include "Rest/Components/AnimationTicker.h"

#include "Platform/Clock.h"
#include "Rest/Components/CachedPicture.h"
#include "Rest/Models/Animation.h"

#include <QWidget>

AnimationTicker::AnimationTicker(Clock& clock, QWidget* target)
    : QObject(target)
    , clock(clock)
    , target(target)
    , timer(clock.createFrameTimer(this)) {
    connect(timer, &Timer::timeout, this, &AnimationTicker::frame);
}

void AnimationTicker::animate(const Transition& transition, const QRect& area) {
    animate(&transition, area, transition.endsAt());
}

void AnimationTicker::animate(const void* key, const QRect& area, double until) {
    if (const auto previous = running.constFind(key); previous != running.cend()) {
        // It may have moved on from there.
        target->update(onDeviceGrid(previous->area, target->devicePixelRatioF()));
    }
    running.insert(key, Run{area, until});
    target->update(onDeviceGrid(area, target->devicePixelRatioF()));
    if (!timer->isActive()) {
        timer->start(frameSeconds, true);
    }
}

void AnimationTicker::frame() {
    const double now = Animation::now(clock);
    if (onFrame) {
        onFrame(now);
    }
    for (auto it = running.begin(); it != running.end();) {
        target->update(onDeviceGrid(it->area, target->devicePixelRatioF()));
        it = now >= it->until ? running.erase(it) : std::next(it);
    }
    if (running.isEmpty()) {
        timer->stop();
    }
}
