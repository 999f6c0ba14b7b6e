#pragma once

#include "Rest/Components/AnimationTicker.h"

#include <QColor>
#include <QPointF>
#include <QWidget>

#include <array>
#include <memory>

class Clock;
class QPainter;
class Timer;
struct GlowSprites;

// Paints the classic backdrop over the whole owner: the dark base and the
// three blurred glows. The glows are blurred once into sprites shared by
// every backdrop on screen under the same veil, and given back when none is
// left; the first glow's sprite carries the base. They are drawn where
// they stood at their last step: a step comes at the first frame at which
// one of them has moved redrawPixels since the last, and the owner then
// repaints where the glows were and are. In between, a repaint of any part
// draws exactly what was there.
class ClassicBackdrop {
public:
    // How far, in device pixels, a glow moves before it is drawn again. The
    // glows are so soft that a move this far changes no pixel by more than
    // two levels; the three drawn that late are off by a few levels at most.
    static constexpr double redrawPixels = 10;
    // How finely the next step is looked for: a frame.
    static constexpr double lookAheadSeconds = AnimationTicker::frameSeconds;

    // Painted under a veil of black of the given opacity (none by default),
    // as if the veil were drawn over every part painted.
    ClassicBackdrop(Clock& clock, QWidget* owner, const QColor& veil = Qt::transparent);
    ~ClassicBackdrop();

    // Restarts the drift from the first offsets and starts stepping.
    void appear(double now);
    // Stops stepping and lets go of the sprites.
    void disappear();
    // Paints a part of the owner.
    void paint(QPainter& painter, const QRect& part);

    // Moves the glows to where they are at `now` if one has gone far enough
    // from where they were drawn; whether they are to be drawn again.
    bool step(double now);
    // Seconds from `now` to the next step.
    double nextStepIn(double now) const;

private:
    std::array<QPointF, 3> positionsAt(double now) const;
    // Whether a glow at these places lies redrawPixels from where it was drawn.
    bool movedFarEnough(const std::array<QPointF, 3>& places) const;
    // Where a glow's sprite lies at its drawn place, in owner coordinates.
    QRectF placed(size_t glow) const;
    // What the glows cover at their drawn places; all of the owner until
    // the sprites exist.
    QRegion coveredArea() const;

    Clock& clock;
    QWidget* owner;
    QColor veilColour;
    Timer* timer;
    double appearedAt = 0;
    std::array<QPointF, 3> drawn;
    std::shared_ptr<const GlowSprites> sprites;
};

// The classic backdrop as a widget filling its parent: the loading backdrop
// of the wallpaper theme, under its veil (see ClassicBackdrop).
class ClassicBackground : public QWidget {
    Q_OBJECT
public:
    ClassicBackground(Clock& clock, const QColor& veil, QWidget* parent = nullptr);

protected:
    void paintEvent(QPaintEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;

private:
    Clock& clock;
    ClassicBackdrop backdrop;
};
