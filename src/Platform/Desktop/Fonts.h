#pragma once

#include <QFont>

// The system typeface for Chinese UI text (Noto Sans CJK SC stands in for
// the original's PingFang and rounded system fonts), at a size in logical pixels.
inline QFont systemFont(double pixelSize, QFont::Weight weight = QFont::Normal) {
    QFont font(QStringLiteral("Noto Sans CJK SC"));
    font.setPixelSize(qRound(pixelSize));
    font.setWeight(weight);
    return font;
}
