#pragma once

#include "Rest/Backgrounds/ClassicBackground.h"
#include "Rest/Models/FireflyField.h"

#include <QWidget>

#include <optional>

class Clock;
class QRandomGenerator;
class Timer;

// The aurora backdrop: the classic glows with 35 fireflies over them that
// rise, flicker, wrap at the edges and scatter from the pointer.
class AuroraBackground : public QWidget {
    Q_OBJECT
public:
    explicit AuroraBackground(Clock& clock, QWidget* parent = nullptr, QRandomGenerator* random = nullptr);

    const FireflyField& field() const { return fireflies; }
    // One particle step and redraw, as the 0.03 s timer does.
    void tick();

    // Draws the whole backdrop, fireflies in list order.
    void paint(QPainter& painter, double now) const;

protected:
    void paintEvent(QPaintEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void leaveEvent(QEvent* event) override;

private:
    Clock& clock;
    ClassicBackdrop classic;
    FireflyField fireflies;
    std::optional<QPointF> mouseLocation;
    Timer* timer;
};
