#include "Rest/Components/UltramanTigaView.h"
#include "Platform/Desktop/Fonts.h"

#include "Platform/Clock.h"
#include "Platform/Random.h"
#include "Rest/Components/CachedPicture.h"
#include "Rest/Components/ImageBlur.h"
#include "Rest/Components/Palette.h"

#include <QFile>
#include <QFontMetricsF>
#include <QLinearGradient>
#include <QPaintEvent>
#include <QPainter>
#include <QPainterPath>
#include <QRadialGradient>
#include <QRandomGenerator>
#include <QStringList>

#include <algorithm>
#include <cmath>
#include <vector>

using namespace UltramanTiga;

// Outside any namespace, as the resource initialiser requires; the picture
// lives in this static library, so it must be pulled in by hand.
static void initResources() {
    Q_INIT_RESOURCE(UltramanTigaView);
}

namespace {

const QString headlineText = QStringLiteral("靓仔该放松一下眼睛啦");

// Text line box as the platform lays it out: 1.2 em, glyphs centred on it.
double lineHeight(const QFont& font) {
    return font.pixelSize() * 1.2;
}
double baselineIn(const QFont& font, double top) {
    return top + (lineHeight(font) + QFontMetricsF(font).capHeight()) / 2;
}

QImage canvas(QSizeF logical, qreal ratio) {
    QImage image((logical * ratio).toSize(), QImage::Format_ARGB32_Premultiplied);
    image.setDevicePixelRatio(ratio);
    image.fill(Qt::transparent);
    return image;
}

// The picture without the clear rim that its blur's room left, cut in equal
// parts from opposite sides so that its centre stays where it was, and no
// smaller than the given size. One clear pixel stays, for a scaled draw to
// fade to nothing at the edge as before.
QImage withoutClearRim(const QImage& image, QSize atLeast = QSize()) {
    const auto clearRow = [&](int y) {
        const auto* pixel = reinterpret_cast<const QRgb*>(image.constScanLine(y));
        return std::all_of(pixel, pixel + image.width(), [](QRgb value) { return value == 0; });
    };
    const auto clearColumn = [&](int x) {
        for (int y = 0; y < image.height(); ++y) {
            if (reinterpret_cast<const QRgb*>(image.constScanLine(y))[x] != 0) {
                return false;
            }
        }
        return true;
    };
    int rows = 0;
    while (image.height() - 2 * (rows + 1) >= std::max(atLeast.height(), 1) && clearRow(rows) &&
           clearRow(image.height() - 1 - rows)) {
        ++rows;
    }
    int columns = 0;
    while (image.width() - 2 * (columns + 1) >= std::max(atLeast.width(), 1) && clearColumn(columns) &&
           clearColumn(image.width() - 1 - columns)) {
        ++columns;
    }
    rows = std::max(rows - 1, 0);
    columns = std::max(columns - 1, 0);
    return image.copy(columns, rows, image.width() - 2 * columns, image.height() - 2 * rows);
}

// A shape drawn centred on a canvas with room for its blur, then blurred.
QImage blurredShape(QSizeF shape, double blurRadius, qreal ratio,
                    const std::function<void(QPainter&, QRectF)>& paint, QSize atLeast = QSize()) {
    const double margin = 2 * blurRadius + 2;
    QImage image = canvas(shape + QSizeF(2 * margin, 2 * margin), ratio);
    {
        QPainter painter(&image);
        painter.setRenderHint(QPainter::Antialiasing);
        painter.setPen(Qt::NoPen);
        paint(painter, QRectF(QPointF(margin, margin), shape));
    }
    return withoutClearRim(ImageBlur::blurred(std::move(image), blurRadius), atLeast);
}

// Even device sizes put a picture's centre on a whole device pixel.
QSize evenDeviceSize(QSizeF size, qreal ratio) {
    return {2 * static_cast<int>(std::ceil(size.width() * ratio / 2)),
            2 * static_cast<int>(std::ceil(size.height() * ratio / 2))};
}

// The glow is clear beyond its radius; only the square around it is drawn.
QRect glowSquare(QSize size) {
    const double radius = 0.55 * std::min(size.width(), size.height());
    return QRectF(QPointF(size.width() / 2.0 - radius, size.height() / 2.0 - radius),
                  QSizeF(2 * radius, 2 * radius))
               .toAlignedRect() &
           QRect(QPoint(), size);
}

// How much of the halo's wider blur (40) goes into the mix with its narrower
// one (16) to stand for the breathing radius.
double haloMix(double breath) {
    return (Motion::haloBlurRadius(breath) - 16) / 24;
}

} // namespace

void UltramanTigaView::Sprite::draw(QPainter& painter, QPointF centre, double opacity) const {
    if (opacity <= 0 || image.isNull()) {
        return;
    }
    const QSizeF size = image.deviceIndependentSize();
    const double previous = painter.opacity();
    painter.setOpacity(previous * opacity);
    drawOnDevicePixels(painter, QPointF(centre.x() - size.width() / 2, centre.y() - size.height() / 2),
                       image);
    painter.setOpacity(previous);
}

