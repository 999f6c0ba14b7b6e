#include "Rest/Components/UltramanTigaModel.h"
#include "Rest/Models/Animation.h"

#include <QRandomGenerator>

#include <algorithm>
#include <cmath>
#include <numbers>

namespace UltramanTiga {

namespace {

// Closed range: bounded() is half-open, so draw on [0, 1] inclusive first.
double uniform(QRandomGenerator& random, double low, double high) {
    const double unit = static_cast<double>(random.generate64()) / static_cast<double>(UINT64_MAX);
    return low + (high - low) * unit;
}

// Progress of a transition that starts after delay and lasts duration.
double easeOut(double elapsed, double delay, double duration) {
    return Animation::easeOut((elapsed - delay) / duration);
}

double easeInOut(double elapsed, double duration) {
    return Animation::easeInOut(elapsed / duration);
}

// A swing of -1 to 1 rounded to the nearest of its steps each way.
double stepped(double swing, int steps) {
    return std::round(swing * steps) / steps;
}

} // namespace

QList<Star> makeStars(QRandomGenerator& random) {
    QList<Star> stars;
    stars.reserve(starCount);
    for (int i = 0; i < starCount; ++i) {
        const double x = uniform(random, 0, 1);
        const double y = uniform(random, 0, 1);
        const double size = uniform(random, 0.8, 2.8);
        const double opacity = uniform(random, 0.15, 0.7);
        const double twinkle = uniform(random, 0, 2 * std::numbers::pi);
        stars.append({x, y, size, opacity, twinkle});
    }
    return stars;
}

double starOpacity(const Star& star, double glowPhase) {
    return star.opacity * (0.4 + 0.6 * (0.5 + 0.5 * std::sin(1.1 * glowPhase + star.twinkleOffset)));
}

CapsuleLevel capsuleLevel(int secondsRemaining, int totalSeconds) {
    const double p = static_cast<double>(secondsRemaining) / std::max(totalSeconds, 1);
    if (p < 0) {
        return CapsuleLevel::Green;
    }
    if (p > 0.55) {
        return CapsuleLevel::Red;
    }
    return p > 0.25 ? CapsuleLevel::Amber : CapsuleLevel::Green;
}

QColor levelColour(CapsuleLevel level) {
    switch (level) {
    case CapsuleLevel::Red:
        return QColor::fromRgbF(1.0f, 0.2f, 0.18f);
    case CapsuleLevel::Amber:
        return QColor::fromRgbF(1.0f, 0.82f, 0.2f);
    case CapsuleLevel::Green:
        break;
    }
    return QColor::fromRgbF(0.24f, 1.0f, 0.62f);
}

double pulseFrequency(CapsuleLevel level) {
    switch (level) {
    case CapsuleLevel::Red:
        return 6.0;
    case CapsuleLevel::Amber:
        return 3.2;
    case CapsuleLevel::Green:
        break;
    }
    return 1.7;
}

double pulse(double glowPhase, CapsuleLevel level) {
    return 0.58 + 0.42 * std::abs(std::sin(glowPhase * pulseFrequency(level)));
}

double numberRoll(long long ticksSinceChange) {
    return easeInOut(ticksSinceChange * tickSeconds, 0.18);
}

double Motion::imageOpacity() const {
    return easeOut(floatPhase(), 0, 1.1);
}
double Motion::imageScale() const {
    return 0.88 + 0.12 * easeOut(floatPhase(), 0, 1.1);
}
double Motion::textOpacity() const {
    return easeOut(floatPhase(), 0.7, 0.9);
}
double Motion::figureOffset() const {
    return 9 * std::sin(0.55 * floatPhase());
}
double Motion::haloBreath() const {
    return stepped(std::sin(0.7 * glowPhase()), haloSteps);
}
double Motion::haloBlurRadius(double breath) {
    return 28 + 12 * breath;
}
double Motion::haloScale(double breath) {
    return 1 + 0.06 * breath;
}
double Motion::coreOpacity() const {
    return 0.18 + 0.1 * stepped(std::sin(glowPhase()), coreSteps);
}
double Motion::coreScale() const {
    return 1 + 0.04 * stepped(std::sin(1.3 * glowPhase()), coreSteps);
}

} // namespace UltramanTiga

namespace UltramanTiga {

ColumnLayout columnLayout(double viewHeight, double capsuleHeight, double headlineHeight,
                          double subtitleHeight) {
    const double total = figureGroupHeight + 22 + capsuleHeight + 18 + headlineHeight + 10 + subtitleHeight;
    // Centred; where the screen is too short for it, the foot stays in view
    // (the countdown and the two lines) and the figure's top goes off it.
    double top = std::min((viewHeight - total) / 2, viewHeight - total);
    ColumnLayout layout{};
    layout.figure = top + figureGroupHeight / 2;
    top += figureGroupHeight + 22;
    layout.capsule = top + capsuleHeight / 2;
    top += capsuleHeight + 18;
    layout.headline = top + headlineHeight / 2;
    top += headlineHeight + 10;
    layout.subtitle = top + subtitleHeight / 2;
    return layout;
}

} // namespace UltramanTiga
