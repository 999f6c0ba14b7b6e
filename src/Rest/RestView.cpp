#include "Rest/RestView.h"

#include "Platform/Clock.h"
#include "Platform/Desktop/Fonts.h"
#include "Platform/Memory.h"
#include "Platform/Random.h"
#include "Platform/Settings.h"
#include "Rest/Backgrounds/AuroraBackground.h"
#include "Rest/Backgrounds/UltramanVeil.h"
#include "Rest/Backgrounds/WallpaperBackground.h"
#include "Rest/Components/AnimationTicker.h"
#include "Rest/Components/ImageBlur.h"
#include "Rest/Components/MouseTouchBridge.h"
#include "Rest/Components/Palette.h"
#include "Rest/Components/RestingCatView.h"
#include "Rest/Components/ThemeSelectorOverlay.h"
#include "Rest/Components/UltramanTigaView.h"
#include "Rest/Components/VisualEffectView.h"
#include "Rest/Models/RestCopy.h"
#include "Rest/Models/SkipHold.h"

#include <QCoreApplication>
#include <QFontMetricsF>
#include <QGraphicsOpacityEffect>
#include <QKeyEvent>
#include <QLinearGradient>
#include <QPaintEvent>
#include <QPainter>
#include <QPainterPath>

#include <algorithm>
#include <cmath>
#include <vector>

namespace {

// A transparent layer drawn by its owner.
class PaintedLayer : public QWidget {
public:
    PaintedLayer(QWidget* parent, std::function<void(QPainter&, const QRegion&)> painter)
        : QWidget(parent)
        , painter(std::move(painter)) {}

protected:
    void paintEvent(QPaintEvent* event) override {
        QPainter p(this);
        painter(p, event->region());
    }

private:
    std::function<void(QPainter&, const QRegion&)> painter;
};

// The space bar belongs to the rest views while any is on screen: every view
// sees each space event and no other part of the application does.
class SpaceKeyMonitor : public QObject {
public:
    static SpaceKeyMonitor& instance() {
        static auto* monitor = new SpaceKeyMonitor(QCoreApplication::instance());
        return *monitor;
    }

    void add(RestView* view) {
        if (views.isEmpty()) {
            QCoreApplication::instance()->installEventFilter(this);
        }
        if (!views.contains(view)) {
            views.append(view);
        }
    }

    void remove(RestView* view) {
        views.removeAll(view);
        if (views.isEmpty()) {
            QCoreApplication::instance()->removeEventFilter(this);
        }
    }

protected:
    bool eventFilter(QObject*, QEvent* event) override {
        if (event->type() != QEvent::KeyPress && event->type() != QEvent::KeyRelease) {
            return false;
        }
        const auto* key = static_cast<QKeyEvent*>(event);
        if (key->key() != Qt::Key_Space) {
            return false;
        }
        const QList<QPointer<RestView>> targets(views.cbegin(), views.cend());
        for (const QPointer<RestView>& view : targets) {
            if (view) {
                view->handleSpace(event->type() == QEvent::KeyPress, key->isAutoRepeat());
            }
        }
        return true;
    }

private:
    using QObject::QObject;
    QList<RestView*> views;
};

// The ring's breathing glow: a blurred circle, and the radii (about its
// centre, in its own pixels) between which it shows at all.
struct RingGlow {
    QImage sprite;
    double inner = 0;
    double outer = 0;
};

const RingGlow& breathingGlow() {
    static const RingGlow glow = [] {
        QImage image(240, 240, QImage::Format_ARGB32_Premultiplied);
        image.fill(Qt::transparent);
        {
            QPainter painter(&image);
            painter.setRenderHint(QPainter::Antialiasing);
            painter.setPen(QPen(Palette::withOpacity(Palette::teal, 0.35), 4, Qt::SolidLine, Qt::FlatCap));
            painter.drawEllipse(QPointF(120, 120), 110, 110);
        }
        RingGlow made{ImageBlur::blurred(image, 2), 120, 0};
        const QPointF centre(120, 120);
        for (int y = 0; y < made.sprite.height(); ++y) {
            const auto* line = reinterpret_cast<const QRgb*>(made.sprite.constScanLine(y));
            for (int x = 0; x < made.sprite.width(); ++x) {
                if (qAlpha(line[x]) != 0) {
                    // The pixel's nearest and farthest points from the centre.
                    const double dx = std::abs(x + 0.5 - centre.x());
                    const double dy = std::abs(y + 0.5 - centre.y());
                    made.inner =
                        std::min(made.inner, std::hypot(std::max(0.0, dx - 0.5), std::max(0.0, dy - 0.5)));
                    made.outer = std::max(made.outer, std::hypot(dx + 0.5, dy + 0.5));
                }
            }
        }
        return made;
    }();
    return glow;
}

double ringGlowScale(double breathValue) {
    return 1 + 0.18 * breathValue;
}

constexpr double arcSeconds = 0.1;

constexpr double cardMaxWidth = 620;
constexpr double cardOuterPadding = 44;
constexpr double cardSidePadding = 34;
constexpr double cardVerticalPadding = 24;
constexpr double cardSpacing = 14;
constexpr double cardShadowMargin = 56;

QFont cardLineFont() {
    return systemFont(28, QFont::Bold);
}
QFont cardHeadingFont() {
    return systemFont(13, QFont::Bold);
}

} // namespace

