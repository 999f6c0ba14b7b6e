#include "Rest/Components/CachedPicture.h"

#include <QPainter>
#include <QRegion>

#include <algorithm>
#include <cmath>
#include <utility>
#include <vector>

namespace {

// About where a clip of its own costs as much as painting a small rectangle
// the slower way.
constexpr int smallArea = 64 * 64;

bool isSmall(const QRect& rect) {
    return rect.width() * rect.height() <= smallArea;
}

// x times a over 255, rounded, on each channel: how the raster engine blends
// a colour over a pixel's coverage.
uint byteMul(uint x, uint a) {
    quint64 t = ((quint64(x) | (quint64(x) << 24)) & 0x00ff00ff00ff00ffULL) * a;
    t = (t + ((t >> 8) & 0x00ff00ff00ff00ffULL) + 0x0080008000800080ULL) >> 8;
    t &= 0x00ff00ff00ff00ffULL;
    return static_cast<uint>(t) | static_cast<uint>(t >> 24);
}

} // namespace

void paintEachRect(QPainter& painter, const QRegion& region,
                   const std::function<void(const QRect&)>& paintPart) {
    for (const QRect& rect : region) {
        painter.setClipRect(rect);
        paintPart(rect);
    }
    painter.setClipping(false);
}

void paintEachLargeRect(QPainter& painter, const QRegion& region,
                        const std::function<void(const QRect&)>& paintPart) {
    // Each line of a group is a span per rectangle on it.
    const int groupLines = std::max(1, static_cast<int>(80 / painter.device()->devicePixelRatioF()));
    std::vector<QRect> group;
    int lines = 0;
    const auto paintGroup = [&] {
        if (!group.empty()) {
            // Rectangles of a region in its order stay a valid region.
            QRegion clip;
            clip.setRects(group.data(), static_cast<int>(group.size()));
            painter.setClipRegion(clip);
            paintPart(clip.boundingRect());
            group.clear();
            lines = 0;
        }
    };
    for (const QRect& rect : region) {
        if (!isSmall(rect)) {
            painter.setClipRect(rect);
            paintPart(rect);
            continue;
        }
        if (lines + rect.height() > groupLines) {
            paintGroup();
        }
        group.push_back(rect);
        lines += rect.height();
    }
    paintGroup();
    painter.setClipping(false);
}

QRegion unionOf(std::span<const QRect> rects) {
    if (rects.size() <= 1) {
        return rects.empty() ? QRegion() : QRegion(rects.front());
    }
    const size_t half = rects.size() / 2;
    return unionOf(rects.first(half)) + unionOf(rects.subspan(half));
}

void copyEachRect(QPainter& painter, const QRegion& region, const QImage& image, QPoint origin) {
    for (const QRect& rect : region) {
        copyRect(painter, rect, image, origin);
    }
}

void copyRect(QPainter& painter, const QRect& rect, const QImage& image, QPoint origin) {
    const qreal ratio = image.devicePixelRatio();
    const bool large = !isSmall(rect);
    if (large) {
        painter.setClipRect(rect);
    }
    painter.drawImage(rect, image,
                      QRectF(QPointF(rect.topLeft() - origin) * ratio, QSizeF(rect.size()) * ratio));
    if (large) {
        painter.setClipping(false);
    }
}

namespace {

// Points a whole number of device pixels apart: 1 at whole ratios, 2 at 1.5,
// 4 at 1.25 or 1.75.
int deviceGridUnit(qreal ratio) {
    int unit = 1;
    while (unit < 8 && std::abs(unit * ratio - std::round(unit * ratio)) > 1e-3) {
        ++unit;
    }
    return unit;
}

QRect onGrid(const QRect& rect, int unit) {
    if (unit == 1) {
        return rect;
    }
    const auto down = [unit](int v) { return static_cast<int>(std::floor(v / double(unit))) * unit; };
    const auto up = [unit](int v) { return static_cast<int>(std::ceil(v / double(unit))) * unit; };
    return {QPoint(down(rect.left()), down(rect.top())),
            QPoint(up(rect.right() + 1) - 1, up(rect.bottom() + 1) - 1)};
}

} // namespace

QRect onDeviceGrid(const QRect& rect, qreal ratio) {
    return onGrid(rect, deviceGridUnit(ratio));
}

QRegion onDeviceGrid(const QRegion& region, qreal ratio) {
    const int unit = deviceGridUnit(ratio);
    if (unit == 1) {
        return region;
    }
    std::vector<QRect> rects;
    for (const QRect& rect : region) {
        rects.push_back(onGrid(rect, unit));
    }
    return unionOf(rects);
}