void UltramanTigaView::Sprite::drawBlend(QPainter& painter, const std::array<Sprite, 2>& ends, QPointF centre,
                                         double mix, double opacity) {
    mix = std::clamp(mix, 0.0, 1.0);
    ends[0].draw(painter, centre, opacity * (1 - mix));
    ends[1].draw(painter, centre, opacity * mix);
}

UltramanTigaView::UltramanTigaView(Clock& time, int totalRestSeconds, std::function<int()> secondsRemaining,
                                   QString subtitle, QWidget* parent, QRandomGenerator* random)
    : QWidget(parent)
    , totalSeconds(std::max(totalRestSeconds, 1))
    , secondsRemaining(std::move(secondsRemaining))
    , subtitle(std::move(subtitle))
    , stars(makeStars(random ? *random : *QRandomGenerator::global()))
    , clock(time.createTimer(this)) {
    initResources();
    setAttribute(Qt::WA_TransparentForMouseEvents);
    connect(clock, &Timer::timeout, this, &UltramanTigaView::tick);
}

QString UltramanTigaView::randomSubtitle() {
    static const QStringList subtitles = {
        QStringLiteral("本集标题 · 打工人终于眨眼了"),
        QStringLiteral("能量灯：我闪我的 · 你倒是闭眼啊"),
        QStringLiteral("变身器没坏 · 是你眼睛没电了"),
        QStringLiteral("屏幕怪兽 HP 没掉 · 你的眼睛先掉血了"),
        QStringLiteral("地球防卫队批准 · 你现在可以不看屏幕"),
        QStringLiteral("光线技能冷却中 · 请用闭眼恢复 MP"),
        QStringLiteral("本轮作战失败原因 · 眨眼次数过低"),
        QStringLiteral("别对屏幕放光线了 · 先把眼睛收回来"),
        QStringLiteral("人间体已离线 · 二十秒后自动重连"),
        QStringLiteral("屏幕先别救了 · 先救一下眼睛"),
    };
    return randomElement(subtitles);
}

QImage UltramanTigaView::figureImage() {
    initResources();
    return QImage(QStringLiteral(":/tiga_guard_transparent.png"));
}

void UltramanTigaView::paintVioletGlow(QPainter& painter, QSize size) {
    const QPointF centre(size.width() / 2.0, size.height() / 2.0);
    QRadialGradient gradient(centre, 0.55 * std::min(size.width(), size.height()), centre, 60);
    gradient.setColorAt(0, QColor::fromRgbF(0.22f, 0.04f, 0.38f, 0.55f));
    gradient.setColorAt(0.5, QColor::fromRgbF(0.06f, 0.02f, 0.14f, 0.20f));
    gradient.setColorAt(1, Qt::transparent);
    painter.fillRect(glowSquare(size), gradient);
}

void UltramanTigaView::setGlowBeneath(bool beneath) {
    if (beneath != glowBeneath) {
        glowBeneath = beneath;
        violetGlow = QImage();
        starLights.clear();
        update();
    }
}

QList<QRect> UltramanTigaView::animatedAreas() const {
    if (areas.figure.isEmpty()) {
        return {};
    }
    QList<QRect> result = {areas.figure, areas.capsule};
    result.reserve(4 + starField.rectCount());
    // The star field's own rectangles: fewer than its stars, where they touch.
    for (const QRect& part : starField) {
        result.append(part);
    }
    if (motion.textOpacity() < 1) {
        result << areas.headline << areas.subtitle;
    }
    return result;
}

QRect UltramanTigaView::starRect(const Star& star) const {
    return SmallDisc::areaFor(QPointF(star.x * width(), star.y * height()), star.size / 2);
}

QColor UltramanTigaView::starColour(qsizetype index) const {
    return Palette::withOpacity(starTints.at(index), starOpacity(stars.at(index), motion.glowPhase()));
}

