#include "Rest/Models/SkipHold.h"

#include "Platform/Clock.h"
#include "Platform/Random.h"
#include "Rest/Models/Animation.h"
#include "Rest/Models/RestCopy.h"

#include <QCoreApplication>
#include <QRandomGenerator>

SkipHold::SkipHold(Clock& clock, std::function<void(const QString&)> onSkip, QRandomGenerator* random,
                   QObject* parent)
    : QObject(parent)
    , clock(clock)
    , onSkip(std::move(onSkip))
    , random(random ? random : QRandomGenerator::system()) {}

void SkipHold::press() {
    if (!pressing && !completing) {
        startSkipTimer();
    }
}

void SkipHold::release() {
    if (!completing) {
        stopSkipTimer();
    }
}

void SkipHold::spaceDown(bool autoRepeat) {
    if (!autoRepeat && !spacePressed && !completing) {
        spacePressed = true;
        startSkipTimer();
    }
}

void SkipHold::spaceUp(bool autoRepeat) {
    // X11 auto-repeat sends a release before every repeated press.
    if (!autoRepeat && spacePressed && !completing) {
        spacePressed = false;
        stopSkipTimer();
    }
}

void SkipHold::startSkipTimer() {
    if (pressing) {
        return; // joins the running hold
    }
    pressing = true;
    progress = 0;
    rewindFrom = 0;
    skipTimer = clock.createTimer(this);
    connect(skipTimer, &Timer::timeout, this, &SkipHold::step);
    skipTimer->start(tickSeconds, true);
    Q_EMIT changed();
}

void SkipHold::stopSkipTimer() {
    pressing = false;
    if (skipTimer) {
        skipTimer->stop();
        skipTimer->deleteLater();
        skipTimer = nullptr;
    }
    rewindFrom = displayedProgress(Animation::now(clock));
    rewindStartedAt = Animation::now(clock);
    progress = 0;
    Q_EMIT changed();
}

void SkipHold::step() {
    progress += tickSeconds / holdSeconds;
    if (progress >= 1.0) {
        progress = 1.0;
        completeSkip();
        return;
    }
    Q_EMIT changed();
}

void SkipHold::completeSkip() {
    if (completing) {
        return;
    }
    completing = true;
    pressing = false;
    spacePressed = false;
    if (skipTimer) {
        skipTimer->stop();
        skipTimer->deleteLater();
        skipTimer = nullptr;
    }
    const QStringList& lines = RestCopy::skipFeedbackLines();
    const QString line = randomElement(lines, *random);
    feedbackText = line;
    Q_EMIT changed();
    // Owned by the application, not the view: the report goes out even if the
    // view has been taken off screen meanwhile.
    clock.callLater(QCoreApplication::instance(), reportDelaySeconds, [report = onSkip, line] {
        if (report) {
            report(line);
        }
    });
}

double SkipHold::displayedProgress(double now) const {
    if (pressing || completing || !isRewinding(now)) {
        return progress;
    }
    return rewindFrom * (1 - Animation::easeOut((now - rewindStartedAt) / rewindSeconds));
}

bool SkipHold::isRewinding(double now) const {
    return !pressing && !completing && rewindFrom > 0 && now - rewindStartedAt < rewindSeconds;
}