QRegion ringRegion(QPointF centre, double inner, double outer) {
    constexpr int band = 12;
    std::vector<QRect> rects;
    const int top = static_cast<int>(std::floor(centre.y() - outer));
    const int bottom = static_cast<int>(std::ceil(centre.y() + outer));
    for (int y = top; y < bottom; y += band) {
        const int next = std::min(y + band, bottom);
        const double fromTop = std::abs(y - centre.y());
        const double fromBottom = std::abs(next - centre.y());
        const bool acrossCentre = y <= centre.y() && centre.y() <= next;
        const double nearest = acrossCentre ? 0 : std::min(fromTop, fromBottom);
        const double farthest = std::max(fromTop, fromBottom);
        const double half = std::sqrt(std::max(0.0, outer * outer - nearest * nearest));
        const int left = static_cast<int>(std::floor(centre.x() - half));
        const int right = static_cast<int>(std::ceil(centre.x() + half));
        const double hole = farthest < inner ? std::sqrt(inner * inner - farthest * farthest) : 0;
        const int holeLeft = static_cast<int>(std::ceil(centre.x() - hole));
        const int holeRight = static_cast<int>(std::floor(centre.x() + hole));
        if (holeLeft < holeRight) {
            for (const auto& [from, to] : {std::pair(left, holeLeft), std::pair(holeRight, right)}) {
                if (from < to) {
                    rects.emplace_back(from, y, to - from, next - y);
                }
            }
        } else {
            rects.emplace_back(left, y, right - left, next - y);
        }
    }
    QRegion region;
    region.setRects(rects.data(), static_cast<int>(rects.size()));
    return region;
}

void paintInBands(QPainter& painter, const QRegion& region, const std::function<void()>& paint) {
    // An antialiased edge adds a span or two to each line: 24 device lines
    // stay under the engine's threshold.
    const int band = std::max(1, static_cast<int>(24 / painter.device()->devicePixelRatioF()));
    for (const QRect& rect : region) {
        for (int top = rect.top(); top <= rect.bottom(); top += band) {
            painter.setClipRect(
                QRect(rect.left(), top, rect.width(), std::min(band, rect.bottom() + 1 - top)));
            paint();
        }
    }
    painter.setClipping(false);
}

void CachedPicture::paint(QPainter& painter, const QRegion& dirty, const QRect& area, const QVariantList& key,
                          const std::function<void(QPainter&)>& draw) {
    const qreal ratio = painter.device()->devicePixelRatioF();
    if (image.isNull() || area != drawnArea || key != drawnKey || image.devicePixelRatio() != ratio) {
        // The same pixels are reused while the size stays: a fresh image of
        // this size would be fresh pages from the system on every change.
        if (image.size() != area.size() * ratio || image.devicePixelRatio() != ratio) {
            image = QImage(area.size() * ratio, QImage::Format_ARGB32_Premultiplied);
            image.setDevicePixelRatio(ratio);
        }
        image.fill(Qt::transparent);
        QPainter picture(&image);
        picture.setRenderHints(painter.renderHints());
        picture.translate(-area.topLeft());
        draw(picture);
        drawnArea = area;
        drawnKey = key;
    }
    paintEachRect(painter, dirty & area, [&](const QRect&) { painter.drawImage(area.topLeft(), image); });
}

void CachedPicture::clear() {
    image = QImage();
    drawnKey.clear();
}

QRect SmallDisc::areaFor(QPointF centre, double radius) {
    const QPointF half(radius + 1, radius + 1);
    return QRectF(centre - half, centre + half).toAlignedRect();
}

SmallDisc::SmallDisc(QPointF centre, double radius, qreal ratio)
    : at(areaFor(centre, radius).topLeft()) {
    const QSize size = areaFor(centre, radius).size();
    coverage = QImage(size * ratio, QImage::Format_ARGB32_Premultiplied);
    coverage.setDevicePixelRatio(ratio);
    coverage.fill(Qt::transparent);
    {
        // Opaque white leaves each pixel's coverage in its alpha.
        QPainter painter(&coverage);
        painter.setRenderHint(QPainter::Antialiasing);
        painter.setPen(Qt::NoPen);
        painter.setBrush(Qt::white);
        painter.translate(-at);
        painter.drawEllipse(centre, radius, radius);
    }
    lit = coverage.copy();
}

void SmallDisc::fill(QPainter& painter, const QColor& colour) {
    const QRgb tint = premultiplied(colour);
    if (tint != litIn) {
        litIn = tint;
        for (int y = 0; y < coverage.height(); ++y) {
            const auto* from = reinterpret_cast<const QRgb*>(coverage.constScanLine(y));
            auto* to = reinterpret_cast<QRgb*>(lit.scanLine(y));
            for (int x = 0; x < coverage.width(); ++x) {
                to[x] = byteMul(tint, qAlpha(from[x]));
            }
        }
    }
    painter.drawImage(at, lit);
}
