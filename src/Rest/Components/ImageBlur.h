#pragma once

#include <QColor>
#include <QImage>
#include <QPointF>

// Gaussian-looking blurs for artwork that is drawn once and then moved,
// scaled and faded as a sprite: a blur is never recomputed per frame.
namespace ImageBlur {

// The image blurred with the given radius (in the image's logical pixels).
// Pixels outside the image count as transparent, so give sprites a margin
// of about twice the radius. The device pixel ratio is kept.
QImage blurred(QImage source, double radius);

// The image over its own blurred silhouette tinted in the colour, moved by
// the offset: a drop shadow, within the image's own bounds.
QImage withShadow(const QImage& source, const QColor& colour, double radius, QPointF offset);

} // namespace ImageBlur
