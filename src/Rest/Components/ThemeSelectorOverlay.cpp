#include "Rest/Components/ThemeSelectorOverlay.h"
#include "Platform/Desktop/Fonts.h"

#include "Platform/Clock.h"
#include "Rest/Components/AnimationTicker.h"
#include "Rest/Components/ImageBlur.h"
#include "Rest/Components/Palette.h"
#include "Rest/Components/VisualEffectView.h"

#include <QFontMetricsF>
#include <QHelpEvent>
#include <QMouseEvent>
#include <QPaintEvent>
#include <QPainter>
#include <QPainterPath>
#include <QToolTip>

#include <algorithm>
#include <cmath>

namespace {

constexpr double buttonSide = 32;
constexpr double dotSide = 4;
constexpr double itemSpacing = 8;
constexpr double sliderWidth = 110;
constexpr double valueWidth = 18;
constexpr double rowGap = 10;
constexpr double themeRowHeight = 8 + buttonSide + 4 + dotSide + 6;
constexpr double blurRowHeight = 6 + 20 + 6;
constexpr double actionSeconds = 0.4;

const QString themeLabel = QStringLiteral("主题:");
const QString blurLabel = QStringLiteral("模糊:");

QFont labelFont() {
    return systemFont(11, QFont::Bold);
}

int indexOf(RestTheme theme) {
    return static_cast<int>(RestThemes::allCases().indexOf(theme));
}

QPainterPath rounded(const QRectF& rect, double radius) {
    QPainterPath path;
    path.addRoundedRect(rect, radius, radius);
    return path;
}

void paintPanel(QPainter& painter, const QRectF& rect, double radius, const QImage& behind,
                QPointF behindAt) {
    const QPainterPath shape = rounded(rect.adjusted(0.5, 0.5, -0.5, -0.5), radius);
    VisualEffectView::paint(painter, shape, behind, behindAt);
    painter.strokePath(shape, QPen(Palette::white(0.12), 1));
}

// The teal glow of the selected square (opacity 0.4, radius 4), blurred once.
const QImage& selectedGlow() {
    static const QImage glow = [] {
        const double margin = 2 * 4;
        QImage image(
            QSize(static_cast<int>(buttonSide + 2 * margin), static_cast<int>(buttonSide + 2 * margin)),
            QImage::Format_ARGB32_Premultiplied);
        image.fill(Qt::transparent);
        {
            QPainter painter(&image);
            painter.setRenderHint(QPainter::Antialiasing);
            painter.fillPath(rounded(QRectF(margin, margin, buttonSide, buttonSide), 8),
                             Palette::withOpacity(Palette::teal, 0.4));
        }
        return ImageBlur::blurred(image, 4);
    }();
    return glow;
}

} // namespace

ThemeSelectorOverlay::ThemeSelectorOverlay(Clock& clock, RestTheme theme, double blurRadius, QWidget* parent)
    : QWidget(parent)
    , clock(clock)
    , theme(theme)
    , blurRadius(blurRadius)
    , ticker(new AnimationTicker(clock, this)) {
    setMouseTracking(true);
    for (RestTheme each : RestThemes::allCases()) {
        const double selected = each == theme ? 1 : 0;
        dots[static_cast<size_t>(indexOf(each))].set(selected);
        selection[static_cast<size_t>(indexOf(each))].set(selected);
    }
    blurRowPresence.set(theme == RestTheme::Wallpaper ? 1 : 0);
    updateSize();
}

double ThemeSelectorOverlay::opacity() const {
    return fade.value(Animation::now(clock));
}

QRectF ThemeSelectorOverlay::themeRowRect() const {
    const double width = 10 + QFontMetricsF(labelFont()).horizontalAdvance(themeLabel) + 4 +
                         3 * (itemSpacing + buttonSide) + 10;
    return {sizeHint().width() - width, 0, width, themeRowHeight};
}