RestView::RestView(RestServices services, int totalRestSeconds, Binding secondsRemaining,
                   QString ultramanSubtitle, std::function<void(const QString&)> onSkip, QWidget* parent)
    : QWidget(parent)
    , services(std::move(services))
    , totalRestSeconds(totalRestSeconds)
    , secondsRemaining(std::move(secondsRemaining))
    , ultramanSubtitle(std::move(ultramanSubtitle))
    , onSkip(std::move(onSkip))
    , theme(RestThemes::stored(this->services.preferences))
    , blurRadius(this->services.preferences.value(Settings::wallpaperBlurRadius).value())
    , hold(new SkipHold(this->services.clock, this->onSkip, nullptr, this))
    , tickTimer(this->services.clock.createFrameTimer(this)) {
    setFocusPolicy(Qt::StrongFocus);
    connect(tickTimer, &Timer::timeout, this, &RestView::tick);
    connect(hold, &SkipHold::changed, this, &RestView::holdChanged);

    backdrop = makeBackdrop(theme);
    if (theme == RestTheme::Ultraman) {
        ultraman = makeUltraman();
    }
    content = new PaintedLayer(
        this, [this](QPainter& painter, const QRegion& dirty) { paintContent(painter, dirty); });
    content->setAttribute(Qt::WA_TransparentForMouseEvents);
    skipButton = new MouseTouchBridge(this);
    skipButton->onDown = [this] { hold->press(); };
    skipButton->onUp = [this] { hold->release(); };
    picker = new ThemeSelectorOverlay(this->services.clock, theme, blurRadius, this);
    picker->onThemeChosen = [this](RestTheme chosen) {
        RestThemes::store(this->services.preferences, chosen);
        applyTheme(chosen, true);
    };
    picker->onBlurChosen = [this](double radius) {
        this->services.preferences.setValue(Settings::wallpaperBlurRadius, radius);
        setBlurRadius(radius);
    };
    ticker = new AnimationTicker(this->services.clock, content);
    ticker->onFrame = [this](double now) { followEffects(now); };

    catPresence.set(theme == RestTheme::Aurora ? 1 : 0);
    ultramanPresence.set(theme == RestTheme::Ultraman ? 1 : 0);
    shownSeconds = this->secondsRemaining.read ? this->secondsRemaining.read() : 0;
    arc.set(arcFraction(shownSeconds));
    layoutChildren();
    placeUltramanGlow();
}

RestView::~RestView() {
    SpaceKeyMonitor::instance().remove(this);
}

// The one place that knows which widget is each theme's backdrop.
QWidget* RestView::makeBackdrop(RestTheme forTheme) {
    QWidget* made = nullptr;
    switch (forTheme) {
    case RestTheme::Aurora:
        made = new AuroraBackground(services.clock, this, services.random);
        break;
    case RestTheme::Wallpaper:
        made = new WallpaperBackground(services.clock, services.preferences, services.wallpapers(), this);
        break;
    case RestTheme::Ultraman:
        made = new UltramanVeil(this);
        break;
    }
    made->setGeometry(rect());
    made->lower();
    made->show();
    return made;
}

QWidget* RestView::makeUltraman() {
    return new UltramanTigaView(services.clock, totalRestSeconds, secondsRemaining.read, ultramanSubtitle,
                                this, services.random);
}

