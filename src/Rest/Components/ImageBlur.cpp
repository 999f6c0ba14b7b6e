#include "Rest/Components/ImageBlur.h"

#include <QGraphicsBlurEffect>
#include <QGraphicsPixmapItem>
#include <QGraphicsScene>
#include <QPainter>

namespace ImageBlur {

QImage blurred(const QImage& source, double radius) {
    if (radius <= 0 || source.isNull()) {
        return source;
    }
    const qreal ratio = source.devicePixelRatio();
    QImage plain = source;
    plain.setDevicePixelRatio(1);
    QGraphicsScene scene;
    auto* item = scene.addPixmap(QPixmap::fromImage(plain));
    auto* effect = new QGraphicsBlurEffect;
    effect->setBlurRadius(radius * ratio);
    effect->setBlurHints(QGraphicsBlurEffect::QualityHint);
    item->setGraphicsEffect(effect);
    QImage result(plain.size(), QImage::Format_ARGB32_Premultiplied);
    result.fill(Qt::transparent);
    {
        QPainter painter(&result);
        const QRectF bounds(QPointF(0, 0), QSizeF(plain.size()));
        scene.render(&painter, bounds, bounds);
    }
    result.setDevicePixelRatio(ratio);
    return result;
}

QImage withShadow(const QImage& source, const QColor& colour, double radius, QPointF offset) {
    QImage silhouette(source.size(), QImage::Format_ARGB32_Premultiplied);
    silhouette.setDevicePixelRatio(source.devicePixelRatio());
    silhouette.fill(Qt::transparent);
    {
        QPainter painter(&silhouette);
        painter.drawImage(offset, source);
        painter.setCompositionMode(QPainter::CompositionMode_SourceIn);
        painter.fillRect(silhouette.rect(), colour);
    }
    QImage result = blurred(silhouette, radius);
    QPainter painter(&result);
    painter.drawImage(QPointF(0, 0), source);
    return result;
}

} // namespace ImageBlur
