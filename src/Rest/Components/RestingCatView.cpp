#include "Rest/Components/RestingCatView.h"

#include "Rest/Models/Animation.h"

#include <QPainter>

#include <algorithm>
#include <cmath>
#include <numbers>

QPainterPath PolygonShape::path(const QRectF& rect) const {
    const QPointF centre(rect.x() + rect.width() / 2, rect.y() + rect.height() / 2);
    const double radius = std::min(rect.width(), rect.height()) / 2;
    QPainterPath result;
    result.moveTo(centre.x() + radius, centre.y());
    for (int i = 1; i < sides; ++i) {
        const double angle = 2 * std::numbers::pi * i / sides;
        result.lineTo(centre.x() + radius * std::cos(angle), centre.y() + radius * std::sin(angle));
    }
    result.closeSubpath();
    return result;
}

QSizeF RestingCatView::bodySize(double breathValue) {
    return {bodyWidth * (1 - 0.05 * breathValue), bodyHeight * (1 + 0.15 * breathValue)};
}

double RestingCatView::headOffset(double breathValue) {
    return -85 - 10 * breathValue;
}

double RestingCatView::tailAngle(double secondsSinceAppear) {
    return -10 + 20 * Animation::reversingEaseInOut(secondsSinceAppear, tailLegSeconds);
}

QRectF RestingCatView::bounds(const QRectF& frame) {
    // From the tail's tip at either end of its swing on the left to the
    // body's right edge; from the ears at the top of a breath to the paws.
    const QPointF centre = frame.center();
    return {centre.x() - 170, centre.y() - 150, 250, 215};
}

namespace {

const QColor fur = QColor::fromRgbF(0.95f, 0.65f, 0.35f);
const QColor stripe = QColor::fromRgbF(0.85f, 0.5f, 0.2f);
const QColor paw = QColor::fromRgbF(0.98f, 0.8f, 0.6f);
const QColor innerEar = QColor::fromRgbF(0.98f, 0.8f, 0.8f);
const QColor cheek = QColor::fromRgbF(0.98f, 0.6f, 0.6f, 0.5f);
const QColor eyeLine = QColor::fromRgbF(0.25f, 0.15f, 0.1f);
const QColor noseColour = QColor::fromRgbF(0.4f, 0.2f, 0.1f);

QPen roundPen(const QColor& colour, double width) {
    QPen pen(colour, width, Qt::SolidLine, Qt::RoundCap, Qt::MiterJoin);
    pen.setMiterLimit(10);
    return pen;
}

QPainterPath triangle(QPointF origin, QPointF a, QPointF b, QPointF c) {
    QPainterPath path;
    path.moveTo(origin + a);
    path.lineTo(origin + b);
    path.lineTo(origin + c);
    path.closeSubpath();
    return path;
}

// Quadratic curve stroked in a box whose top-left is origin.
void strokeCurve(QPainter& painter, QPointF origin, QPointF from, QPointF control, QPointF to,
                 const QPen& pen) {
    QPainterPath path;
    path.moveTo(origin + from);
    path.quadTo(origin + control, origin + to);
    painter.strokePath(path, pen);
}

void paintLowerGroup(QPainter& painter, QPointF bottomCentre, double breathValue, double tailAngle) {
    // The group is 140 × 100, aligned at its bottom edge.
    const QPointF topLeft = bottomCentre - QPointF(70, 100);

    // Tail: an 80 × 80 box centred at the bottom, rotated about its
    // bottom-trailing corner, then moved left and up.
    painter.save();
    const QPointF box = topLeft + QPointF(30, 20) + QPointF(-50, -10);
    painter.translate(box + QPointF(80, 80));
    painter.rotate(tailAngle);
    painter.translate(-80, -80);
    QPainterPath tail;
    tail.moveTo(10, 70);
    tail.quadTo(-15, 80, -40, 30);
    tail.quadTo(-60, 30, -60, 60);
    painter.strokePath(tail, roundPen(fur, 16));
    painter.restore();

    // Body with its stripes, scaled about the bottom centre.
    painter.save();
    painter.translate(bottomCentre);
    painter.scale(1 - 0.05 * breathValue, 1 + 0.15 * breathValue);
    painter.translate(-70, -100);
    painter.setPen(Qt::NoPen);
    painter.setBrush(fur);
    painter.drawRoundedRect(QRectF(0, 0, 140, 100), 35, 35);
    // Two rows of 6 high, 12 apart, padded 25 on top and 8 on the right,
    // centred in the body.
    const double stackTop = (100 - (25 + 6 + 12 + 6)) / 2 + 25;
    painter.setBrush(stripe);
    painter.drawRoundedRect(QRectF(140 - 8 - 25, stackTop, 25, 6), 3, 3);
    painter.drawRoundedRect(QRectF(140 - 8 - 20, stackTop + 18, 20, 6), 3, 3);
    painter.restore();

    // Front paws: two 18 circles in 24-wide frames, 35 apart, 5 below the bottom.
    painter.setPen(Qt::NoPen);
    painter.setBrush(paw);
    const double pawCentreY = bottomCentre.y() - 9 + 5;
    for (double dx : {-29.5, 29.5}) {
        painter.drawEllipse(QPointF(bottomCentre.x() + dx, pawCentreY), 9, 9);
    }
}

// Everything of the head about its centre: ears to cheeks.
const QRectF headBounds(-67.5, -47.5, 135, 87.5);

void drawHead(QPainter& painter, QPointF centre) {
    painter.setPen(Qt::NoPen);

    // Ears: 35 × 35 boxes, 65 apart, 30 up.
    const QPointF leftEar = centre + QPointF(-67.5, -17.5 - 30);
    const QPointF rightEar = centre + QPointF(32.5, -17.5 - 30);
    painter.setBrush(fur);
    painter.drawPath(triangle(leftEar, {10, 35}, {0, 0}, {35, 20}));
    painter.drawPath(triangle(rightEar, {0, 20}, {35, 0}, {25, 35}));
    painter.setBrush(innerEar);
    painter.drawPath(triangle(leftEar, {12, 30}, {5, 7}, {28, 20}));
    painter.drawPath(triangle(rightEar, {7, 20}, {30, 7}, {23, 30}));

    // Face.
    painter.setBrush(fur);
    painter.drawRoundedRect(QRectF(centre.x() - 60, centre.y() - 40, 120, 80), 32, 32);

    // Cheeks: 14 across, 70 apart, 10 down.
    painter.setBrush(cheek);
    for (double dx : {-42.0, 42.0}) {
        painter.drawEllipse(centre + QPointF(dx, 10), 7, 7);
    }

    // Closed eyes: 18 × 8 boxes, 40 apart, 5 up.
    const QPen eyePen = roundPen(eyeLine, 3.5);
    for (double left : {-38.0, 20.0}) {
        strokeCurve(painter, centre + QPointF(left, -4 - 5), {0, 0}, {9, 8}, {18, 0}, eyePen);
    }

    // Nose over mouth, a 13-high stack moved 10 down.
    const double stackTop = centre.y() - 6.5 + 10;
    painter.save();
    painter.translate(centre.x(), stackTop + 3);
    painter.rotate(180);
    painter.setPen(Qt::NoPen);
    painter.setBrush(noseColour);
    painter.drawPath(PolygonShape(3).path(QRectF(-4, -3, 8, 6)));
    painter.restore();
    const QPen mouthPen = roundPen(noseColour, 2.5);
    const double mouthTop = stackTop + 6 + 2;
    strokeCurve(painter, QPointF(centre.x() - 9.25, mouthTop), {10, 0}, {5, 5}, {0, 4}, mouthPen);
    strokeCurve(painter, QPointF(centre.x() - 0.75, mouthTop), {0, 0}, {5, 5}, {10, 4}, mouthPen);
}

} // namespace

