#pragma once

#include <QImage>
#include <QPainterPath>
#include <QRectF>
#include <QSizeF>

#include <vector>

class QPainter;

// A regular polygon inscribed in a rectangle, first corner at angle 0 (the
// right), the others clockwise on screen. sides must be at least 1.
class PolygonShape {
public:
    explicit PolygonShape(int sides)
        : sides(sides) {}
    QPainterPath path(const QRectF& rect) const;

private:
    int sides;
};

// The cat's head drawn once for each place it takes within a device pixel.
// It rises and falls by a quarter point a breathing tick, so a few pictures
// serve the whole breath, copied to whole device pixels instead of filling
// a dozen antialiased shapes on every tick.
class CatHeadPictures {
public:
    void clear() { pictures.clear(); }

private:
    friend class RestingCatView;
    struct Picture {
        QPointF phase;
        qreal ratio;
        QImage image;
    };
    std::vector<Picture> pictures;
};

// The sleeping orange cat under the aurora countdown. It breathes with the
// rest view's breathing level and swings its tail ±10° every 2.2 s.
class RestingCatView {
public:
    static constexpr double height = 180;
    static constexpr double bodyWidth = 140;
    static constexpr double bodyHeight = 100;
    static constexpr double tailLegSeconds = 2.2;

    // Body size after the breathing scale (about its bottom centre).
    static QSizeF bodySize(double breathValue);
    // Vertical offset of the head from its stacked position (negative is up).
    static double headOffset(double breathValue);
    // Degrees, −10 when the view appears, +10 after one swing.
    static double tailAngle(double secondsSinceAppear);

    // Everything the cat can cover in a frame, tail and raised head included.
    static QRectF bounds(const QRectF& frame);
    // Draws into a frame 180 high, centred horizontally in it; with heads,
    // the head comes from there where the painter allows.
    static void paint(QPainter& painter, const QRectF& frame, double breathValue, double tailAngle,
                      CatHeadPictures* heads = nullptr);

private:
    static void paintHead(QPainter& painter, QPointF centre, CatHeadPictures* heads);
};
