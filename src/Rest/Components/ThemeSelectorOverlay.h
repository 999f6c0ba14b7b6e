#pragma once

#include "Rest/Components/CachedPicture.h"
#include "Rest/Models/Animation.h"
#include "Rest/Models/RestTheme.h"

#include <QWidget>

#include <array>
#include <functional>

class AnimationTicker;
class Clock;

// The picker in the top-right corner of a rest view: one button per theme
// and, for the wallpaper theme, the blur slider. Faded to 0.25 until the
// pointer is over it. Choices are reported to the owner, who stores them.
class ThemeSelectorOverlay : public QWidget {
    Q_OBJECT
public:
    static constexpr double fadedOpacity = 0.25;
    static constexpr double margin = 20;

    ThemeSelectorOverlay(Clock& clock, RestTheme theme, double blurRadius, QWidget* parent = nullptr);

    std::function<void(RestTheme)> onThemeChosen;
    std::function<void(double)> onBlurChosen;

    // The owner's current values (the stored ones); animates what changed.
    void setTheme(RestTheme theme);
    void setBlurRadius(double radius);

    double opacity() const;
    bool isHovered() const { return hovered; }
    QSize sizeHint() const override;
    // The size with the blur row shown.
    QSize largestSize() const;
    // What lies behind the picker's largest size, blurred for its panels,
    // with its top-left corner at `origin` in the parent's coordinates.
    void setBehind(QImage blurred, QPoint origin);
    // The button rectangle of a theme, in this widget's coordinates.
    QRectF buttonRect(RestTheme theme) const;
    QRectF sliderRect() const;

protected:
    void paintEvent(QPaintEvent* event) override;
    void hideEvent(QHideEvent* event) override;
    void enterEvent(QEnterEvent* event) override;
    void leaveEvent(QEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    bool event(QEvent* event) override;

private:
    QRectF themeRowRect() const;
    QRectF blurRowRect() const;
    void paintThemeRow(QPainter& painter, double now);
    void paintBlurRow(QPainter& painter, double now);
    void slideTo(const QPointF& position);
    void updateSize();

    Clock& clock;
    RestTheme theme;
    double blurRadius;
    bool hovered = false;
    bool dragging = false;
    Transition fade{fadedOpacity};
    Transition blurRowPresence;
    std::array<Transition, 3> dots;
    std::array<Transition, 3> selection;
    AnimationTicker* ticker;
    CachedPicture picture;
    QImage behind;
    QPoint behindOrigin;
    int behindVersion = 0;
};