void RestView::layoutChildren() {
    const RestLayout current = layout();
    for (QWidget* layer : {backdrop, leavingBackdrop.data()}) {
        if (layer) {
            layer->setGeometry(rect());
        }
    }
    // Its corner where repaint areas are grown to (a whole device pixel
    // where there is a grid of them), as the figure's own areas are.
    const QRect figureArea = onDeviceGrid(
        RestLayout::compute(size(), RestTheme::Ultraman).ultraman.toAlignedRect(), devicePixelRatioF());
    for (QWidget* figure : {ultraman.data(), leavingUltraman.data()}) {
        if (figure) {
            figure->setGeometry(figureArea);
        }
    }
    content->setGeometry(rect());
    skipButton->setGeometry(current.skipButton.toAlignedRect());
    const QSize pickerSize = picker->sizeHint();
    picker->setGeometry(width() - static_cast<int>(ThemeSelectorOverlay::margin) - pickerSize.width(),
                        static_cast<int>(ThemeSelectorOverlay::margin), pickerSize.width(),
                        pickerSize.height());
    if (backdrop) {
        backdrop->lower();
    }
    if (leavingBackdrop) {
        leavingBackdrop->lower();
    }
    if (ultraman) {
        ultraman->stackUnder(content);
    }
    if (leavingUltraman) {
        leavingUltraman->stackUnder(content);
    }
}

void RestView::resizeEvent(QResizeEvent*) {
    layoutChildren();
}

void RestView::showEvent(QShowEvent*) {
    // The text drawn just before, such as the menu that started the rest,
    // has left font pages resident; they would add to the rest's pictures.
    releaseMappedFontPages();
    tip = randomElement(RestCopy::tips());
    catAppearedAt = Animation::now(services.clock);
    tailAngle = RestingCatView::tailAngle(0);
    // The layers over the backdrop's own picture, where all the text is,
    // draw themselves now into a pixel that is thrown away: the font pages
    // their text reads (megabytes of the CJK face) then go before the
    // window's backing store takes its memory, and the first frame copies
    // the pictures and glyphs made here. Painted whole, the Ultraman veil
    // would draw the screen afresh for nothing.
    QImage nowhere(1, 1, QImage::Format_ARGB32_Premultiplied);
    nowhere.setDevicePixelRatio(devicePixelRatioF());
    QList<QWidget*> layers = backdrop->findChildren<QWidget*>(Qt::FindDirectChildrenOnly);
    layers << ultraman.data() << content << picker;
    for (QWidget* layer : std::as_const(layers)) {
        if (layer && layer->isVisibleTo(this)) {
            layer->render(&nowhere, QPoint(), QRegion(layer->rect()), {});
        }
    }
    releaseMappedFontPages();
    SpaceKeyMonitor::instance().add(this);
    tickTimer->start(BreathingCycle::tickSeconds, true);
    refreshPickerPanel();
    // What the first frames read beyond the layers drawn above goes a second
    // in; the few glyphs new after that read back only the pages they need.
    services.clock.callLater(this, 1.0, [] { releaseMappedFontPages(); });
}

void RestView::hideEvent(QHideEvent*) {
    SpaceKeyMonitor::instance().remove(this);
    tickTimer->stop();
    // The layers have dropped their pictures on hiding; give the pages back
    // once every window of the rest has gone.
    cardShadow = QImage();
    cardBehind = QImage();
    catHeads.clear();
    for (CachedPicture* picture :
         {&ringGlow, &ringTrack, &ringFace, &catPicture, &tipPicture, &skipPicture, &cardPicture}) {
        picture->clear();
    }
    services.clock.callLater(this, 1.0, [] {
        returnFreedMemoryToSystem();
        releaseMappedFontPages();
    });
}

void RestView::handleSpace(bool pressed, bool autoRepeat) {
    if (pressed) {
        hold->spaceDown(autoRepeat);
    } else {
        hold->spaceUp(autoRepeat);
    }
}

double RestView::arcFraction(int seconds) const {
    return totalRestSeconds > 0 ? std::clamp(static_cast<double>(seconds) / totalRestSeconds, 0.0, 1.0) : 0.0;
}

QRect RestView::ringArea() const {
    // The breathing glow is the widest part, at the top of a breath.
    const QPointF centre = layout().ring.center();
    const double half = breathingGlow().sprite.width() / 2.0 * ringGlowScale(1) + 2;
    return QRectF(centre - QPointF(half, half), centre + QPointF(half, half)).toAlignedRect();
}

