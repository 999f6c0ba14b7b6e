#pragma once

#include <QColor>

// The overlay's named colours (dark-appearance tints).
namespace Palette {

inline const QColor teal = QColor(64, 200, 224);
inline const QColor cyan = QColor(100, 210, 255);
inline const QColor orange = QColor(255, 159, 10);

inline QColor white(double opacity) {
    return QColor::fromRgbF(1, 1, 1, static_cast<float>(opacity));
}
inline QColor withOpacity(QColor colour, double opacity) {
    colour.setAlphaF(static_cast<float>(opacity));
    return colour;
}
// The colour with its light scaled and its opacity kept: what it looks like
// under a veil of black that lets `brightness` of the light through.
inline QColor dimmed(const QColor& colour, double brightness) {
    return QColor::fromRgbF(static_cast<float>(colour.redF() * brightness),
                            static_cast<float>(colour.greenF() * brightness),
                            static_cast<float>(colour.blueF() * brightness), colour.alphaF());
}

} // namespace Palette
