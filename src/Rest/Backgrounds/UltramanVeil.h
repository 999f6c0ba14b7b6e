#pragma once

#include <QImage>
#include <QList>
#include <QPointer>
#include <QRect>
#include <QWidget>

#include <vector>

class UltramanTigaView;

// The Ultraman theme's own dim veil. Under a view that has settled over it,
// the view's static violet glow is part of it: the stars and the glow's area
// then cost one plain copy instead of two blends. Only what lies under the
// view's moving parts is kept as pictures, copied when they repaint; the rest
// is drawn afresh on the rare repaints that reach it. While it fades, its
// fade draws all of it on every frame, so then all of it is kept.
class UltramanVeil : public QWidget {
public:
    using QWidget::QWidget;
    ~UltramanVeil() override;

    // The view whose glow lies in the veil, or none.
    void holdGlowOf(UltramanTigaView* view);

protected:
    void paintEvent(QPaintEvent* event) override;
    void hideEvent(QHideEvent*) override { forget(); }

private:
    struct Patch {
        QRect area;
        QImage image;
    };

    QImage picture(const QRect& area) const;
    QImage cell(QPoint at) const;
    void keepUnder(const QList<QRect>& areas);
    const Patch* patchAt(QPoint point) const;
    size_t cellOf(QPoint point) const;
    void forget();

    static constexpr int cellSize = 64;

    QImage whole;
    std::vector<Patch> kept;
    QList<QRect> keptFor; // the areas they were last made for
    // The view's animated areas have not changed since they were kept.
    bool areasKnown = false;
    // The kept pictures reaching into each square cell, row by row: among a
    // hundred stars, the one under a repainted rectangle is found at once.
    std::vector<std::vector<size_t>> cells;
    int columns = 0;
    QPointer<UltramanTigaView> glowOf;
    QSize drawnSize;
    QRect drawnGlowArea;
    qreal drawnRatio = 0;
};