QRect RestView::ringFaceArea() const {
    // The arc reaches 99 from the centre, the words less.
    const QPointF centre = layout().ring.center();
    return QRectF(centre - QPointF(120, 100), centre + QPointF(120, 100)).toAlignedRect();
}

QRect RestView::catArea() const {
    // While it springs in or out it may overshoot its size a little.
    const QRectF frame = RestLayout::compute(size(), RestTheme::Aurora).cat;
    const QRectF bounds = RestingCatView::bounds(frame);
    const double grow = catPresence.isRunning(Animation::now(services.clock)) ? 1.25 : 1.0;
    const QPointF centre = frame.center();
    return QRectF(centre + (bounds.topLeft() - centre) * grow,
                  centre + (bounds.bottomRight() - centre) * grow)
        .toAlignedRect()
        .adjusted(-2, -2, 2, 2);
}

QRect RestView::tipArea() const {
    // Room for antialiased glyph edges around the frame.
    return layout().tip.toAlignedRect().adjusted(-4, -4, 4, 4);
}

QRect RestView::skipArea() const {
    const RestLayout current = layout();
    // The hint's line is centred across the whole view but short: its own
    // width, not the view's, saves a picture of a megabyte of clear pixels.
    static const double hintWidth = [] {
        double widest = 0;
        const QStringList lines = QStringList(RestCopy::skipFeedbackLines()) << RestCopy::skipHint;
        for (const QString& line : lines) {
            widest =
                std::max(widest, textSize(systemFont(11), QWIDGETSIZE_MAX, Qt::AlignCenter, line).width());
        }
        // Room for antialiased glyph edges.
        return widest + 8;
    }();
    const double middle = current.hint.center().x();
    QRectF hint = current.hint;
    hint.setLeft(std::max(hint.left(), middle - hintWidth / 2));
    hint.setRight(std::min(hint.right(), middle + hintWidth / 2));
    return current.skipButton.toAlignedRect().adjusted(-6, -6, 6, 6) | hint.toAlignedRect();
}

QRect RestView::cardArea() const {
    // The card with its shadow (12 down), at up to its full scale and a little over.
    return cardRect.toAlignedRect().adjusted(-cardShadowMargin - 4, -cardShadowMargin - 4,
                                             cardShadowMargin + 4, cardShadowMargin + 16);
}

void RestView::tick() {
    const double now = Animation::now(services.clock);
    breath.tick();
    // The ring's glow and the cat follow the breath on every tick; the tail
    // is sampled here so that any repaint in between draws it as it was.
    if (theme != RestTheme::Ultraman) {
        content->update(onDeviceGrid(ringArea(), devicePixelRatioF()));
    }
    if (catPresence.value(now) > 0.001) {
        tailAngle = RestingCatView::tailAngle(now - catAppearedAt);
        content->update(onDeviceGrid(catArea(), devicePixelRatioF()));
    }
    const int seconds = secondsRemaining.read ? secondsRemaining.read() : 0;
    if (seconds != shownSeconds) {
        shownSeconds = seconds;
        // Painting takes and frees memory all the time, and the heap keeps
        // what is freed, so a rest would grow by tens of kilobytes a second.
        returnFreedMemoryToSystem();
        arc.animateTo(arcFraction(seconds), now, Transition::Curve::Linear, arcSeconds);
        if (theme != RestTheme::Ultraman) {
            ticker->animate(arc, ringFaceArea());
        }
    }

    const RestTheme stored = RestThemes::stored(services.preferences);
    if (stored != theme) {
        applyTheme(stored, true);
    }
    const double storedBlur = services.preferences.value(Settings::wallpaperBlurRadius).value();
    if (storedBlur != blurRadius) {
        setBlurRadius(storedBlur);
    }
}

void RestView::setBlurRadius(double radius) {
    blurRadius = radius;
    picker->setBlurRadius(radius);
    for (QWidget* layer : {backdrop, leavingBackdrop.data()}) {
        if (auto* wallpaper = qobject_cast<WallpaperBackground*>(layer)) {
            wallpaper->setBlurRadius(radius);
        }
    }
    refreshPickerPanel();
}

