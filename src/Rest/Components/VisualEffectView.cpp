#include "Rest/Components/VisualEffectView.h"

#include <QPainter>
#include <QPainterPath>

void VisualEffectView::paint(QPainter& painter, const QPainterPath& shape) {
    painter.fillPath(shape, QColor(24, 24, 28, 200));
}
