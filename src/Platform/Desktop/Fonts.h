#pragma once

#include <QFont>
#include <QStringList>

class QPainter;
class QRectF;
class QSizeF;

// Qt 6.4 takes each character of a text from the first face of the font's
// chain that has a glyph for it and pays no heed to the emoji variation
// selector U+FE0F. So "⚡️", missing from the CJK face, came from the next face
// in fontconfig's order that has it (DejaVu Sans, in black and white), and
// "⚠️", which the CJK face itself carries, from the CJK face. The colour emoji
// face therefore follows the CJK face in every font of the system, and
// drawText() sets each character followed by U+FE0F in it.

// The system typeface for Chinese UI text (Noto Sans CJK SC stands in for
// the original's PingFang and rounded system fonts), then Noto Color Emoji.
inline QStringList textFamilies() {
    return {QStringLiteral("Noto Sans CJK SC"), QStringLiteral("Noto Color Emoji")};
}

// The system typeface at a size in logical pixels.
inline QFont systemFont(double pixelSize, QFont::Weight weight = QFont::Normal) {
    QFont font;
    font.setFamilies(textFamilies());
    font.setPixelSize(qRound(pixelSize));
    font.setWeight(weight);
    return font;
}

// Widgets drawn by Qt (menus, dialogs) in the same faces, at the size the
// desktop asks for.
void useSystemTypefaces();

// As QPainter::drawText(rect, flags, text) (alignment, word wrap, clipping
// to the rectangle unless Qt::TextDontClip), with every character followed
// by U+FE0F drawn from the colour emoji face.
void drawText(QPainter& painter, const QRectF& rect, int flags, const QString& text);
// The size drawText() takes for the text in lines at most `width` wide.
QSizeF textSize(const QFont& font, double width, int flags, const QString& text);