void RestView::applyTheme(RestTheme newTheme, bool animated) {
    if (newTheme == theme) {
        return;
    }
    const double now = Animation::now(services.clock);
    const RestTheme oldTheme = theme;
    theme = newTheme;
    picker->setTheme(theme);

    delete leavingBackdrop.data();
    leavingBackdrop = backdrop;
    if (!leavingBackdrop->graphicsEffect()) {
        auto* leaving = new QGraphicsOpacityEffect(leavingBackdrop);
        leaving->setOpacity(1);
        leavingBackdrop->setGraphicsEffect(leaving);
    }
    backdrop = makeBackdrop(theme);
    backdrop->stackUnder(ultraman ? ultraman.data() : content);
    auto* fade = new QGraphicsOpacityEffect(backdrop);
    fade->setOpacity(0);
    backdrop->setGraphicsEffect(fade);
    backdropFade.set(0);
    backdropFade.animateTo(1, now, Transition::Curve::EaseInOut, animated ? 0.6 : 0);

    catPresence.animateTo(theme == RestTheme::Aurora ? 1 : 0, now, Transition::Curve::Spring, 0.5, 0.7);
    if (theme == RestTheme::Aurora) {
        catAppearedAt = now;
        tailAngle = RestingCatView::tailAngle(0);
    }
    if (theme == RestTheme::Ultraman) {
        delete leavingUltraman.data();
        ultraman = makeUltraman();
        auto* appear = new QGraphicsOpacityEffect(ultraman);
        appear->setOpacity(0);
        ultraman->setGraphicsEffect(appear);
        ultraman->show();
        ultramanPresence.set(0);
        ultramanPresence.animateTo(1, now, Transition::Curve::EaseInOut, 0.5);
    } else if (oldTheme == RestTheme::Ultraman) {
        delete leavingUltraman.data();
        leavingUltraman = ultraman;
        ultraman = nullptr;
        if (leavingUltraman) {
            auto* vanish = new QGraphicsOpacityEffect(leavingUltraman);
            leavingUltraman->setGraphicsEffect(vanish);
        }
        ultramanPresence.animateTo(0, now, Transition::Curve::EaseInOut, 0.5);
    }
    layoutChildren();
    // The backdrops cross-fade over the whole view; the figures come and go
    // within it, and the column moves between the two themes' layouts.
    ticker->animate(backdropFade, rect());
    ticker->animate(catPresence, catArea());
    ticker->animate(ultramanPresence, rect());
    placeUltramanGlow();
}

void RestView::placeUltramanGlow() {
    // Only while neither fades: each fades at its own pace.
    const bool settled = ultraman && !ultraman->graphicsEffect() && !backdrop->graphicsEffect();
    for (QWidget* layer : {backdrop, leavingBackdrop.data()}) {
        if (auto* veil = dynamic_cast<UltramanVeil*>(layer)) {
            veil->holdGlowOf(settled && layer == backdrop ? qobject_cast<UltramanTigaView*>(ultraman.data())
                                                          : nullptr);
        }
    }
}

void RestView::followEffects(double now) {
    // Effects follow their transitions frame by frame; finished ones go away.
    if (auto* fade = qobject_cast<QGraphicsOpacityEffect*>(backdrop->graphicsEffect())) {
        if (backdropFade.isRunning(now)) {
            fade->setOpacity(backdropFade.value(now));
            // The old backdrop goes the other way from where it stood.
            if (auto* leaving = leavingBackdrop
                                    ? qobject_cast<QGraphicsOpacityEffect*>(leavingBackdrop->graphicsEffect())
                                    : nullptr) {
                leaving->setOpacity(std::min(leaving->opacity(), 1 - backdropFade.value(now)));
            }
        } else {
            backdrop->setGraphicsEffect(nullptr);
            delete leavingBackdrop.data();
            refreshPickerPanel();
        }
    }
    for (QWidget* figure : {ultraman.data(), leavingUltraman.data()}) {
        if (!figure) {
            continue;
        }
        if (auto* effect = qobject_cast<QGraphicsOpacityEffect*>(figure->graphicsEffect())) {
            if (ultramanPresence.isRunning(now)) {
                effect->setOpacity(ultramanPresence.value(now));
            } else if (figure == ultraman) {
                figure->setGraphicsEffect(nullptr);
            }
        }
    }
    if (!ultramanPresence.isRunning(now) && leavingUltraman) {
        delete leavingUltraman.data();
    }
    placeUltramanGlow();
}

