#include "Rest/Backgrounds/ClassicBackground.h"

#include "Platform/Clock.h"
#include "Rest/Components/ClassicGlows.h"
#include "Rest/Components/ImageBlur.h"
#include "Rest/Models/Animation.h"

#include <QPainter>
#include <QRadialGradient>

#include <array>
#include <cmath>

namespace {

// A glow with room for the blur to spread; it blends to nothing well inside.
constexpr int blurMargin = 160;

QImage makeGlowSprite(const ClassicGlows::Glow& glow) {
    const int side = static_cast<int>(glow.frame) + 2 * blurMargin;
    QImage image(side, side, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    {
        QPainter painter(&image);
        painter.setRenderHint(QPainter::Antialiasing);
        const QPointF centre(side / 2.0, side / 2.0);
        QRadialGradient gradient(centre, glow.endRadius);
        gradient.setColorAt(0, glow.colour);
        QColor clear = glow.colour;
        clear.setAlpha(0);
        gradient.setColorAt(1, clear);
        painter.setPen(Qt::NoPen);
        painter.setBrush(gradient);
        painter.drawEllipse(centre, glow.frame / 2, glow.frame / 2);
    }
    return ImageBlur::blurred(image, ClassicGlows::blurRadius);
}

const std::array<QImage, 3>& glowSprites() {
    static const std::array<QImage, 3> sprites = {
        makeGlowSprite(ClassicGlows::glows()[0]),
        makeGlowSprite(ClassicGlows::glows()[1]),
        makeGlowSprite(ClassicGlows::glows()[2]),
    };
    return sprites;
}

} // namespace

void ClassicBackdrop::appear(double now) {
    appearedAt = now;
}

void ClassicBackdrop::paint(QPainter& painter, const QRect& area, double now) const {
    painter.fillRect(area, ClassicGlows::baseColour);
    const std::array<QPointF, 3> offsets = ClassicGlows::offsets(now - appearedAt);
    const QPointF centre = QRectF(area).center();
    const std::array<QImage, 3>& sprites = glowSprites();
    for (size_t i = 0; i < sprites.size(); ++i) {
        const QImage& sprite = sprites[i];
        // Whole pixels keep the blend on the untransformed fast path.
        const QPointF topLeft = centre + offsets[i] - QPointF(sprite.width() / 2.0, sprite.height() / 2.0);
        painter.drawImage(QPoint(qRound(topLeft.x()), qRound(topLeft.y())), sprite);
    }
}

ClassicBackground::ClassicBackground(Clock& clock, QWidget* parent)
    : QWidget(parent)
    , clock(clock)
    , frameTimer(clock.createTimer(this)) {
    setAttribute(Qt::WA_OpaquePaintEvent);
    connect(frameTimer, &Timer::timeout, this, qOverload<>(&QWidget::update));
}

void ClassicBackground::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    backdrop.paint(painter, rect(), Animation::now(clock));
}

void ClassicBackground::showEvent(QShowEvent*) {
    backdrop.appear(Animation::now(clock));
    // The glows move under 2.5 points per 0.05 s; finer steps vanish in the blur.
    frameTimer->start(0.05, true);
}

void ClassicBackground::hideEvent(QHideEvent*) {
    frameTimer->stop();
}
