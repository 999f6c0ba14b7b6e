#pragma once

#include "Rest/Backgrounds/ClassicBackground.h"
#include "Rest/Models/FireflyField.h"

#include <QImage>
#include <QWidget>

#include <optional>
#include <vector>

class Clock;
class QRandomGenerator;
class Timer;

// The aurora backdrop: the classic glows with 35 fireflies over them that
// rise, flicker, wrap at the edges and scatter from the pointer. A tick
// repaints where each firefly was and where it is now.
class AuroraBackground : public QWidget {
    Q_OBJECT
public:
    explicit AuroraBackground(Clock& clock, QWidget* parent = nullptr, QRandomGenerator* random = nullptr);

    const FireflyField& field() const { return fireflies; }
    // One particle step and redraw, as the 0.03 s timer does.
    void tick();

protected:
    void paintEvent(QPaintEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void leaveEvent(QEvent* event) override;

private:
    // Where a firefly's dot is drawn, in whole pixels.
    static QRect spriteRect(const FireflyParticle& particle);
    // Its sprite at the ratio's device pixels.
    const QImage& sprite(double size, qreal ratio);

    Clock& clock;
    ClassicBackdrop classic;
    FireflyField fireflies;
    std::optional<QPointF> mouseLocation;
    Timer* timer;
    std::vector<QImage> scaledSprites;
    qreal scaledFor = 0;
};