void RestView::holdChanged() {
    const double now = Animation::now(services.clock);
    if (hold->isPressingSkip() != wasPressing) {
        wasPressing = hold->isPressingSkip();
        pressed.animateTo(wasPressing ? 1 : 0, now, Transition::Curve::EaseOut, 0.15);
        ticker->animate(pressed, skipArea());
    }
    if (hold->isRewinding(now)) {
        ticker->animate(hold, skipArea(), now + SkipHold::rewindSeconds);
    }
    if (hold->skipFeedbackText() && !hadFeedback) {
        hadFeedback = true;
        const QString& line = *hold->skipFeedbackText();
        // The card: heading over the line (at most three lines), sized to its text.
        const double maxWidth = std::min(cardMaxWidth, width() - 2 * cardOuterPadding);
        const double textWidth = std::max(1.0, maxWidth - 2 * cardSidePadding);
        const QFontMetricsF lineMetrics(cardLineFont());
        QSizeF lineBounds = textSize(cardLineFont(), textWidth, Qt::AlignHCenter | Qt::TextWordWrap, line);
        lineBounds.setHeight(std::min(lineBounds.height(), 3 * lineMetrics.lineSpacing()));
        const double headingHeight = QFontMetricsF(cardHeadingFont()).height();
        const double cardWidth = std::min(maxWidth, lineBounds.width() + 2 * cardSidePadding);
        const double cardHeight = 2 * cardVerticalPadding + headingHeight + cardSpacing + lineBounds.height();
        cardRect = QRectF((width() - cardWidth) / 2, (height() - cardHeight) / 2, cardWidth, cardHeight);

        QImage shadow((cardRect.size() + QSizeF(2 * cardShadowMargin, 2 * cardShadowMargin)).toSize(),
                      QImage::Format_ARGB32_Premultiplied);
        shadow.fill(Qt::transparent);
        {
            QPainter painter(&shadow);
            painter.setRenderHint(QPainter::Antialiasing);
            QPainterPath shape;
            shape.addRoundedRect(QRectF(QPointF(cardShadowMargin, cardShadowMargin), cardRect.size()), 18,
                                 18);
            painter.fillPath(shape, QColor::fromRgbF(0, 0, 0, 0.35f));
        }
        cardShadow = ImageBlur::blurred(std::move(shadow), 24);
        const QRect behindArea =
            cardRect.toAlignedRect().adjusted(-VisualEffectView::margin, -VisualEffectView::margin,
                                              VisualEffectView::margin, VisualEffectView::margin);
        cardBehind = VisualEffectView::blurredBehind(behind(behindArea));
        cardBehindAt = behindArea.topLeft();
        cardPresence.animateTo(1, now, Transition::Curve::Spring, 0.32, 0.78);
        ticker->animate(cardPresence, cardArea());
    }
    content->update(onDeviceGrid(skipArea(), devicePixelRatioF()));
}

void RestView::paintContent(QPainter& painter, const QRegion& dirty) {
    // Each part is drawn once per change of what it shows and copied when
    // something passing over it (a firefly, a glow step) repaints it.
    const double now = Animation::now(services.clock);
    const RestLayout current = layout();
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setRenderHint(QPainter::TextAntialiasing);
    if (theme != RestTheme::Ultraman && dirty.intersects(ringArea())) {
        const double breathValue = breath.breathValue();
        ringGlow.paint(painter, dirty, ringArea(), {breathValue},
                       [&](QPainter& picture) { paintRingGlow(picture, current, breathValue); });
        // The arc and the words within it in one picture: the words change
        // with the seconds, as the arc does.
        const double fraction = arc.value(now);
        ringFace.paint(painter, dirty, ringFaceArea(), {fraction, shownSeconds, breath.breathText()},
                       [&](QPainter& picture) {
                           paintRingArc(picture, current, fraction);
                           paintRingText(picture, current);
                       });
    }
    const double cat = catPresence.value(now);
    if (cat > 0.001 && dirty.intersects(catArea())) {
        catPicture.paint(
            painter, dirty, catArea(), {cat, breath.breathValue(), tailAngle}, [&](QPainter& picture) {
                const RestLayout catLayout = RestLayout::compute(size(), RestTheme::Aurora);
                const QPointF centre = catLayout.cat.center();
                picture.translate(centre);
                picture.scale(cat, cat);
                picture.translate(-centre);
                picture.setOpacity(std::clamp(cat, 0.0, 1.0));
                RestingCatView::paint(picture, catLayout.cat, breath.breathValue(), tailAngle, &catHeads);
            });
    }
    if (theme != RestTheme::Ultraman && dirty.intersects(tipArea())) {
        tipPicture.paint(painter, dirty, tipArea(), {tip}, [&](QPainter& picture) {
            picture.setFont(systemFont(18));
            picture.setPen(Palette::white(0.85));
            picture.drawText(current.tip, Qt::AlignCenter | Qt::TextWordWrap, tip);
        });
    }
    if (dirty.intersects(skipArea())) {
        const double progress = hold->displayedProgress(now);
        const double press = pressed.value(now);
        skipPicture.paint(
            painter, dirty, skipArea(),
            {progress, press, hold->skipFeedbackText().value_or(QString()), static_cast<int>(theme)},
            [&](QPainter& picture) { paintSkipArea(picture, current, progress, press); });
    }
    const double presence = cardPresence.value(now);
    if (presence > 0.001 && !takingBehind && dirty.intersects(cardArea())) {
        cardPicture.paint(painter, dirty, cardArea(), {presence},
                          [&](QPainter& picture) { paintFeedbackCard(picture, presence); });
    }
}