QRectF ThemeSelectorOverlay::blurRowRect() const {
    const double width = 10 + QFontMetricsF(labelFont()).horizontalAdvance(blurLabel) + 2 * itemSpacing +
                         sliderWidth + valueWidth + 10;
    return {sizeHint().width() - width, themeRowHeight + rowGap, width, blurRowHeight};
}

QSize ThemeSelectorOverlay::sizeHint() const {
    const bool withBlurRow =
        theme == RestTheme::Wallpaper || blurRowPresence.isRunning(Animation::now(clock));
    const QSize largest = largestSize();
    return withBlurRow ? largest : QSize(largest.width(), static_cast<int>(std::ceil(themeRowHeight)));
}

QSize ThemeSelectorOverlay::largestSize() const {
    const QFontMetricsF metrics(labelFont());
    const double themeWidth =
        10 + metrics.horizontalAdvance(themeLabel) + 4 + 3 * (itemSpacing + buttonSide) + 10;
    const double blurWidth =
        10 + metrics.horizontalAdvance(blurLabel) + 2 * itemSpacing + sliderWidth + valueWidth + 10;
    return {static_cast<int>(std::ceil(std::max(themeWidth, blurWidth))),
            static_cast<int>(std::ceil(themeRowHeight + rowGap + blurRowHeight))};
}

void ThemeSelectorOverlay::setBehind(QImage blurred, QPoint origin) {
    behind = std::move(blurred);
    behindOrigin = origin;
    ++behindVersion;
    update();
}

void ThemeSelectorOverlay::updateSize() {
    const QSize wanted = sizeHint();
    if (size() == wanted) {
        return;
    }
    // Stay anchored to the top-right corner of the parent.
    const QRect old = geometry();
    setGeometry(old.right() + 1 - wanted.width(), old.top(), wanted.width(), wanted.height());
}

QRectF ThemeSelectorOverlay::buttonRect(RestTheme which) const {
    const QRectF row = themeRowRect();
    const double left = row.right() - 10 - (3 - indexOf(which)) * (buttonSide + itemSpacing) + itemSpacing;
    return {left, row.top() + 8, buttonSide, buttonSide};
}

QRectF ThemeSelectorOverlay::sliderRect() const {
    const QRectF row = blurRowRect();
    const double left = row.right() - 10 - valueWidth - itemSpacing - sliderWidth;
    return {left, row.top() + 6, sliderWidth, 20};
}

void ThemeSelectorOverlay::setTheme(RestTheme newTheme) {
    if (newTheme == theme) {
        return;
    }
    const double now = Animation::now(clock);
    const int from = indexOf(theme);
    const int to = indexOf(newTheme);
    const bool rowWasShown = theme == RestTheme::Wallpaper;
    theme = newTheme;
    dots[static_cast<size_t>(from)].animateTo(0, now, Transition::Curve::Spring, 0.3, 0.6);
    dots[static_cast<size_t>(to)].animateTo(1, now, Transition::Curve::Spring, 0.3, 0.6);
    selection[static_cast<size_t>(from)].animateTo(0, now, Transition::Curve::EaseInOut, actionSeconds);
    selection[static_cast<size_t>(to)].animateTo(1, now, Transition::Curve::EaseInOut, actionSeconds);
    const bool rowShown = theme == RestTheme::Wallpaper;
    if (rowShown != rowWasShown) {
        blurRowPresence.animateTo(rowShown ? 1 : 0, now, Transition::Curve::EaseInOut, actionSeconds);
    }
    updateSize();
    if (rowWasShown && !rowShown) {
        // Give back the blur row's room once it has slid out.
        clock.callLater(this, actionSeconds, [this] { updateSize(); });
    }
    for (size_t i : {static_cast<size_t>(from), static_cast<size_t>(to)}) {
        ticker->animate(dots[i], rect());
        ticker->animate(selection[i], rect());
    }
    ticker->animate(blurRowPresence, rect());
}

void ThemeSelectorOverlay::setBlurRadius(double radius) {
    if (radius != blurRadius) {
        blurRadius = radius;
        update();
    }
}

