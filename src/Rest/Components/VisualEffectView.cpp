#include "Rest/Components/VisualEffectView.h"

#include "Rest/Components/ImageBlur.h"

#include <QPainter>
#include <QPainterPath>

QImage VisualEffectView::blurredBehind(const QImage& behind) {
    return ImageBlur::blurred(behind, blurRadius);
}

void VisualEffectView::paint(QPainter& painter, const QPainterPath& shape, const QImage& behind,
                             QPointF behindAt) {
    if (behind.isNull()) {
        painter.fillPath(shape, QColor(24, 24, 28, 200));
        return;
    }
    // A texture brush keeps the shape's edges antialiased, where a clip would not.
    const qreal ratio = behind.devicePixelRatio();
    QImage plain = behind;
    plain.setDevicePixelRatio(1);
    QBrush texture(plain);
    texture.setTransform(QTransform::fromTranslate(behindAt.x(), behindAt.y()).scale(1 / ratio, 1 / ratio));
    painter.save();
    painter.setRenderHint(QPainter::SmoothPixmapTransform);
    painter.fillPath(shape, texture);
    painter.restore();
    painter.fillPath(shape, QColor(24, 24, 28, 150));
}