void UltramanTigaView::tick() {
    motion.tick();
    // Every star twinkles, the figure floats in its breathing halo and the
    // capsule pulses; the texts change only while they fade in. Between the
    // halo's steps and the float's whole pixels only the core's steps change
    // the figure group.
    const bool floated = figureAt(figureCentre) != paintedFigureAt;
    const double breath = motion.haloBreath();
    if (motion.imageScale() != 1 || floated || std::abs(breath - shownBreath) * Motion::haloSteps > 1.5) {
        shownBreath = breath;
    }
    const bool groupChanged =
        motion.imageScale() != 1 || floated || Motion::haloScale(shownBreath) != mixedHaloScale;
    const bool coreChanged =
        motion.coreOpacity() != paintedCore.opacity || motion.coreScale() != paintedCore.scale;
    // A star whose pixels come out the same as last painted stays: a dim
    // one twinkles by less than a level on most ticks. The star field's
    // rectangles under those that change, in its order, stay a region.
    QRegion changed = areas.capsule;
    if (starLights.size() != stars.size()) {
        changed += starField;
    } else {
        std::vector<bool> twinkles(static_cast<size_t>(starField.rectCount()));
        for (qsizetype i = 0; i < stars.size(); ++i) {
            if (!starLights.at(i).fillsAlike(starColour(i))) {
                for (const int part : starParts.at(static_cast<size_t>(i))) {
                    twinkles[static_cast<size_t>(part)] = true;
                }
            }
        }
        std::vector<QRect> twinkled;
        const QRect* part = starField.begin();
        for (size_t i = 0; i < twinkles.size(); ++i, ++part) {
            if (twinkles[i]) {
                twinkled.push_back(*part);
            }
        }
        QRegion region;
        region.setRects(twinkled.data(), static_cast<int>(twinkled.size()));
        changed += region;
    }
    if (groupChanged) {
        changed += areas.figure;
    } else if (coreChanged) {
        changed += coreArea(paintedFigureAt);
    }
    update(onDeviceGrid(changed, devicePixelRatioF()));
    if (motion.textOpacity() < 1) {
        update(onDeviceGrid(areas.headline, devicePixelRatioF()));
        update(onDeviceGrid(areas.subtitle, devicePixelRatioF()));
    } else if (textsFading) {
        textsFading = false;
        Q_EMIT animatedAreasChanged();
    }
}

void UltramanTigaView::resizeEvent(QResizeEvent*) {
    // The stars stay where they are: their region is made once per size.
    std::vector<QRect> parts;
    parts.reserve(static_cast<size_t>(stars.size()));
    for (const Star& star : stars) {
        parts.push_back(starRect(star));
    }
    starField = unionOf(parts);
    starParts.assign(parts.size(), {});
    for (size_t i = 0; i < parts.size(); ++i) {
        int index = 0;
        for (const QRect& part : starField) {
            if (part.intersects(parts[i])) {
                starParts[i].push_back(index);
            }
            ++index;
        }
    }
    starLights.clear();
    Q_EMIT animatedAreasChanged();
}

void UltramanTigaView::showEvent(QShowEvent*) {
    clock->start(tickSeconds, true);
}

void UltramanTigaView::hideEvent(QHideEvent*) {
    clock->stop();
    // Made again at the next paint; nothing of it is needed between rests.
    spriteRatio = 0;
    starLights.clear();
    violetGlow = QImage();
    halo = {};
    mixedHalo = QImage();
    unscaledHalo = {};
    core = {};
    scaledCore = QImage();
    figure = {};
    headline = {};
    subtitleLine = {};
    capsule.reset();
    previousCapsule.reset();
    body = {};
}

void UltramanTigaView::buildStaticSprites(qreal ratio) {
    spriteRatio = ratio;
    mixedHalo = QImage();
    unscaledHalo = {};

    const auto haloShape = [](QPainter& painter, QRectF box) {
        QRadialGradient gradient(box.center(), 210, box.center(), 10);
        gradient.setColorAt(0, QColor::fromRgbF(0.5f, 0.1f, 0.9f, 0.38f));
        gradient.setColorAt(0.5, Palette::withOpacity(systemPurple, 0.12));
        gradient.setColorAt(1, Qt::transparent);
        painter.setBrush(gradient);
        painter.drawEllipse(box);
    };
    halo[0].image = blurredShape(QSizeF(470, 360), 16, ratio, haloShape);
    // The wider blur holds the narrower one whole: the mix goes by its size.
    halo[1].image = blurredShape(QSizeF(470, 360), 40, ratio, haloShape, halo[0].image.size());
    core.image = blurredShape(QSizeF(120, 120), 22, ratio, [](QPainter& painter, QRectF box) {
        painter.setBrush(systemCyan);
        painter.drawEllipse(box);
    });

    // The figure in its 410 frame, or the fallback glow, then its two shadows.
    const double margin = 80;
    QImage framed = canvas(QSizeF(410 + 2 * margin, 410 + 2 * margin), ratio);
    const QRectF frame(margin, margin, 410, 410);
    const QImage picture = figureImage();
    {
        QPainter painter(&framed);
        painter.setRenderHints(QPainter::Antialiasing | QPainter::SmoothPixmapTransform);
        if (!picture.isNull()) {
            QSizeF fitted = picture.size().scaled(frame.size().toSize(), Qt::KeepAspectRatio);
            painter.drawImage(
                QRectF(frame.center() - QPointF(fitted.width() / 2, fitted.height() / 2), fitted), picture);
        }
    }
    if (picture.isNull()) {
        const QImage glow = blurredShape(QSizeF(240, 240), 30, ratio, [](QPainter& painter, QRectF box) {
            QRadialGradient gradient(box.center(), 120, box.center(), 10);
            gradient.setColorAt(0, systemPurple);
            gradient.setColorAt(0.5, Palette::withOpacity(systemBlue, 0.5));
            gradient.setColorAt(1, Qt::transparent);
            painter.setBrush(gradient);
            painter.drawEllipse(box);
        });
        QPainter painter(&framed);
        const QSizeF size = glow.deviceIndependentSize();
        painter.drawImage(frame.center() - QPointF(size.width() / 2, size.height() / 2), glow);
    }
    framed = ImageBlur::withShadow(framed, Palette::withOpacity(systemPurple, 0.58), 28, QPointF(0, 8));
    figure.image = withoutClearRim(
        ImageBlur::withShadow(framed, Palette::withOpacity(systemCyan, 0.36), 18, QPointF(0, -4)));

    // Headline: gradient text with a cyan and a purple shadow.
    const QFont heroFont = systemFont(26, QFont::Bold);
    const double heroWidth = QFontMetricsF(heroFont).horizontalAdvance(headlineText);
    const double heroMargin = 46;
    QImage hero = canvas(QSizeF(heroWidth + 2 * heroMargin, lineHeight(heroFont) + 2 * heroMargin), ratio);
    {
        QPainter painter(&hero);
        painter.setRenderHint(QPainter::Antialiasing);
        QLinearGradient gradient(heroMargin, 0, heroMargin + heroWidth, 0);
        gradient.setColorAt(0, QColor::fromRgbF(0.72f, 0.88f, 1.0f));
        gradient.setColorAt(0.5, Qt::white);
        gradient.setColorAt(1, QColor::fromRgbF(0.78f, 0.6f, 1.0f));
        QPainterPath path;
        path.addText(heroMargin, baselineIn(heroFont, heroMargin), heroFont, headlineText);
        painter.fillPath(path, gradient);
    }
    hero = ImageBlur::withShadow(hero, Palette::withOpacity(systemCyan, 0.55), 12, QPointF(0, 2));
    headline.image = ImageBlur::withShadow(hero, Palette::withOpacity(systemPurple, 0.40), 20, QPointF(0, 4));

    QFont subFont = systemFont(13, QFont::Normal);
    subFont.setLetterSpacing(QFont::AbsoluteSpacing, 0.8);
    const double subWidth = QFontMetricsF(subFont).horizontalAdvance(subtitle);
    subtitleLine.image = canvas(QSizeF(subWidth + 4, lineHeight(subFont)), ratio);
    QPainter painter(&subtitleLine.image);
    painter.setRenderHint(QPainter::TextAntialiasing);
    painter.setFont(subFont);
    painter.setPen(Palette::withOpacity(Qt::white, 0.45));
    painter.drawText(QPointF(2, baselineIn(subFont, 0)), subtitle);
}

