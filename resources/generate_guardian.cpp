// Draws the guardian figure of the Ultraman theme: an abstract, faceless
// silhouette of light with a glowing chest core, on a transparent ground.
// Usage: tavo_artwork <output.png>

#include "Rest/Components/ImageBlur.h"

#include <QApplication>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QRadialGradient>

#include <cstdio>

namespace {

constexpr int side = 820;

// Head, shoulders, a tapering torso and arms held a little away from it;
// the legs fade out at the bottom of the frame. Drawn on a 410 grid, doubled.
QPainterPath silhouette() {
    QPainterPath body;
    body.moveTo(205, 92);
    body.cubicTo(232, 92, 240, 118, 236, 140); // right of the head
    body.cubicTo(234, 152, 228, 160, 224, 166);
    body.cubicTo(250, 170, 282, 176, 300, 192); // right shoulder
    body.cubicTo(318, 208, 322, 236, 326, 262); // upper arm
    body.cubicTo(332, 300, 340, 330, 344, 356);
    body.cubicTo(346, 368, 336, 372, 330, 362); // right hand
    body.cubicTo(318, 336, 306, 300, 294, 266);
    body.cubicTo(288, 250, 282, 246, 280, 256);
    body.cubicTo(276, 290, 264, 320, 258, 350); // waist
    body.cubicTo(256, 372, 262, 396, 264, 410); // right leg
    body.lineTo(146, 410);
    body.cubicTo(148, 396, 154, 372, 152, 350); // left leg
    body.cubicTo(146, 320, 134, 290, 130, 256);
    body.cubicTo(128, 246, 122, 250, 116, 266);
    body.cubicTo(104, 300, 92, 336, 80, 362); // left hand
    body.cubicTo(74, 372, 64, 368, 66, 356);
    body.cubicTo(70, 330, 78, 300, 84, 262);
    body.cubicTo(88, 236, 92, 208, 110, 192); // left shoulder
    body.cubicTo(128, 176, 160, 170, 186, 166);
    body.cubicTo(182, 160, 176, 152, 174, 140);
    body.cubicTo(170, 118, 178, 92, 205, 92);
    body.closeSubpath();
    return body;
}

} // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: tavo_artwork <output.png>\n");
        return 2;
    }
    QApplication app(argc, argv);
    const QPainterPath body = silhouette();

    QImage layer(side, side, QImage::Format_ARGB32_Premultiplied);
    layer.fill(Qt::transparent);
    {
        QPainter painter(&layer);
        painter.setRenderHint(QPainter::Antialiasing);
        painter.scale(2, 2);
        painter.setPen(Qt::NoPen);

        // Body of light: pale lilac at the head to deep violet, fading out below.
        QLinearGradient fill(0, 90, 0, 410);
        fill.setColorAt(0, QColor(232, 236, 255));
        fill.setColorAt(0.35, QColor(168, 150, 240));
        fill.setColorAt(0.75, QColor(96, 52, 190, 220));
        fill.setColorAt(1, QColor(60, 20, 140, 0));
        painter.setBrush(fill);
        painter.drawPath(body);

        // Facets: two sweeping bands of brighter light across chest and arms.
        painter.setClipPath(body);
        QPainterPath bands;
        bands.moveTo(96, 214);
        bands.cubicTo(150, 250, 260, 250, 314, 214);
        bands.lineTo(318, 236);
        bands.cubicTo(262, 272, 148, 272, 92, 236);
        bands.closeSubpath();
        bands.moveTo(150, 300);
        bands.cubicTo(180, 322, 230, 322, 260, 300);
        bands.lineTo(256, 316);
        bands.cubicTo(228, 334, 182, 334, 154, 316);
        bands.closeSubpath();
        painter.setBrush(QColor(210, 120, 255, 150));
        painter.drawPath(bands);

        // A visor of light instead of a face.
        painter.setBrush(QColor(200, 250, 255, 230));
        painter.drawRoundedRect(QRectF(186, 122, 38, 8), 4, 4);
        painter.setClipping(false);

        // Rim light around the whole figure.
        QPen rim(QColor(150, 230, 255, 200), 2.2);
        rim.setJoinStyle(Qt::RoundJoin);
        painter.setPen(rim);
        painter.setBrush(Qt::NoBrush);
        painter.drawPath(body);
    }

    // Aura: the silhouette blurred in violet behind the figure.
    QImage aura(side, side, QImage::Format_ARGB32_Premultiplied);
    aura.fill(Qt::transparent);
    {
        QPainter painter(&aura);
        painter.setRenderHint(QPainter::Antialiasing);
        painter.scale(2, 2);
        painter.setPen(QPen(QColor(170, 90, 255, 200), 10));
        painter.setBrush(QColor(140, 70, 255, 160));
        painter.drawPath(body);
    }
    aura = ImageBlur::blurred(aura, 36);

    // The core: a bright diamond in a round glow on the chest.
    QImage core(side, side, QImage::Format_ARGB32_Premultiplied);
    core.fill(Qt::transparent);
    {
        QPainter painter(&core);
        painter.setRenderHint(QPainter::Antialiasing);
        painter.scale(2, 2);
        painter.setPen(Qt::NoPen);
        const QPointF centre(205, 238);
        QRadialGradient glow(centre, 34);
        glow.setColorAt(0, QColor(220, 255, 255, 255));
        glow.setColorAt(0.4, QColor(90, 220, 255, 170));
        glow.setColorAt(1, QColor(90, 220, 255, 0));
        painter.setBrush(glow);
        painter.drawEllipse(centre, 34, 34);
        QPainterPath diamond;
        diamond.moveTo(centre + QPointF(0, -11));
        diamond.lineTo(centre + QPointF(8, 0));
        diamond.lineTo(centre + QPointF(0, 11));
        diamond.lineTo(centre + QPointF(-8, 0));
        diamond.closeSubpath();
        painter.setBrush(Qt::white);
        painter.drawPath(diamond);
    }

    QImage result(side, side, QImage::Format_ARGB32_Premultiplied);
    result.fill(Qt::transparent);
    {
        QPainter painter(&result);
        painter.drawImage(0, 0, aura);
        painter.drawImage(0, 0, layer);
        painter.drawImage(0, 0, ImageBlur::blurred(core, 6));
        painter.drawImage(0, 0, core);
        // The legs dissolve into light towards the bottom of the frame.
        QLinearGradient fade(0, 560, 0, 800);
        fade.setColorAt(0, Qt::black);
        fade.setColorAt(1, Qt::transparent);
        painter.setCompositionMode(QPainter::CompositionMode_DestinationIn);
        painter.fillRect(result.rect(), fade);
    }
    if (!result.convertToFormat(QImage::Format_ARGB32).save(QString::fromLocal8Bit(argv[1]), "PNG")) {
        std::fprintf(stderr, "cannot write %s\n", argv[1]);
        return 1;
    }
    return 0;
}
