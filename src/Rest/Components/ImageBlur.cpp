#include "Rest/Components/ImageBlur.h"

#include <QPainter>
#include <QtWidgets/qtwidgetsglobal.h>

#include <cmath>
#include <utility>

// The blur that Qt's blur effect draws with, exported by Qt Widgets for such
// use. Called directly it needs no scene and no pixmaps: a few megabytes at a
// time for a large glow, not twenty.
QT_BEGIN_NAMESPACE
extern Q_WIDGETS_EXPORT void qt_blurImage(QPainter* p, QImage& blurImage, qreal radius, bool quality,
                                          bool alphaOnly, int transposed = 0);
QT_END_NAMESPACE

namespace {

bool hasClearEdges(const QImage& image) {
    const auto clear = [&](int x, int y) { return qAlpha(image.pixel(x, y)) == 0; };
    for (int x = 0; x < image.width(); ++x) {
        if (!clear(x, 0) || !clear(x, image.height() - 1)) {
            return false;
        }
    }
    for (int y = 0; y < image.height(); ++y) {
        if (!clear(0, y) || !clear(image.width() - 1, y)) {
            return false;
        }
    }
    return true;
}

} // namespace

namespace ImageBlur {

QImage blurred(QImage source, double radius) {
    if (radius <= 0 || source.isNull()) {
        return source;
    }
    const qreal ratio = source.devicePixelRatio();
    const QSize size = source.size();
    QImage plain = std::move(source);
    plain.setDevicePixelRatio(1);
    // As the blur effect does: two and a half times the radius, over the
    // picture padded by that and a pixel all round with clear pixels, which
    // the blur draws in at the edges. A picture with clear edges needs only
    // the padding's parity: the blur works on pairs of pixels counted from
    // the padding's edge.
    const double effectRadius = 2.5 * radius * ratio;
    const int padding = static_cast<int>(std::ceil(effectRadius + 1));
    const int margin = hasClearEdges(plain) ? padding % 2 : padding;
    if (margin > 0) {
        QImage padded(size + QSize(2 * margin, 2 * margin), QImage::Format_ARGB32_Premultiplied);
        padded.fill(Qt::transparent);
        {
            QPainter painter(&padded);
            painter.setCompositionMode(QPainter::CompositionMode_Source);
            painter.drawImage(margin, margin, plain);
        }
        plain = std::move(padded);
    }
    QImage result(size, QImage::Format_ARGB32_Premultiplied);
    result.fill(Qt::transparent);
    {
        QPainter painter(&result);
        painter.translate(-margin, -margin);
        qt_blurImage(&painter, plain, effectRadius, true, false);
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
    QImage result = blurred(std::move(silhouette), radius);
    QPainter painter(&result);
    painter.drawImage(QPointF(0, 0), source);
    return result;
}

} // namespace ImageBlur
