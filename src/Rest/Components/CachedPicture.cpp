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

void copyEachRect(QPainter& painter, const QRegion& region, const QImage& image, QPointF origin) {
    for (const QRect& rect : region) {
        copyRect(painter, rect, image, origin);
    }
}

void copyRect(QPainter& painter, const QRect& rect, const QImage& image, QPointF origin) {
    const qreal ratio = image.devicePixelRatio();
    const bool large = !isSmall(rect);
    if (large) {
        painter.setClipRect(rect);
    }
    painter.drawImage(rect, image,
                      QRectF((QPointF(rect.topLeft()) - origin) * ratio, QSizeF(rect.size()) * ratio));
    if (large) {
        painter.setClipping(false);
    }
}

namespace {

// How far past a whole device pixel a rectangle's first edge may lie, and
// how far short of one its last edge: Qt rounds each corner of a repaint
// rectangle when it clips and each corner and size apart when it clears,
// copies and flushes, and both give the same pixel while
// slack + slack / 2 < 1 / 2. A slack under a quarter keeps the whole
// device pixels alone at 1.25, 1.5, 1.75 and 4/3.
constexpr double slack = 0.24;

// The part of a device pixel by which the point lies past a whole one. A
// widget reports its ratio rounded to 1/65536 (4/3 as 1.3333282) while Qt
// maps its window with the exact one: a point within that rounding of a
// whole pixel counts as on it.
double pastWhole(int point, qreal ratio) {
    const double at = point * ratio;
    const double off = at - std::round(at);
    if (std::abs(off) <= std::abs(point) / 65536.0 + 1e-9) {
        return 0;
    }
    return off < 0 ? off + 1 : off;
}

// How far an edge is moved at most. Ratios from a screen's dots per inch
// find one within 96 points; a typed scale factor a hair off a whole one
// could send the search a long way, every frame.
constexpr int farthest = 96;

int firstEdge(int point, qreal ratio) {
    for (int moved = 0; moved < farthest && pastWhole(point, ratio) > slack; ++moved) {
        --point;
    }
    return point;
}

int lastEdge(int point, qreal ratio) {
    for (int moved = 0; moved < farthest; ++moved) {
        const double past = pastWhole(point, ratio);
        if (past == 0 || past >= 1 - slack) {
            break;
        }
        ++point;
    }
    return point;
}

QRect onGrid(const QRect& rect, qreal ratio) {
    return {QPoint(firstEdge(rect.left(), ratio), firstEdge(rect.top(), ratio)),
            QPoint(lastEdge(rect.right() + 1, ratio) - 1, lastEdge(rect.bottom() + 1, ratio) - 1)};
}

} // namespace

bool isWhole(qreal ratio) {
    return ratio == static_cast<int>(ratio);
}

QRect onDeviceGrid(const QRect& rect, qreal ratio) {
    return isWhole(ratio) ? rect : onGrid(rect, ratio);
}

QRegion onDeviceGrid(const QRegion& region, qreal ratio) {
    if (isWhole(ratio)) {
        return region;
    }
    std::vector<QRect> rects;
    for (const QRect& rect : region) {
        rects.push_back(onGrid(rect, ratio));
    }
    return unionOf(rects);
}

QPointF onDevicePixel(QPointF point, qreal ratio) {
    return QPointF(std::round(point.x() * ratio), std::round(point.y() * ratio)) / ratio;
}

void drawOnDevicePixels(QPainter& painter, QPointF point, const QImage& image) {
    // The image's own: the device's, and much cheaper to ask for.
    const qreal ratio = image.devicePixelRatio();
    const QTransform& world = painter.worldTransform();
    if (isWhole(ratio) || world.type() > QTransform::TxTranslate) {
        painter.drawImage(point, image);
        return;
    }
    const QPointF shift(world.dx(), world.dy());
    const bool antialiased = painter.testRenderHint(QPainter::Antialiasing);
    painter.setRenderHint(QPainter::Antialiasing, false);
    painter.drawImage(onDevicePixel(point + shift, ratio) - shift, image);
    painter.setRenderHint(QPainter::Antialiasing, antialiased);
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
    : origin(onDevicePixel(areaFor(centre, radius).topLeft(), ratio)) {
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
        painter.translate(-origin);
        painter.drawEllipse(centre, radius, radius);
    }
    lit = coverage.copy();
    covered = QRectF(origin, coverage.deviceIndependentSize()).toAlignedRect();
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
    drawOnDevicePixels(painter, origin, lit);
}
