#pragma once

#include <QString>

// The 8-second breathing guide: 4 s rising, 4 s falling, stepped by 0.1 s ticks.
class BreathingCycle {
public:
    static constexpr double tickSeconds = 0.1;

    void tick();

    double breathTime() const { return time; }
    // 0 at rest, 1 at the top of a breath.
    double breathValue() const { return value; }
    const QString& breathText() const { return text; }

private:
    double time = 0;
    double value = 0;
    QString text = QStringLiteral("吸气...");
};