void ThemeSelectorOverlay::paintEvent(QPaintEvent* event) {
    // Drawn again only when something in it changed; the glows and fireflies
    // passing beneath it copy the picture.
    const double now = Animation::now(clock);
    QVariantList key = {fade.value(now), blurRowPresence.value(now), blurRadius, behindVersion, pos()};
    for (size_t i = 0; i < dots.size(); ++i) {
        key << dots[i].value(now) << selection[i].value(now);
    }
    QPainter painter(this);
    picture.paint(painter, event->region(), rect(), key, [&](QPainter& drawn) {
        drawn.setRenderHint(QPainter::Antialiasing);
        drawn.setOpacity(fade.value(now));
        paintThemeRow(drawn, now);
        paintBlurRow(drawn, now);
    });
}

void ThemeSelectorOverlay::hideEvent(QHideEvent*) {
    picture.clear();
    behind = QImage();
}

void ThemeSelectorOverlay::paintThemeRow(QPainter& painter, double now) {
    const QRectF row = themeRowRect();
    paintPanel(painter, row, 12, behind, behindOrigin - pos());
    painter.setFont(labelFont());
    painter.setPen(Palette::white(0.6));
    painter.drawText(QRectF(row.left() + 10, row.top() + 8, 100, buttonSide),
                     Qt::AlignLeft | Qt::AlignVCenter, themeLabel);
    const double baseOpacity = painter.opacity();
    for (RestTheme each : RestThemes::allCases()) {
        const size_t i = static_cast<size_t>(indexOf(each));
        const QRectF square = buttonRect(each);
        const double selected = selection[i].value(now);
        const QPainterPath shape = rounded(square, 8);
        // Glow of the selected square.
        if (selected > 0) {
            const QImage& glow = selectedGlow();
            painter.setOpacity(baseOpacity * selected);
            painter.drawImage(square.center() - QPointF(glow.width(), glow.height()) / 2, glow);
            painter.setOpacity(baseOpacity);
        }
        const QColor unselectedFill = Palette::white(0.08);
        const QColor selectedFill = Palette::withOpacity(Palette::teal, 0.25);
        painter.fillPath(shape, unselectedFill);
        painter.setOpacity(baseOpacity * selected);
        painter.fillPath(shape, selectedFill);
        painter.setOpacity(baseOpacity);
        painter.setOpacity(baseOpacity * (1 - selected));
        painter.strokePath(rounded(square.adjusted(0.5, 0.5, -0.5, -0.5), 8), QPen(Palette::white(0.15), 1));
        painter.setOpacity(baseOpacity * selected);
        painter.strokePath(rounded(square.adjusted(1, 1, -1, -1), 7), QPen(Palette::teal, 2));
        painter.setOpacity(baseOpacity);
        painter.setFont(systemFont(14));
        painter.setPen(Qt::white);
        painter.drawText(square, Qt::AlignCenter, RestThemes::icon(each));

        const double dot = dots[i].value(now);
        const double scale = 0.1 + 0.9 * dot;
        painter.setOpacity(baseOpacity * std::clamp(dot, 0.0, 1.0));
        painter.setPen(Qt::NoPen);
        painter.setBrush(Palette::teal);
        painter.drawEllipse(QPointF(square.center().x(), square.bottom() + 4 + dotSide / 2),
                            dotSide / 2 * scale, dotSide / 2 * scale);
        painter.setOpacity(baseOpacity);
    }
}