void RestView::paintRingGlow(QPainter& painter, const RestLayout& current, double breathValue) {
    // Only the thin ring where the glow shows: the rest of its square is
    // clear, and scaling it would cost four times the pixels.
    const QPointF centre = current.ring.center();
    const double scale = ringGlowScale(breathValue);
    const RingGlow& glow = breathingGlow();
    paintInBands(painter, ringRegion(centre, glow.inner * scale - 2, glow.outer * scale + 2), [&] {
        painter.save();
        painter.setRenderHint(QPainter::SmoothPixmapTransform);
        painter.translate(centre);
        painter.scale(scale, scale);
        painter.drawImage(QPointF(-glow.sprite.width() / 2.0, -glow.sprite.height() / 2.0), glow.sprite);
        painter.restore();
    });
}

void RestView::paintRingArc(QPainter& painter, const RestLayout& current, double fraction) {
    const QPointF centre = current.ring.center();
    // The track never changes: stroking it costs as much as the arc, copying
    // it a small part of that.
    const QRect area = QRectF(centre - QPointF(100, 100), centre + QPointF(100, 100)).toAlignedRect();
    ringTrack.paint(painter, area, area, {}, [&](QPainter& track) {
        track.setBrush(Qt::NoBrush);
        track.setPen(QPen(Palette::white(0.12), 8));
        track.drawEllipse(centre, 95, 95);
    });

    if (fraction > 0) {
        QLinearGradient gradient(centre.x(), centre.y() - 95, centre.x(), centre.y() + 95);
        gradient.setColorAt(0, Palette::teal);
        gradient.setColorAt(1, Palette::cyan);
        QPen pen(QBrush(gradient), 8, Qt::SolidLine, Qt::RoundCap);
        pen.setMiterLimit(10);
        painter.setPen(pen);
        painter.drawArc(QRectF(centre.x() - 95, centre.y() - 95, 190, 190), 90 * 16,
                        -static_cast<int>(std::lround(fraction * 360 * 16)));
    }
}

void RestView::paintRingText(QPainter& painter, const RestLayout& current) {
    const QPointF centre = current.ring.center();
    const QFont numberFont = systemFont(56, QFont::Bold);
    const QFont breathFont = systemFont(16, QFont::Medium);
    const double numberHeight = QFontMetricsF(numberFont).height();
    const double breathHeight = QFontMetricsF(breathFont).height();
    const double top = centre.y() - (numberHeight + 8 + breathHeight) / 2;
    painter.setFont(numberFont);
    painter.setPen(Qt::white);
    painter.drawText(QRectF(centre.x() - 120, top, 240, numberHeight), Qt::AlignCenter,
                     QString::number(shownSeconds));
    painter.setFont(breathFont);
    painter.setPen(Palette::teal);
    painter.drawText(QRectF(centre.x() - 120, top + numberHeight + 8, 240, breathHeight), Qt::AlignCenter,
                     breath.breathText());
}

