#pragma once

#include <QWidget>

class Clock;
class QPainter;
class Timer;

// Paints the classic backdrop: the dark base and the three blurred glows at
// their drift position for a time on screen. The glows are blurred once per
// process into sprites; a frame is one fill and three sprite blends.
class ClassicBackdrop {
public:
    // Restarts the drift from the first offsets.
    void appear(double now);
    void paint(QPainter& painter, const QRect& area, double now) const;

private:
    double appearedAt = 0;
};

// The classic backdrop as a widget filling its parent: the loading backdrop
// of the wallpaper theme. It repaints itself while shown.
class ClassicBackground : public QWidget {
    Q_OBJECT
public:
    explicit ClassicBackground(Clock& clock, QWidget* parent = nullptr);

protected:
    void paintEvent(QPaintEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;

private:
    Clock& clock;
    ClassicBackdrop backdrop;
    Timer* frameTimer;
};
