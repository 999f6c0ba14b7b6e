#pragma once

#include <QDir>
#include <QImage>
#include <QRectF>
#include <QWidget>

#include <algorithm>
#include <cstdlib>
#include <functional>
#include <utility>

// Rendered pictures as the suites look at them.

// The widget drawn at `ratio` device pixels a point (its screen's when 0) over `ground`.
inline QImage renderWidget(QWidget& widget, const QColor& ground, qreal ratio = 0) {
    ratio = ratio > 0 ? ratio : widget.devicePixelRatioF();
    QImage image(widget.size() * ratio, QImage::Format_ARGB32_Premultiplied);
    image.setDevicePixelRatio(ratio);
    image.fill(ground);
    widget.render(&image, QPoint(), QRegion(), QWidget::DrawChildren);
    return image;
}

// The largest difference of any channel between two pictures of one size,
// compared as the eye sees them (not premultiplied).
inline int largestDifference(const QImage& a, const QImage& b) {
    const QImage left = a.convertToFormat(QImage::Format_ARGB32);
    const QImage right = b.convertToFormat(QImage::Format_ARGB32);
    int largest = 0;
    for (int y = 0; y < left.height(); ++y) {
        const auto* p = reinterpret_cast<const QRgb*>(left.constScanLine(y));
        const auto* q = reinterpret_cast<const QRgb*>(right.constScanLine(y));
        for (int x = 0; x < left.width(); ++x) {
            largest =
                std::max({largest, std::abs(qRed(p[x]) - qRed(q[x])), std::abs(qGreen(p[x]) - qGreen(q[x])),
                          std::abs(qBlue(p[x]) - qBlue(q[x])), std::abs(qAlpha(p[x]) - qAlpha(q[x]))});
        }
    }
    return largest;
}

// Saved into $TAVO_SCREENSHOT_DIR, when set, for a person to look at.
inline bool saveScreenshot(const QImage& image, const QString& name) {
    const QString folder = qEnvironmentVariable("TAVO_SCREENSHOT_DIR");
    return folder.isEmpty() || (QDir().mkpath(folder) && image.save(QDir(folder).filePath(name)));
}

// The box, in points, of the pixels within `area` that pass `ink`; a row or column
// counts only with at least `minimum` points of them, so that specks do not.
inline QRectF inkBox(const QImage& image, const QRectF& area, double minimum,
                     const std::function<bool(QRgb)>& ink) {
    const qreal ratio = image.devicePixelRatio();
    const QRect pixels = QRectF(area.topLeft() * ratio, area.size() * ratio).toAlignedRect() & image.rect();
    QList<int> rows(pixels.height());
    QList<int> columns(pixels.width());
    for (int y = 0; y < pixels.height(); ++y) {
        const auto* line = reinterpret_cast<const QRgb*>(image.constScanLine(pixels.top() + y));
        for (int x = 0; x < pixels.width(); ++x) {
            if (ink(line[pixels.left() + x])) {
                ++rows[y];
                ++columns[x];
            }
        }
    }
    const auto span = [&](const QList<int>& counts) {
        const auto enough = [&](int n) { return n >= minimum * ratio; };
        const auto first = std::find_if(counts.begin(), counts.end(), enough);
        const auto last = std::find_if(counts.rbegin(), counts.rend(), enough);
        return first == counts.end() ? std::pair<qsizetype, qsizetype>()
                                     : std::pair(first - counts.begin(), counts.rend() - last);
    };
    const auto [left, right] = span(columns);
    const auto [top, bottom] = span(rows);
    return QRectF(QPointF(pixels.left() + left, pixels.top() + top) / ratio,
                  QPointF(pixels.left() + right, pixels.top() + bottom) / ratio);
}
