#pragma once

#include <QColor>
#include <QPointF>

#include <array>

// The three drifting glows of the classic backdrop. Each slides between two
// offsets from the centre on an 8-second ease-in-out that reverses forever.
namespace ClassicGlows {

struct Glow {
    QColor colour;
    double endRadius;
    double frame;
    QPointF from;
    QPointF to;
};

inline constexpr double legSeconds = 8.0;
inline constexpr double blurRadius = 80.0;
inline const QColor baseColour = QColor::fromRgbF(0.08f, 0.08f, 0.12f);

const std::array<Glow, 3>& glows();
// Offsets from the centre, glow 1 first, after the given time on screen.
std::array<QPointF, 3> offsets(double secondsSinceAppear);

} // namespace ClassicGlows
