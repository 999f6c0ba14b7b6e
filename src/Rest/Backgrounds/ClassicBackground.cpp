#include "Rest/Backgrounds/ClassicBackground.h"

#include "Platform/Clock.h"
#include "Platform/Memory.h"
#include "Rest/Components/CachedPicture.h"
#include "Rest/Components/ClassicGlows.h"
#include "Rest/Components/ImageBlur.h"
#include "Rest/Models/Animation.h"

#include <QPaintEvent>
#include <QPainter>
#include <QRadialGradient>

#include <cmath>
#include <map>

// One glow blurred, cut to the pixels it colours; centre is where the glow's
// own centre lies in the image.
struct GlowSprite {
    QImage image;
    QPointF centre;
};
struct GlowSprites {
    std::array<GlowSprite, 3> glows;
    QColor base;
};

namespace {

// A glow with room for the blur to spread; it blends to nothing well inside.
constexpr int blurMargin = 160;

GlowSprite makeGlowSprite(const ClassicGlows::Glow& glow) {
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
    image = ImageBlur::blurred(std::move(image), ClassicGlows::blurRadius);
    // The blur leaves a wide ring of empty pixels and a thin one of pixels
    // at alpha 1, which add at most one level; keep only what it coloured.
    int top = side;
    int bottom = -1;
    int left = side;
    int right = -1;
    for (int y = 0; y < side; ++y) {
        const auto* line = reinterpret_cast<const QRgb*>(image.constScanLine(y));
        for (int x = 0; x < side; ++x) {
            if (qAlpha(line[x]) > 1) {
                top = std::min(top, y);
                bottom = y;
                left = std::min(left, x);
                right = std::max(right, x);
            }
        }
    }
    if (bottom < 0) {
        return {QImage(), QPointF()};
    }
    const QRect used(QPoint(left, top), QPoint(right, bottom));
    return {image.copy(used), QPointF(side / 2.0, side / 2.0) - QPointF(used.topLeft())};
}

// Draws the veil over a picture where it has colour, keeping its opacity.
void veil(QImage& image, const QColor& colour) {
    QPainter painter(&image);
    painter.setCompositionMode(QPainter::CompositionMode_SourceAtop);
    painter.fillRect(image.rect(), colour);
}

std::shared_ptr<const GlowSprites> sharedGlowSprites(const QColor& veilColour) {
    static std::map<QRgb, std::weak_ptr<const GlowSprites>> byVeil;
    std::weak_ptr<const GlowSprites>& shared = byVeil[veilColour.rgba()];
    std::shared_ptr<const GlowSprites> sprites = shared.lock();
    if (!sprites) {
        auto made = std::make_shared<GlowSprites>();
        for (size_t i = 0; i < made->glows.size(); ++i) {
            made->glows[i] = makeGlowSprite(ClassicGlows::glows()[i]);
            // Each blur goes through several pictures of the glow's size:
            // given back at once, the heap does not keep the first glows'
            // pages beside the next one's.
            returnFreedMemoryToSystem();
        }
        // The first glow goes straight onto the base: the two made into one
        // opaque picture are copied, not filled and blended, at every step.
        QImage& first = made->glows[0].image;
        QImage based(first.size(), QImage::Format_RGB32);
        based.fill(ClassicGlows::baseColour);
        QPainter(&based).drawImage(0, 0, first);
        first = based;
        // Black over a colour only scales its light, and a picture drawn
        // over another scales with it: the veil over each picture once is
        // the veil over everything they make, at no cost per repaint.
        QImage base(1, 1, QImage::Format_RGB32);
        base.fill(ClassicGlows::baseColour);
        if (veilColour.alpha() != 0) {
            for (QImage* image :
                 {&made->glows[0].image, &made->glows[1].image, &made->glows[2].image, &base}) {
                veil(*image, veilColour);
            }
        }
        made->base = base.pixelColor(0, 0);
        sprites = made;
        shared = sprites;
        // And the first glow's picture without the base; the heap would
        // keep its pages for the whole rest.
        returnFreedMemoryToSystem();
    }
    return sprites;
}

} // namespace