void RestingCatView::paintHead(QPainter& painter, QPointF centre, CatHeadPictures* heads) {
    // A picture only where the painter moves in whole steps and does not
    // scale beyond its device (not while the cat springs in or out).
    const qreal ratio = painter.device()->devicePixelRatioF();
    const QTransform device = painter.deviceTransform();
    if (!heads || device.type() > QTransform::TxScale || device.m11() != ratio || device.m22() != ratio ||
        painter.opacity() != 1) {
        drawHead(painter, centre);
        return;
    }
    const QPointF at = device.map(centre);
    const QPointF whole(std::floor(at.x()), std::floor(at.y()));
    // Places a rounding error apart are the same.
    const QPointF phase =
        QPointF(std::round((at.x() - whole.x()) * 256), std::round((at.y() - whole.y()) * 256)) / 256;
    // Room around the shapes for their antialiased edges, in device pixels.
    const QPoint origin(static_cast<int>(std::ceil(-headBounds.left() * ratio)) + 2,
                        static_cast<int>(std::ceil(-headBounds.top() * ratio)) + 2);
    auto found = std::find_if(heads->pictures.begin(), heads->pictures.end(), [&](const auto& picture) {
        return picture.phase == phase && picture.ratio == ratio;
    });
    if (found == heads->pictures.end()) {
        // A breath's worth at most: at odd pixel ratios the places never repeat.
        constexpr size_t kept = 8;
        if (heads->pictures.size() >= kept) {
            heads->pictures.erase(heads->pictures.begin());
        }
        const QSize size(origin.x() + static_cast<int>(std::ceil(headBounds.right() * ratio)) + 2,
                         origin.y() + static_cast<int>(std::ceil(headBounds.bottom() * ratio)) + 2);
        QImage image(size, QImage::Format_ARGB32_Premultiplied);
        image.fill(Qt::transparent);
        {
            QPainter picture(&image);
            picture.setRenderHints(painter.renderHints());
            picture.translate(QPointF(origin) + phase);
            picture.scale(ratio, ratio);
            drawHead(picture, QPointF(0, 0));
        }
        image.setDevicePixelRatio(ratio);
        heads->pictures.push_back({phase, ratio, std::move(image)});
        found = heads->pictures.end() - 1;
    }
    painter.save();
    painter.resetTransform();
    painter.drawImage((whole - QPointF(origin)) / ratio, found->image);
    painter.restore();
}

void RestingCatView::paint(QPainter& painter, const QRectF& frame, double breathValue, double tailAngle,
                           CatHeadPictures* heads) {
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing);
    const double centreX = frame.center().x();
    // Both groups are centred in the frame and the head is lifted from there,
    // so it sits on the body's top edge. Stacking the head above the body
    // first would leave it floating a head's height higher, over the ring.
    const double headStackedCentre = frame.center().y();
    paintLowerGroup(painter, QPointF(centreX, frame.center().y() + bodyHeight / 2), breathValue, tailAngle);
    paintHead(painter, QPointF(centreX, headStackedCentre + headOffset(breathValue)), heads);
    painter.restore();
}