void ThemeSelectorOverlay::paintBlurRow(QPainter& painter, double now) {
    const double presence = blurRowPresence.value(now);
    if (presence <= 0) {
        return;
    }
    const double baseOpacity = painter.opacity();
    painter.save();
    // Slides down from behind the top edge while fading in.
    painter.translate(0, -(1 - presence) * (themeRowHeight + rowGap + blurRowHeight));
    painter.setOpacity(baseOpacity * presence);
    const QRectF row = blurRowRect();
    // The panel slides with the row; what lies behind it stays in place.
    paintPanel(painter, row, 10, behind,
               behindOrigin - pos() + QPointF(0, (1 - presence) * (themeRowHeight + rowGap + blurRowHeight)));
    painter.setFont(labelFont());
    painter.setPen(Palette::white(0.6));
    painter.drawText(QRectF(row.left() + 10, row.top(), 100, row.height()), Qt::AlignLeft | Qt::AlignVCenter,
                     blurLabel);

    const QRectF slider = sliderRect();
    const double fraction = std::clamp(blurRadius / RestThemes::maximumBlurRadius, 0.0, 1.0);
    const double trackY = slider.center().y();
    const double knobRadius = 7;
    const double left = slider.left() + knobRadius;
    const double right = slider.right() - knobRadius;
    const double knobX = left + (right - left) * fraction;
    painter.setPen(QPen(Palette::white(0.25), 4, Qt::SolidLine, Qt::RoundCap));
    painter.drawLine(QPointF(left, trackY), QPointF(right, trackY));
    painter.setPen(QPen(Palette::teal, 4, Qt::SolidLine, Qt::RoundCap));
    painter.drawLine(QPointF(left, trackY), QPointF(knobX, trackY));
    painter.setPen(Qt::NoPen);
    painter.setBrush(QColor(235, 235, 240));
    painter.drawEllipse(QPointF(knobX, trackY), knobRadius, knobRadius);

    painter.setFont(systemFont(10, QFont::Bold));
    painter.setPen(Palette::white(0.8));
    painter.drawText(QRectF(slider.right() + itemSpacing, row.top(), valueWidth, row.height()),
                     Qt::AlignCenter | Qt::TextDontClip, RestThemes::blurRadiusLabel(blurRadius));
    painter.restore();
}

void ThemeSelectorOverlay::enterEvent(QEnterEvent*) {
    hovered = true;
    fade.animateTo(1.0, Animation::now(clock), Transition::Curve::EaseInOut, 0.35);
    ticker->animate(fade, rect());
}

void ThemeSelectorOverlay::leaveEvent(QEvent*) {
    hovered = false;
    fade.animateTo(fadedOpacity, Animation::now(clock), Transition::Curve::EaseInOut, 0.35);
    ticker->animate(fade, rect());
}

void ThemeSelectorOverlay::mousePressEvent(QMouseEvent* event) {
    event->accept();
    if (event->button() != Qt::LeftButton) {
        return;
    }
    for (RestTheme each : RestThemes::allCases()) {
        if (buttonRect(each).contains(event->position())) {
            setTheme(each);
            if (onThemeChosen) {
                onThemeChosen(each);
            }
            return;
        }
    }
    if (theme == RestTheme::Wallpaper && sliderRect().adjusted(0, -4, 0, 4).contains(event->position())) {
        dragging = true;
        slideTo(event->position());
    }
}

void ThemeSelectorOverlay::mouseMoveEvent(QMouseEvent* event) {
    event->accept();
    if (dragging) {
        slideTo(event->position());
    }
}

void ThemeSelectorOverlay::mouseReleaseEvent(QMouseEvent* event) {
    event->accept();
    dragging = false;
}

void ThemeSelectorOverlay::slideTo(const QPointF& position) {
    const QRectF slider = sliderRect().adjusted(7, 0, -7, 0);
    const double fraction = std::clamp((position.x() - slider.left()) / slider.width(), 0.0, 1.0);
    const double radius = fraction * RestThemes::maximumBlurRadius;
    setBlurRadius(radius);
    if (onBlurChosen) {
        onBlurChosen(radius);
    }
}

bool ThemeSelectorOverlay::event(QEvent* event) {
    if (event->type() == QEvent::ToolTip) {
        const auto* help = static_cast<QHelpEvent*>(event);
        for (RestTheme each : RestThemes::allCases()) {
            const QRect area = buttonRect(each).toAlignedRect();
            if (area.contains(help->pos())) {
                QToolTip::showText(help->globalPos(), RestThemes::displayName(each), this, area);
                return true;
            }
        }
        QToolTip::hideText();
        event->ignore();
        return true;
    }
    return QWidget::event(event);
}
