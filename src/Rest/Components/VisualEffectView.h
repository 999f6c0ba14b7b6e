#pragma once

#include <QImage>
#include <QPointF>

class QPainter;
class QPainterPath;

// The translucent dark panel behind the feedback card and the theme picker
// (a heads-up-display material): what lies behind the panel, blurred, under a
// dark tint. The owner of what lies behind takes its picture and blurs it once
// per change of it (blurredBehind); every paint then only copies it.
class VisualEffectView {
public:
    static constexpr double blurRadius = 20;
    // Room to take around a panel's area, so that the blur near its edges
    // mixes in what lies beyond them rather than darkness.
    static constexpr int margin = 2 * static_cast<int>(blurRadius);

    // A picture of what lies behind (with `margin` to spare on every side), blurred.
    static QImage blurredBehind(const QImage& behind);
    // The panel in the shape; `behind` (from blurredBehind) has its top-left
    // corner at `behindAt` in the painter's coordinates. Without a picture the
    // tint alone is drawn, a little denser.
    static void paint(QPainter& painter, const QPainterPath& shape, const QImage& behind = {},
                      QPointF behindAt = {});
};
