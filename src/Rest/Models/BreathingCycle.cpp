#include "Rest/Models/BreathingCycle.h"

#include <cmath>

void BreathingCycle::tick() {
    static const QString inhale = QStringLiteral("慢吸气...");
    static const QString exhale = QStringLiteral("慢呼气...");
    time = std::fmod(time + tickSeconds, 8.0);
    if (time < 4.0) {
        value = time * 0.25;
        text = inhale;
    } else {
        value = 1 - (time - 4.0) * 0.25;
        text = exhale;
    }
}
