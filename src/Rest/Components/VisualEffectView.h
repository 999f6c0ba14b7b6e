#pragma once

class QPainter;
class QPainterPath;

// The translucent dark panel behind the feedback card and the theme picker
// (a heads-up-display material). What lies behind is tinted, not blurred.
class VisualEffectView {
public:
    static void paint(QPainter& painter, const QPainterPath& shape);
};