UltramanTigaView::CapsuleSprites UltramanTigaView::buildCapsule(int value, CapsuleLevel level, qreal ratio,
                                                                const CapsuleSprites* before) const {
    CapsuleSprites sprites;
    sprites.value = value;
    sprites.level = level;
    const QColor colour = levelColour(level);

    // Digits of equal width: each one centred in a cell as wide as the widest.
    const QFont numberFont = systemFont(58, QFont::Black);
    const QFontMetricsF metrics(numberFont);
    double cell = 0;
    for (QChar digit : QStringLiteral("0123456789")) {
        cell = std::max(cell, metrics.horizontalAdvance(digit));
    }
    const QString text = QString::asprintf("%lld", static_cast<long long>(value));
    double width = 0;
    for (QChar c : text) {
        width += c.isDigit() ? cell : metrics.horizontalAdvance(c);
    }
    sprites.numberWidth = width;
    const double textHeight = lineHeight(numberFont);
    // The digits centred on a canvas of the given size.
    const auto numberWithin = [&](QSizeF size, qreal scale) {
        QImage number = canvas(size, scale);
        const QPointF origin((size.width() - width) / 2, (size.height() - textHeight) / 2);
        QPainterPath path;
        double x = origin.x();
        const double baseline = baselineIn(numberFont, origin.y());
        for (QChar c : text) {
            const double advance = c.isDigit() ? cell : metrics.horizontalAdvance(c);
            path.addText(x + (advance - metrics.horizontalAdvance(c)) / 2, baseline, numberFont, QString(c));
            x += advance;
        }
        // A painter takes no pixel ratio below 1, so it scales by hand.
        number.setDevicePixelRatio(1);
        QPainter painter(&number);
        painter.scale(scale, scale);
        painter.setRenderHint(QPainter::Antialiasing);
        QLinearGradient gradient(0, origin.y(), 0, origin.y() + textHeight);
        gradient.setColorAt(0, Qt::white);
        gradient.setColorAt(1, Palette::withOpacity(colour, 0.96));
        painter.fillPath(path, gradient);
        painter.end();
        number.setDevicePixelRatio(scale);
        return number;
    };
    sprites.number.image = numberWithin(QSizeF(width + 4, textHeight + 4), ratio);
    // A glow has no detail finer than its radius: it is blurred at a lower
    // resolution, a fraction of the work, and scaled up once. Each canvas
    // holds the blur's reach in whole pixels of that resolution, so that the
    // glow scales up centred on the digits.
    for (int i = 0; i < 2; ++i) {
        const double radius = i == 0 ? 16 : 26;
        const qreal scale = i == 0 ? ratio / 2 : ratio / 4;
        const double reach = 2 * radius + 2;
        const QSizeF size =
            QSizeF(std::ceil((width + 2 * reach) * scale), std::ceil((textHeight + 2 * reach) * scale)) /
            scale;
        QImage silhouette = numberWithin(size, scale);
        QPainter painter(&silhouette);
        painter.setCompositionMode(QPainter::CompositionMode_SourceIn);
        painter.fillRect(silhouette.rect(), Palette::withOpacity(colour, 0.85));
        painter.end();
        QImage glow = ImageBlur::blurred(silhouette, radius)
                          .scaled((size * ratio).toSize(), Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
        glow.setDevicePixelRatio(ratio);
        sprites.numberShadow[static_cast<size_t>(i)].image = glow;
    }

    const QFont unitFont = systemFont(22, QFont::ExtraBold);
    const double rowWidth =
        44 + 16 + width + 16 + QFontMetricsF(unitFont).horizontalAdvance(QLatin1Char('s'));
    const double rowHeight = std::max(44.0, textHeight);
    sprites.size = QSizeF(rowWidth + 44, rowHeight + 24);
    // The capsule's glow and its light's depend only on its colour and size:
    // a new number of as many digits keeps them.
    if (before && before->level == level && before->size == sprites.size) {
        sprites.shadow = before->shadow;
        sprites.lightHalo = before->lightHalo;
        sprites.coreShadow = before->coreShadow;
        return sprites;
    }
    sprites.shadow.image = blurredShape(sprites.size, 18, ratio, [&](QPainter& painter, QRectF box) {
        painter.setBrush(colour);
        painter.drawRoundedRect(box, box.height() / 2, box.height() / 2);
    });
    sprites.lightHalo.image = blurredShape(QSizeF(42, 42), 8, ratio, [&](QPainter& painter, QRectF box) {
        painter.setBrush(colour);
        painter.drawEllipse(box);
    });
    for (int i = 0; i < 2; ++i) {
        sprites.coreShadow[static_cast<size_t>(i)].image =
            blurredShape(QSizeF(18, 18), i == 0 ? 12 : 22, ratio, [&](QPainter& painter, QRectF box) {
                painter.setBrush(Palette::withOpacity(colour, 0.95));
                painter.drawEllipse(box);
            });
    }
    return sprites;
}

void UltramanTigaView::paintEvent(QPaintEvent* event) {
    QPainter painter(this);
    const QRegion& dirty = event->region();
    const qreal ratio = devicePixelRatioF();
    if (spriteRatio != ratio) {
        buildStaticSprites(ratio);
        starLights.clear();
        capsule.reset();
        previousCapsule.reset();
    }
    const double w = width();
    const double h = height();
    const double glowPhase = motion.glowPhase();
    painter.setRenderHint(QPainter::Antialiasing);

    // Star field, one pass. Under a glow drawn beneath them, each star takes
    // the glow's colour over white: a glow g over a star s over what lies
    // below b is g + (1 - g.a) s + (1 - g.a)(1 - s.a) b, which is a star of
    // the same opacity in g-over-white over g-over-b, to within the glow's
    // change across the star's few pixels.
    if (starLights.size() != stars.size()) {
        starTints.clear();
        for (const Star& star : stars) {
            const QPointF centre(star.x * w, star.y * h);
            starLights.append(SmallDisc(centre, star.size / 2, ratio));
            QImage tint(1, 1, QImage::Format_ARGB32_Premultiplied);
            tint.fill(Qt::white);
            if (glowBeneath) {
                QPainter sample(&tint);
                sample.translate(QPointF(0.5, 0.5) - centre);
                paintVioletGlow(sample, size());
            }
            starTints.append(tint.pixelColor(0, 0));
        }
    }
    for (qsizetype i = 0; i < stars.size(); ++i) {
        SmallDisc& light = starLights[i];
        if (dirty.intersects(light.area())) {
            light.fill(painter, starColour(i));
        }
    }

    const QRect glowArea = glowSquare(size());
    if (!glowBeneath) {
        if (violetGlow.isNull() || violetGlowArea != glowArea || violetGlow.devicePixelRatio() != ratio) {
            violetGlowArea = glowArea;
            violetGlow = canvas(QSizeF(glowArea.size()), ratio);
            QPainter glow(&violetGlow);
            glow.translate(-glowArea.topLeft());
            paintVioletGlow(glow, size());
        }
        copyEachRect(painter, dirty & glowArea, violetGlow, glowArea.topLeft());
    }

    // The capsule's number decides its size, and so the column's layout.
    const int value = secondsRemaining();
    const CapsuleLevel level = capsuleLevel(value, totalSeconds);
    if (!capsule || capsule->value != value || capsule->level != level) {
        if (capsule && capsule->value != value) {
            previousCapsule = std::move(capsule);
            changedAtTick = motion.tickCount();
        }
        capsule = buildCapsule(value, level, ratio, previousCapsule ? &*previousCapsule : nullptr);
    }
    const double headlineHeight = lineHeight(systemFont(26, QFont::Bold));
    const double subtitleHeight = lineHeight(systemFont(13, QFont::Normal));
    const ColumnLayout layout = columnLayout(h, capsule->size.height(), headlineHeight, subtitleHeight);
    const Areas placed = areasFor(layout);
    if (placed != areas) {
        if (placed.capsule != areas.capsule || placed.figure != areas.figure) {
            // A new number of digits changes the capsule's width and the column.
            update(onDeviceGrid(areas.capsule | placed.capsule | areas.figure | placed.figure |
                                    areas.headline | areas.subtitle,
                                devicePixelRatioF()));
        }
        areas = placed;
        Q_EMIT animatedAreasChanged();
    }

    // One large rectangle at a time keeps the sprites' copies on the fast
    // path; the stars twinkling over the group go a few at a time. While
    // the group grows in, its scaled draws go a few lines at a time instead:
    // Qt's raster engine would hand each one to its thread pool.
    figureCentre = QPointF(w / 2, layout.figure);
    if (motion.imageScale() != 1) {
        paintInBands(painter, dirty & areas.figure, [&] { paintFigureGroup(painter, figureCentre); });
    } else {
        paintEachLargeRect(painter, dirty & areas.figure,
                           [&](const QRect&) { paintFigureGroup(painter, figureCentre); });
    }
    const double text = motion.textOpacity();
    painter.setOpacity(text);
    paintEachRect(painter, dirty & areas.capsule, [&](const QRect&) {
        paintCapsule(painter, QPointF(w / 2, layout.capsule), pulse(glowPhase, level));
    });
    // Under a clip of their own too: under the event's region a text's
    // translucent copy, while it fades in, goes span by span.
    paintEachRect(painter, dirty & areas.headline,
                  [&](const QRect&) { headline.draw(painter, QPointF(w / 2, layout.headline), 1); });
    paintEachRect(painter, dirty & areas.subtitle,
                  [&](const QRect&) { subtitleLine.draw(painter, QPointF(w / 2, layout.subtitle), 0.75); });
}

UltramanTigaView::Areas UltramanTigaView::areasFor(const ColumnLayout& layout) const {
    const auto around = [this](double centreY, QSizeF size) {
        return QRectF(QPointF(width() / 2.0 - size.width() / 2, centreY - size.height() / 2), size)
            .toAlignedRect()
            .adjusted(-2, -2, 2, 2);
    };
    Areas result;
    // The halo at its widest and the shadowed figure, over the whole float.
    const QSizeF haloSize = halo[1].image.deviceIndependentSize() * 1.06;
    const QSizeF figureSize = figure.image.deviceIndependentSize();
    const QSizeF group(std::max(haloSize.width(), figureSize.width()),
                       std::max(haloSize.height(), figureSize.height()) + 2 * 9);
    result.figure = around(layout.figure, group);
    // The capsule with its glow and the number's. A new number's glow rolling
    // in from above stays within this but for its faint rim, under a level.
    const QSizeF glow = capsule->shadow.image.deviceIndependentSize();
    const QSizeF number = capsule->numberShadow[1].image.deviceIndependentSize();
    result.capsule = around(layout.capsule, QSizeF(std::max(glow.width(), number.width()),
                                                   std::max(glow.height(), number.height())));
    result.headline = around(layout.headline, headline.image.deviceIndependentSize());
    result.subtitle = around(layout.subtitle, subtitleLine.image.deviceIndependentSize());
    return result;
}

void UltramanTigaView::paintHalo(QPainter& painter) {
    if (motion.imageScale() != 1) {
        painter.save();
        painter.scale(Motion::haloScale(shownBreath), Motion::haloScale(shownBreath));
        Sprite::drawBlend(painter, halo, QPointF(0, 0), haloMix(shownBreath), 1);
        painter.restore();
        return;
    }
    // Two scaled, translucent sprites cost several times one copy; a
    // breathing step lasts a few ticks, so they are mixed once for it.
    if (mixedHalo.isNull() || mixedHaloScale != Motion::haloScale(shownBreath)) {
        mixHaloStep(painter.renderHints());
    }
    const QSizeF size = mixedHalo.deviceIndependentSize();
    painter.drawImage(QPointF(-size.width() / 2, -size.height() / 2), mixedHalo);
}

void UltramanTigaView::mixHaloStep(QPainter::RenderHints hints) {
    const QSizeF widest = halo[1].image.deviceIndependentSize() * 1.06;
    const qreal ratio = halo[1].image.devicePixelRatio();
    const QSize size = evenDeviceSize(widest, ratio);
    if (mixedHalo.size() != size) {
        mixedHalo = QImage(size, QImage::Format_ARGB32_Premultiplied);
        mixedHalo.setDevicePixelRatio(ratio);
    }
    // The two blurs mixed unscaled, then scaled once: a plain
    // translucent copy costs a fraction of a scaled one.
    if (unscaledHalo.image.size() != halo[1].image.size()) {
        unscaledHalo.image = QImage(halo[1].image.size(), QImage::Format_ARGB32_Premultiplied);
        unscaledHalo.image.setDevicePixelRatio(ratio);
    }
    unscaledHalo.image.fill(Qt::transparent);
    {
        QPainter blending(&unscaledHalo.image);
        const QSizeF whole = unscaledHalo.image.deviceIndependentSize();
        Sprite::drawBlend(blending, halo, QPointF(whole.width() / 2, whole.height() / 2),
                          haloMix(shownBreath), 1);
    }
    mixedHalo.fill(Qt::transparent);
    QPainter mixing(&mixedHalo);
    mixing.setRenderHints(hints);
    mixing.translate(QPointF(size.width(), size.height()) / (2 * ratio));
    mixing.scale(Motion::haloScale(shownBreath), Motion::haloScale(shownBreath));
    unscaledHalo.draw(mixing, QPointF(0, 0), 1);
    mixedHaloScale = Motion::haloScale(shownBreath);
}

QPointF UltramanTigaView::figureAt(QPointF centre) const {
    const QPointF at = centre + QPointF(0, motion.figureOffset());
    // Whole device pixels while unscaled keep the sprites on the fast blit path.
    return motion.imageScale() == 1 ? QPointF(std::round(at.x()), std::round(at.y())) : at;
}

QRect UltramanTigaView::coreArea(QPointF at) const {
    const QSizeF size = core.image.deviceIndependentSize() * 1.04;
    return QRectF(at + QPointF(-size.width() / 2, -30 - size.height() / 2), size)
        .toAlignedRect()
        .adjusted(-2, -2, 2, 2);
}

void UltramanTigaView::paintScaledCore(QPainter& painter) {
    // Where the core's centre falls within a device pixel: the picture is
    // sampled as the scaled draw would be there, and copied to a whole pixel.
    const QPointF device = painter.deviceTransform().map(QPointF(0, 0));
    const QPointF within(device.x() - std::floor(device.x()), device.y() - std::floor(device.y()));
    const qreal ratio = core.image.devicePixelRatio();
    if (scaledCore.isNull() || scaledCoreAt != std::pair(paintedCore.scale, within)) {
        const QSizeF widest = core.image.deviceIndependentSize() * 1.04;
        const QSize size = evenDeviceSize(widest, ratio) + QSize(2, 2);
        if (scaledCore.size() != size) {
            scaledCore = QImage(size, QImage::Format_ARGB32_Premultiplied);
            scaledCore.setDevicePixelRatio(ratio);
        }
        scaledCore.fill(Qt::transparent);
        QPainter scaling(&scaledCore);
        scaling.setRenderHints(painter.renderHints());
        scaling.translate((QPointF(size.width(), size.height()) / 2 + within) / ratio);
        scaling.scale(paintedCore.scale, paintedCore.scale);
        const QSizeF coreSize = core.image.deviceIndependentSize();
        scaling.drawImage(QPointF(-coreSize.width() / 2, -coreSize.height() / 2), core.image);
        scaledCoreAt = {paintedCore.scale, within};
    }
    const double previous = painter.opacity();
    painter.setOpacity(previous * paintedCore.opacity);
    painter.drawImage(-(QPointF(scaledCore.width(), scaledCore.height()) / 2 + within) / ratio, scaledCore);
    painter.setOpacity(previous);
}

void UltramanTigaView::paintFigureGroup(QPainter& painter, QPointF centre) {
    painter.save();
    const double scale = motion.imageScale();
    const QPointF at = figureAt(centre);
    paintedFigureAt = at;
    if (scale != 1) {
        // Sampled by position, not by where a repainted band begins, so a
        // partial repaint of the growing figure matches a whole one.
        painter.setRenderHint(QPainter::SmoothPixmapTransform);
    }
    painter.translate(at);
    painter.scale(scale, scale);
    painter.setOpacity(motion.imageOpacity());

    paintHalo(painter);

    painter.save();
    paintedCore = {motion.coreOpacity(), motion.coreScale()};
    painter.translate(0, -30);
    if (scale == 1) {
        paintScaledCore(painter);
    } else {
        painter.scale(paintedCore.scale, paintedCore.scale);
        core.draw(painter, QPointF(0, 0), paintedCore.opacity);
    }
    painter.restore();

    figure.draw(painter, QPointF(0, 0), 1);
    painter.restore();
}

void UltramanTigaView::paintCapsule(QPainter& painter, QPointF centre, double pulse) {
    // The number rolls down over 0.18 s when it changes; a new level's colour
    // comes in over the same ease.
    const double roll = previousCapsule ? numberRoll(motion.tickCount() - changedAtTick) : 1.0;
    const CapsuleSprites* leaving =
        previousCapsule && previousCapsule->level != capsule->level ? &*previousCapsule : nullptr;
    const double arriving = leaving ? roll : 1.0;
    QColor colour = levelColour(capsule->level);
    if (leaving) {
        const QColor from = levelColour(leaving->level);
        colour =
            QColor::fromRgbF(static_cast<float>(from.redF() + (colour.redF() - from.redF()) * roll),
                             static_cast<float>(from.greenF() + (colour.greenF() - from.greenF()) * roll),
                             static_cast<float>(from.blueF() + (colour.blueF() - from.blueF()) * roll));
    }
    const QSizeF size = capsule->size;
    const QRectF box(centre - QPointF(size.width() / 2, size.height() / 2), size);

    if (leaving) {
        leaving->shadow.draw(painter, centre, (0.24 + 0.18 * pulse) * (1 - arriving));
    }
    capsule->shadow.draw(painter, centre, (0.24 + 0.18 * pulse) * arriving);
    // The black capsule and the level's tint over it, and its outline, each
    // drawn once where it lies and copied at its opacity: antialiased, the
    // capsule's fill and, at two device pixels a point, its outline are so
    // many spans that Qt's raster engine would hand them to its thread pool
    // and wait for it on every tick. Tint and outline are drawn at their
    // strongest, so that a tick's opacity is a large fraction and rounds
    // finely.
    const auto tintAt = [](double at) { return 0.07 + 0.06 * at; };
    const auto outlineAt = [](double at) { return 0.24 + 0.28 * at; };
    const double strongestTint = tintAt(1);
    const double strongestOutline = outlineAt(1);
    const qreal ratio = painter.device()->devicePixelRatioF();
    const QRect bodyArea = box.toAlignedRect();
    const auto drawn = [&](const QPen& pen, const QBrush& brush, const QRectF& shape) {
        QImage image = canvas(QSizeF(bodyArea.size()), ratio);
        QPainter picture(&image);
        picture.setRenderHint(QPainter::Antialiasing);
        picture.setPen(pen);
        picture.setBrush(brush);
        picture.translate(-bodyArea.topLeft());
        picture.drawRoundedRect(shape, shape.height() / 2, shape.height() / 2);
        return image;
    };
    if (body.box != box || body.black.devicePixelRatio() != ratio) {
        body = {box, drawn(Qt::NoPen, Palette::withOpacity(Qt::black, 0.26), box), {}, {}, QColor()};
    }
    if (body.colour != colour) {
        body.tinted = drawn(Qt::NoPen, Palette::withOpacity(colour, strongestTint), box);
        QPen outline(Palette::withOpacity(colour, strongestOutline), 1);
        outline.setCapStyle(Qt::FlatCap);
        outline.setJoinStyle(Qt::MiterJoin);
        body.outline = drawn(outline, Qt::NoBrush, box.adjusted(0.5, 0.5, -0.5, -0.5));
        body.colour = colour;
    }
    const double opacity = painter.opacity();
    const auto copy = [&](const QImage& picture, double fraction) {
        painter.setOpacity(opacity * fraction);
        painter.drawImage(bodyArea.topLeft(), picture);
        painter.setOpacity(opacity);
    };
    copy(body.black, 1);
    copy(body.tinted, tintAt(pulse) / strongestTint);
    painter.setPen(Qt::NoPen);

    // The light.
    const QPointF light(box.left() + 22 + 22, centre.y());
    if (leaving) {
        leaving->lightHalo.draw(painter, light, 0.22 * pulse * (1 - arriving));
        Sprite::drawBlend(painter, leaving->coreShadow, light, (pulse - 0.58) / 0.42, 1 - arriving);
    }
    capsule->lightHalo.draw(painter, light, 0.22 * pulse * arriving);
    Sprite::drawBlend(painter, capsule->coreShadow, light, (pulse - 0.58) / 0.42, arriving);
    const double coreRadius = 9 * (0.88 + 0.22 * pulse);
    painter.setBrush(Palette::withOpacity(colour, 0.82 + 0.18 * pulse));
    painter.drawEllipse(light, coreRadius, coreRadius);

    const double numberX = box.left() + 22 + 44 + 16 + capsule->numberWidth / 2;
    const double shift = 0.5 * lineHeight(systemFont(58, QFont::Black));
    const QPointF numberAt(numberX, centre.y() - shift * (1 - roll));
    Sprite::drawBlend(painter, capsule->numberShadow, numberAt, (pulse - 0.58) / 0.42, roll);
    painter.save();
    painter.setClipRect(box, Qt::IntersectClip); // within the part being painted
    if (previousCapsule) {
        const double previousX = box.left() + 22 + 44 + 16 + previousCapsule->numberWidth / 2;
        previousCapsule->number.draw(painter, QPointF(previousX, centre.y() + shift * roll), 1 - roll);
    }
    capsule->number.draw(painter, numberAt, roll);
    painter.restore();
    if (roll >= 1) {
        previousCapsule.reset();
    }

    const QFont unitFont = systemFont(22, QFont::ExtraBold);
    painter.setFont(unitFont);
    painter.setPen(Palette::withOpacity(colour, 0.65));
    painter.drawText(QPointF(numberX + capsule->numberWidth / 2 + 16,
                             baselineIn(unitFont, centre.y() - lineHeight(unitFont) / 2)),
                     QStringLiteral("s"));

    copy(body.outline, outlineAt(pulse) / strongestOutline);
    painter.setPen(Qt::NoPen);
}
