#pragma once

#include <QColor>
#include <QList>

class QRandomGenerator;

// What the Ultraman theme shows, as numbers; UltramanTigaView only draws it.
namespace UltramanTiga {

inline constexpr int starCount = 120;
inline constexpr double tickSeconds = 0.04;

// Platform tints of the named colours the theme uses.
inline const QColor systemPurple{191, 90, 242};
inline const QColor systemCyan{100, 210, 255};
inline const QColor systemBlue{10, 132, 255};

struct Star {
    double x;             // fraction of the width, [0, 1]
    double y;             // fraction of the height, [0, 1]
    double size;          // diameter in points, [0.8, 2.8]
    double opacity;       // brightest opacity, [0.15, 0.7]
    double twinkleOffset; // phase, [0, 2π]
};

QList<Star> makeStars(QRandomGenerator& random);
// Twinkles between 40 % and 100 % of the star's own opacity.
double starOpacity(const Star& star, double glowPhase);

// The countdown capsule runs red, amber, green as the rest runs out.
enum class CapsuleLevel { Red, Amber, Green };
// A total below 1 counts as 1.
CapsuleLevel capsuleLevel(int secondsRemaining, int totalSeconds);
QColor levelColour(CapsuleLevel level);
double pulseFrequency(CapsuleLevel level);
// Between 0.58 and 1.
double pulse(double glowPhase, CapsuleLevel level);

// Progress of the countdown digits rolling to a new value, 0 to 1 over 0.18 s.
double numberRoll(long long ticksSinceChange);

// The two phases advanced by the 0.04 s clock and the one-off entrance,
// both counted in ticks so a stalled clock never jumps ahead.
class Motion {
public:
    void tick() { ++ticks; }
    long long tickCount() const { return ticks; }
    double floatPhase() const { return ticks * tickSeconds; }
    double glowPhase() const { return ticks * tickSeconds; }

    // Entrance: the figure fades in over 1.1 s while growing from 0.88; the
    // texts fade in over 0.9 s after 0.7 s.
    double imageOpacity() const;
    double imageScale() const;
    double textOpacity() const;

    // Down for positive values.
    double figureOffset() const;
    // The halo breathes in steps of 1/haloSteps of its swing each way, -1
    // to 1: a step moves no pixel of the soft glow by more than a few
    // levels, lasts several ticks, and its mixed picture is drawn once for
    // them.
    static constexpr int haloSteps = 10;
    double haloBreath() const;
    static double haloBlurRadius(double breath);
    static double haloScale(double breath);
    // The core breathes in steps of about two levels of its brightest pixel
    // and under half a pixel at its edge: only a new step repaints it.
    static constexpr int coreSteps = 12;
    double coreOpacity() const;
    double coreScale() const;

private:
    long long ticks = 0;
};

} // namespace UltramanTiga

namespace UltramanTiga {

// Vertical centres of the column's four parts in a view of the given height:
// figure group, capsule, headline, subtitle, centred as one block.
struct ColumnLayout {
    double figure;
    double capsule;
    double headline;
    double subtitle;
};
inline constexpr double figureGroupHeight = 410;
ColumnLayout columnLayout(double viewHeight, double capsuleHeight, double headlineHeight,
                          double subtitleHeight);

} // namespace UltramanTiga