void RestView::paintSkipArea(QPainter& painter, const RestLayout& current, double progress, double press) {
    const QPointF centre = current.skipButton.center();
    painter.setBrush(Qt::NoBrush);
    painter.setPen(QPen(Palette::white(0.2), 3));
    painter.drawEllipse(centre, 45, 45);

    if (progress > 0) {
        painter.setPen(QPen(QColor::fromRgbF(1, 0.75f, 0), 4, Qt::SolidLine, Qt::RoundCap));
        painter.drawArc(QRectF(centre.x() - 45, centre.y() - 45, 90, 90), 90 * 16,
                        -static_cast<int>(std::lround(progress * 360 * 16)));
    }

    // Pressed, the disc shrinks to 0.92 and its fill rises from 0.08 to 0.15.
    const double discRadius = 38 * (1 - 0.08 * press);
    painter.setPen(Qt::NoPen);
    painter.setBrush(Palette::white(0.08 + 0.07 * press));
    painter.drawEllipse(centre, discRadius, discRadius);

    painter.setFont(systemFont(14, QFont::Bold));
    painter.setPen(Palette::white(0.9));
    painter.drawText(current.skipButton, Qt::AlignCenter, RestCopy::skipLabel);

    const std::optional<QString>& feedback = hold->skipFeedbackText();
    painter.setFont(systemFont(11));
    if (feedback) {
        painter.setPen(Palette::withOpacity(Palette::orange, 0.85));
    } else {
        painter.setPen(Palette::white(theme == RestTheme::Ultraman ? 0.6 : 0.4));
    }
    drawText(painter, current.hint, Qt::AlignCenter, feedback.value_or(RestCopy::skipHint));
}

void RestView::paintFeedbackCard(QPainter& painter, double presence) {
    painter.save();
    const QPointF centre = cardRect.center();
    const double scale = 0.92 + 0.08 * presence;
    painter.translate(centre);
    painter.scale(scale, scale);
    painter.translate(-centre);
    painter.setOpacity(std::clamp(presence, 0.0, 1.0));

    painter.drawImage(cardRect.topLeft() + QPointF(-cardShadowMargin, -cardShadowMargin + 12), cardShadow);
    QPainterPath shape;
    shape.addRoundedRect(cardRect, 18, 18);
    VisualEffectView::paint(painter, shape, cardBehind, cardBehindAt);
    painter.strokePath(shape, QPen(Palette::withOpacity(Palette::orange, 0.62), 1.4));

    const double headingHeight = QFontMetricsF(cardHeadingFont()).height();
    const QRectF inner =
        cardRect.adjusted(cardSidePadding, cardVerticalPadding, -cardSidePadding, -cardVerticalPadding);
    painter.setFont(cardHeadingFont());
    painter.setPen(Palette::white(0.72));
    painter.drawText(QRectF(inner.left(), inner.top(), inner.width(), headingHeight), Qt::AlignCenter,
                     RestCopy::feedbackHeading);
    painter.setFont(cardLineFont());
    painter.setPen(Qt::white);
    drawText(painter,
             QRectF(inner.left(), inner.top() + headingHeight + cardSpacing, inner.width(),
                    inner.height() - headingHeight - cardSpacing),
             Qt::AlignHCenter | Qt::AlignTop | Qt::TextWordWrap,
             hold->skipFeedbackText().value_or(QString()));
    painter.restore();
}

QImage RestView::behind(const QRect& area) {
    const qreal ratio = devicePixelRatioF();
    QImage image(area.size() * ratio, QImage::Format_ARGB32_Premultiplied);
    image.setDevicePixelRatio(ratio);
    image.fill(Qt::transparent);
    QPainter painter(&image);
    takingBehind = true;
    for (QWidget* layer :
         {leavingBackdrop.data(), backdrop, leavingUltraman.data(), ultraman.data(), content}) {
        const QRect part = layer && layer->isVisibleTo(this) ? area & layer->geometry() : QRect();
        if (!part.isEmpty()) {
            layer->render(&painter, part.topLeft() - area.topLeft(), QRegion(part.translated(-layer->pos())),
                          QWidget::DrawChildren);
        }
    }
    takingBehind = false;
    // Under it all, black: a layer may lay itself down as the window's lowest.
    painter.setCompositionMode(QPainter::CompositionMode_DestinationOver);
    painter.fillRect(image.rect(), Qt::black);
    return image;
}

void RestView::refreshPickerPanel() {
    if (!isVisible()) {
        return;
    }
    const QSize largest = picker->largestSize();
    const QRect area = QRect(QPoint(picker->geometry().right() + 1 - largest.width(), picker->y()), largest)
                           .adjusted(-VisualEffectView::margin, -VisualEffectView::margin,
                                     VisualEffectView::margin, VisualEffectView::margin);
    picker->setBehind(VisualEffectView::blurredBehind(behind(area)), area.topLeft());
}
