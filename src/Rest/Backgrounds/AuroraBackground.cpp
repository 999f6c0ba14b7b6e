#include "Rest/Backgrounds/AuroraBackground.h"

#include "Platform/Clock.h"
#include "Rest/Components/CachedPicture.h"
#include "Rest/Components/Palette.h"
#include "Rest/Models/Animation.h"

#include <QMouseEvent>
#include <QPaintEvent>
#include <QPainter>
#include <QRadialGradient>

#include <array>
#include <cmath>
#include <vector>

namespace {

// Dots are pre-rendered in quarter-point size steps over the size range.
constexpr double spriteStep = 0.25;
constexpr int spriteCount =
    static_cast<int>((FireflyField::maxSize - FireflyField::minSize) / spriteStep) + 1;

// One firefly: a disc of the given diameter filled with a radial gradient
// reaching three times its radius, so only the gradient's bright inner third shows.
QImage makeFireflySprite(double size) {
    const int side = static_cast<int>(std::ceil(size)) + 2;
    QImage image(side, side, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    const QPointF centre(side / 2.0, side / 2.0);
    QRadialGradient gradient(centre, 1.5 * size);
    gradient.setColorAt(0, Palette::withOpacity(Palette::teal, 0.8));
    gradient.setColorAt(1, Palette::withOpacity(Palette::cyan, 0));
    painter.setPen(Qt::NoPen);
    painter.setBrush(gradient);
    painter.drawEllipse(centre, size / 2, size / 2);
    return image;
}

const std::array<QImage, spriteCount>& fireflySprites() {
    static const std::array<QImage, spriteCount> sprites = [] {
        std::array<QImage, spriteCount> result;
        for (int i = 0; i < spriteCount; ++i) {
            result[static_cast<size_t>(i)] = makeFireflySprite(FireflyField::minSize + i * spriteStep);
        }
        return result;
    }();
    return sprites;
}

size_t spriteIndex(double size) {
    const long index = std::lround((size - FireflyField::minSize) / spriteStep);
    return static_cast<size_t>(std::clamp<long>(index, 0, spriteCount - 1));
}

const QImage& spriteFor(double size) {
    return fireflySprites()[spriteIndex(size)];
}

} // namespace

AuroraBackground::AuroraBackground(Clock& clock, QWidget* parent, QRandomGenerator* random)
    : QWidget(parent)
    , clock(clock)
    , classic(clock, this)
    , fireflies(random)
    , timer(clock.createFrameTimer(this)) {
    setAttribute(Qt::WA_OpaquePaintEvent);
    setMouseTracking(true);
    connect(timer, &Timer::timeout, this, &AuroraBackground::tick);
}

QRect AuroraBackground::spriteRect(const FireflyParticle& particle) {
    const QImage& sprite = spriteFor(particle.size);
    return {static_cast<int>(std::lround(particle.position.x() - sprite.width() / 2.0)),
            static_cast<int>(std::lround(particle.position.y() - sprite.height() / 2.0)), sprite.width(),
            sprite.height()};
}

// At a fractional ratio the sprite is scaled once to as many device pixels
// and drawn from the device pixel its corner rounds to (see
// drawOnDevicePixels). Scaled on each draw from between device pixels, Qt
// samples it one way under a rectangular clip and another under a region,
// and the two disagree on its rows.
const QImage& AuroraBackground::sprite(double size, qreal ratio) {
    // At a whole ratio Qt scales it on whole pixels.
    if (isWhole(ratio)) {
        return spriteFor(size);
    }
    if (scaledFor != ratio) {
        scaledFor = ratio;
        scaledSprites.clear();
        for (const QImage& plain : fireflySprites()) {
            scaledSprites.push_back(plain.scaled(plain.size() * ratio));
            scaledSprites.back().setDevicePixelRatio(ratio);
        }
    }
    return scaledSprites[spriteIndex(size)];
}

void AuroraBackground::tick() {
    // Every dot flickers on every tick: each is repainted where it was and
    // where it is, one area when the two overlap (a dot moves about a pixel
    // a tick). A dot that wraps leaves two small areas, not one long one.
    // One region for the lot: each update of its own goes over the growing
    // dirty region again.
    std::vector<QRect> areas;
    areas.reserve(2 * fireflies.particles().size());
    for (const FireflyParticle& particle : fireflies.particles()) {
        areas.push_back(spriteRect(particle));
    }
    const size_t count = areas.size();
    fireflies.update(size(), mouseLocation);
    for (size_t i = 0; i < count; ++i) {
        const QRect now = spriteRect(fireflies.particles()[i]);
        if (now.intersects(areas[i])) {
            areas[i] |= now;
        } else {
            areas.push_back(now);
        }
    }
    const qreal ratio = devicePixelRatioF();
    for (QRect& area : areas) {
        area = onDeviceGrid(area, ratio);
    }
    update(unionOf(areas));
}

void AuroraBackground::paintEvent(QPaintEvent* event) {
    const qreal ratio = devicePixelRatioF();
    std::vector<QRect> places;
    places.reserve(fireflies.particles().size());
    for (const FireflyParticle& particle : fireflies.particles()) {
        places.push_back(spriteRect(particle));
    }
    QPainter painter(this);
    paintEachLargeRect(painter, event->region(), [&](const QRect& part) {
        classic.paint(painter, part);
        for (size_t i = 0; i < places.size(); ++i) {
            if (part.intersects(places[i])) {
                const FireflyParticle& particle = fireflies.particles()[i];
                painter.setOpacity(particle.opacity);
                drawOnDevicePixels(painter, places[i].topLeft(), sprite(particle.size, ratio));
            }
        }
        painter.setOpacity(1);
    });
}

void AuroraBackground::showEvent(QShowEvent*) {
    classic.appear(Animation::now(clock));
    fireflies.initialize(size());
    timer->start(FireflyField::tickSeconds, true);
}

void AuroraBackground::hideEvent(QHideEvent*) {
    timer->stop();
    classic.disappear();
}

void AuroraBackground::mouseMoveEvent(QMouseEvent* event) {
    mouseLocation = event->position();
}

void AuroraBackground::leaveEvent(QEvent*) {
    mouseLocation.reset();
}
