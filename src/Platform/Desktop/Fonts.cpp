#include "Platform/Desktop/Fonts.h"

#include <QApplication>
#include <QPainter>
#include <QTextLayout>

#include <algorithm>
#include <cmath>

void useSystemTypefaces() {
    QFont font = QApplication::font();
    font.setFamilies(textFamilies());
    QApplication::setFont(font);
}

namespace {

// The text laid out in lines of the rectangle's width, every character
// followed by U+FE0F in the colour face; its height is returned.
double layOut(QTextLayout& layout, const QRectF& rect, int flags) {
    const QString& text = layout.text();
    QList<QTextLayout::FormatRange> emoji;
    QTextCharFormat colour;
    colour.setFontFamilies(QStringList{textFamilies().constLast()});
    for (qsizetype i = 1; i < text.size(); ++i) {
        if (text.at(i) == QChar(0xFE0F)) {
            const qsizetype start = i >= 2 && text.at(i - 1).isLowSurrogate() ? i - 2 : i - 1;
            emoji.append({static_cast<int>(start), static_cast<int>(i + 1 - start), colour});
        }
    }
    QTextOption option(Qt::Alignment(flags) & Qt::AlignHorizontal_Mask);
    option.setWrapMode((flags & Qt::TextWordWrap) != 0 ? QTextOption::WordWrap : QTextOption::NoWrap);
    layout.setTextOption(option);
    layout.setFormats(emoji);
    layout.beginLayout();
    double height = 0;
    for (QTextLine line = layout.createLine(); line.isValid(); line = layout.createLine()) {
        line.setLineWidth(rect.width());
        line.setPosition(QPointF(0, height));
        height += line.height();
    }
    layout.endLayout();
    return height;
}

} // namespace

void drawText(QPainter& painter, const QRectF& rect, int flags, const QString& text) {
    if (!text.contains(QChar(0xFE0F))) {
        painter.drawText(rect, flags, text);
        return;
    }
    QTextLayout layout(text, painter.font(), painter.device());
    const double height = layOut(layout, rect, flags);
    double top = rect.top();
    if ((flags & Qt::AlignBottom) != 0) {
        top = rect.bottom() - height;
    } else if ((flags & Qt::AlignVCenter) != 0) {
        top = rect.center().y() - height / 2;
    }
    painter.save();
    if ((flags & Qt::TextDontClip) == 0) {
        painter.setClipRect(rect, Qt::IntersectClip);
    }
    layout.draw(&painter, QPointF(rect.left(), top));
    painter.restore();
}

QSizeF textSize(const QFont& font, double width, int flags, const QString& text) {
    QTextLayout layout(text, font);
    const double height = layOut(layout, QRectF(0, 0, width, 0), flags);
    double widest = 0;
    for (int i = 0; i < layout.lineCount(); ++i) {
        widest = std::max(widest, layout.lineAt(i).naturalTextWidth());
    }
    // Whole pixels, so that the text drawn in a box of this width keeps its lines.
    return {std::ceil(widest), height};
}
