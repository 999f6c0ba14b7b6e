#pragma once

#include <QColor>
#include <QImage>
#include <QPointF>
#include <QRect>
#include <QVariantList>

#include <functional>
#include <span>

class QPainter;
class QRegion;

// Calls paintPart for each rectangle of the region with the painter clipped
// to it, then takes the clip off. Qt's raster engine fills and copies images
// on its fast paths only under a rectangular clip; under a paint event's
// region of many rectangles every fill and copy goes span by span.
void paintEachRect(QPainter& painter, const QRegion& region,
                   const std::function<void(const QRect&)>& paintPart);

// Like paintEachRect for the region's large rectangles; the small ones go in
// groups of a few tens of lines, each group under its own clip, with
// paintPart given the group's bounding rectangle. A clip of its own for each
// small rectangle (a twinkling star, a firefly) costs more in set-up than its
// pixels, and Qt's raster engine hands a blend of about a hundred spans or
// more to its thread pool and waits for it: one blend over all the small
// rectangles of a frame would wake its threads on every tick.
void paintEachLargeRect(QPainter& painter, const QRegion& region,
                        const std::function<void(const QRect&)>& paintPart);

// The union of the rectangles, joined in pairs: adding a hundred small ones to
// a region one at a time goes over the growing region a hundred times.
QRegion unionOf(std::span<const QRect> rects);

// Copies the parts of image under the region, the image's top left lying at
// origin (in the painter's coordinates). Large parts go one at a time under a
// clip of their own (see paintEachRect); small ones straight under the
// region's clip: a clip of their own is cut from that region, which for a
// star field of a hundred twinkling points costs more than their pixels.
void copyEachRect(QPainter& painter, const QRegion& region, const QImage& image, QPointF origin);
// The same for one rectangle of a region.
void copyRect(QPainter& painter, const QRect& rect, const QImage& image, QPointF origin);

// Whether a pixel ratio is a whole number: device pixels then lie on whole
// points, and no placement needs mending.
bool isWhole(qreal ratio);

// The rectangle grown outwards to the nearest points that lie a little past
// a whole device pixel (its left and top) or a little short of one (its
// right and bottom); at whole ratios it is left as it is. At a fractional
// pixel ratio Qt scales each rectangle of a repaint region to device pixels
// on its own, rounding its corners where it clips and its corner and its
// size apart where it copies, clears and flushes: elsewhere an edge one
// rectangle shares with the next may land a row short, and that row is
// neither repainted nor sent to the screen, and keeps what it showed. There
// both give the same row, and the rounded rectangle covers the whole of it.
QRect onDeviceGrid(const QRect& rect, qreal ratio);
QRegion onDeviceGrid(const QRegion& region, qreal ratio);

// The point moved to the device pixel Qt rounds it to. An image at the
// device's resolution drawn there is copied pixel for pixel; drawn between
// device pixels, Qt samples it one way under a rectangular clip and another
// under a region, and the two can disagree by a row.
QPointF onDevicePixel(QPointF point, qreal ratio);
// Draws an image at the device's resolution (its pixel ratio the device's)
// with its top left corner on the device pixel the point rounds to, if the
// painter's transform only moves.
// At whole ratios Qt rounds it there itself. Antialiasing stays off for it:
// its edges lie on whole pixels, but Qt works their coverage out from
// points a rounding error off them, a level or two short in a clipped draw.
void drawOnDevicePixels(QPainter& painter, QPointF point, const QImage& image);

// Every whole pixel that the ring between two radii about centre touches,
// as bands of a few lines each: for a thin ring, a box around it would be
// mostly its clear middle.
QRegion ringRegion(QPointF centre, double inner, double outer);

// Calls paint once for each band of a few lines of the region, with the
// painter clipped to it, then takes the clip off. Qt's raster engine hands a
// scaled, translucent or antialiased drawing of about a hundred spans or more
// to its thread pool and waits for it; for the few hundred thousand pixels of
// a breathing sprite, tens of times a second, waking the threads costs more
// than the work.
void paintInBands(QPainter& painter, const QRegion& region, const std::function<void()>& paint);

// A part of a view that looks the same from one repaint to the next most of
// the time: drawn once into an image and copied while its key (whatever the
// picture depends on) stays the same. Text shaping, path filling and scaled
// sprites are then paid once per change, not on every repaint of something
// passing over the part.
class CachedPicture {
public:
    // Paints the dirty part of area (in the painter's coordinates, in whole
    // logical pixels), redrawing the picture with draw() first if the key
    // changed.
    void paint(QPainter& painter, const QRegion& dirty, const QRect& area, const QVariantList& key,
               const std::function<void(QPainter&)>& draw);
    // Lets go of the image.
    void clear();

private:
    QImage image;
    QRect drawnArea;
    QVariantList drawnKey;
};

// A small antialiased disc, rasterized once. Filled in a colour, it blends
// exactly as drawing the ellipse in that colour would, by copying a few
// pixels: for a star field twinkling on every tick the ellipses' outlines
// and rasterization cost several times their pixels.
class SmallDisc {
public:
    SmallDisc(QPointF centre, double radius, qreal ratio);
    // The whole pixels a disc may touch, in the painter's logical
    // coordinates.
    static QRect areaFor(QPointF centre, double radius);
    QRect area() const { return covered; }
    // With the painter's opacity at 1 and no transform beyond its device's.
    void fill(QPainter& painter, const QColor& colour);
    // Whether a fill in the colour would give the same pixels as the last.
    bool fillsAlike(const QColor& colour) const { return premultiplied(colour) == litIn; }

private:
    static QRgb premultiplied(const QColor& colour) { return qPremultiply(colour.rgba64()).toArgb32(); }

    QImage coverage;
    QImage lit;               // the coverage in the colour of the last fill
    QRgb litIn = 0xffffffffU; // that colour, premultiplied
    QPointF origin;           // on a whole device pixel
    QRect covered;
};
