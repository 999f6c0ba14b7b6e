#include "Rest/Components/ClassicGlows.h"

#include "Rest/Models/Animation.h"

namespace ClassicGlows {

const std::array<Glow, 3>& glows() {
    static const std::array<Glow, 3> table = {{
        {QColor::fromRgbF(0.1f, 0.8f, 0.5f, 0.3f), 350, 700, QPointF(-120, 80), QPointF(120, -80)},
        {QColor::fromRgbF(0.5f, 0.2f, 0.8f, 0.35f), 400, 800, QPointF(150, -100), QPointF(-150, 100)},
        {QColor::fromRgbF(0.2f, 0.5f, 0.9f, 0.3f), 380, 750, QPointF(-150, -80), QPointF(100, 150)},
    }};
    return table;
}

std::array<QPointF, 3> offsets(double secondsSinceAppear) {
    const double t = Animation::reversingEaseInOut(secondsSinceAppear, legSeconds);
    std::array<QPointF, 3> result;
    for (size_t i = 0; i < result.size(); ++i) {
        const Glow& glow = glows()[i];
        result[i] = glow.from + (glow.to - glow.from) * t;
    }
    return result;
}

} // namespace ClassicGlows