ClassicBackdrop::ClassicBackdrop(Clock& clock, QWidget* owner, const QColor& veil)
    : clock(clock)
    , owner(owner)
    , veilColour(veil)
    , timer(clock.createFrameTimer(owner)) {
    drawn = positionsAt(0);
    QObject::connect(timer, &Timer::timeout, owner, [this] {
        const double now = Animation::now(this->clock);
        const QRegion before = coveredArea();
        if (step(now)) {
            this->owner->update(onDeviceGrid(before + coveredArea(), this->owner->devicePixelRatioF()));
        }
        timer->start(nextStepIn(now), false);
    });
}

ClassicBackdrop::~ClassicBackdrop() = default;

std::array<QPointF, 3> ClassicBackdrop::positionsAt(double now) const {
    // Whole device pixels keep the blend on the untransformed fast path.
    const double ratio = owner->devicePixelRatioF();
    std::array<QPointF, 3> result = ClassicGlows::offsets(now - appearedAt);
    for (QPointF& offset : result) {
        offset = onDevicePixel(offset, ratio);
    }
    return result;
}

void ClassicBackdrop::appear(double now) {
    appearedAt = now;
    drawn = positionsAt(now);
    timer->start(nextStepIn(now), false);
}

void ClassicBackdrop::disappear() {
    timer->stop();
    sprites.reset();
}

bool ClassicBackdrop::movedFarEnough(const std::array<QPointF, 3>& places) const {
    const double ratio = owner->devicePixelRatioF();
    for (size_t i = 0; i < places.size(); ++i) {
        const QPointF moved = (places[i] - drawn[i]) * ratio;
        // Whole device pixels apart, give or take rounding.
        if (std::max(std::abs(moved.x()), std::abs(moved.y())) > redrawPixels - 0.5) {
            return true;
        }
    }
    return false;
}

bool ClassicBackdrop::step(double now) {
    const std::array<QPointF, 3> next = positionsAt(now);
    if (!movedFarEnough(next)) {
        return false;
    }
    drawn = next;
    return true;
}

double ClassicBackdrop::nextStepIn(double now) const {
    // Near the turns a glow takes long to go that far, or turns back first.
    double ahead = lookAheadSeconds;
    while (ahead < ClassicGlows::legSeconds && !movedFarEnough(positionsAt(now + ahead))) {
        ahead += lookAheadSeconds;
    }
    return ahead;
}

QRectF ClassicBackdrop::placed(size_t glow) const {
    const double ratio = owner->devicePixelRatioF();
    const GlowSprite& sprite = sprites->glows[glow];
    return {onDevicePixel(QRectF(owner->rect()).center() + drawn[glow] - sprite.centre, ratio),
            QSizeF(sprite.image.size())};
}

QRegion ClassicBackdrop::coveredArea() const {
    if (!sprites) {
        return owner->rect();
    }
    QRegion covered;
    for (size_t i = 0; i < drawn.size(); ++i) {
        covered += placed(i).toAlignedRect();
    }
    return covered & owner->rect();
}

void ClassicBackdrop::paint(QPainter& painter, const QRect& part) {
    if (!sprites) {
        sprites = sharedGlowSprites(veilColour);
    }
    // The first glow's picture holds the base within its bounds.
    if (!placed(0).contains(QRectF(part))) {
        painter.fillRect(part, sprites->base);
    }
    for (size_t i = 0; i < drawn.size(); ++i) {
        const GlowSprite& glow = sprites->glows[i];
        const QRectF placed = this->placed(i);
        const QRectF overlap = QRectF(part) & placed;
        if (!overlap.isEmpty()) {
            painter.drawImage(overlap, glow.image, overlap.translated(-placed.topLeft()));
        }
    }
}

ClassicBackground::ClassicBackground(Clock& clock, const QColor& veil, QWidget* parent)
    : QWidget(parent)
    , clock(clock)
    , backdrop(clock, this, veil) {
    setAttribute(Qt::WA_OpaquePaintEvent);
}

void ClassicBackground::paintEvent(QPaintEvent* event) {
    QPainter painter(this);
    paintEachRect(painter, event->region(), [&](const QRect& part) { backdrop.paint(painter, part); });
}

void ClassicBackground::showEvent(QShowEvent*) {
    backdrop.appear(Animation::now(clock));
}

void ClassicBackground::hideEvent(QHideEvent*) {
    backdrop.disappear();
}
