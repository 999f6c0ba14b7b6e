#pragma once

#include "Rest/Components/CachedPicture.h"
#include "Rest/Components/UltramanTigaModel.h"

#include <QImage>
#include <QPainter>
#include <QRegion>
#include <QString>
#include <QWidget>

#include <array>
#include <functional>
#include <optional>
#include <utility>
#include <vector>

class Clock;
class QRandomGenerator;
class Timer;

// The Ultraman theme's content: a twinkling star field, a violet glow, the
// floating guardian figure in its halo, the countdown capsule, the headline
// and the subtitle. Transparent: the rest view's veil lies beneath it. Every
// blurred part is rendered once into a sprite while on screen; a tick
// repaints the stars, the figure group and the capsule, and nothing else.
class UltramanTigaView : public QWidget {
    Q_OBJECT
public:
    UltramanTigaView(Clock& time, int totalRestSeconds, std::function<int()> secondsRemaining,
                     QString subtitle, QWidget* parent = nullptr, QRandomGenerator* random = nullptr);

    // One of the ten rest subtitles, uniformly at random; picked once per rest.
    static QString randomSubtitle();
    // The figure picture shipped in the resources; null when it is missing.
    static QImage figureImage();
    // The violet glow behind the column, for a view of the given size, in
    // the view's coordinates.
    static void paintVioletGlow(QPainter& painter, QSize size);
    // Whether the window draws the violet glow under the view (flattened into
    // a static layer beneath the stars) rather than the view over them.
    void setGlowBeneath(bool beneath);
    // Where its own ticks repaint from now on, in its coordinates: the
    // figure group, the capsule, the texts while they fade in, and the star
    // field's rectangles. None before its first paint has laid it out.
    QList<QRect> animatedAreas() const;

    // Advances the clock by one tick, as the 0.04 s timer does.
    void tick();

Q_SIGNALS:
    // What animatedAreas() returns has changed.
    void animatedAreasChanged();

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;

private:
    // A pre-rendered picture centred on a point of the layout.
    struct Sprite {
        QImage image;
        void draw(QPainter& painter, QPointF centre, double opacity) const;
        // Two blurs of one shape mixed to stand for a radius between theirs.
        static void drawBlend(QPainter& painter, const std::array<Sprite, 2>& ends, QPointF centre,
                              double mix, double opacity);
    };
    struct CapsuleSprites {
        int value = 0;
        UltramanTiga::CapsuleLevel level = UltramanTiga::CapsuleLevel::Red;
        QSizeF size;
        double numberWidth = 0;
        Sprite shadow;
        Sprite lightHalo;
        std::array<Sprite, 2> coreShadow; // blurred 12 and 22
        Sprite number;
        std::array<Sprite, 2> numberShadow; // blurred 16 and 26
    };

    // Where the parts of the column lie, each with its glow and shadows.
    struct Areas {
        QRect figure;
        QRect capsule;
        QRect headline;
        QRect subtitle;
        bool operator==(const Areas&) const = default;
    };

    QRect starRect(const UltramanTiga::Star& star) const;
    // The star's colour now, in its light's tint.
    QColor starColour(qsizetype index) const;
    Areas areasFor(const UltramanTiga::ColumnLayout& layout) const;
    void buildStaticSprites(qreal ratio);
    // Takes what it can from before, the capsule shown until now.
    CapsuleSprites buildCapsule(int value, UltramanTiga::CapsuleLevel level, qreal ratio,
                                const CapsuleSprites* before) const;
    // Where the figure group is drawn about its place in the column.
    QPointF figureAt(QPointF centre) const;
    // The breathing core of the figure drawn at the given place, with room
    // for its largest scale.
    QRect coreArea(QPointF at) const;
    void paintFigureGroup(QPainter& painter, QPointF centre);
    // The core at the painter's origin while the figure is unscaled, from a
    // picture of it at its breathing scale: a scaled draw costs several
    // times a copy, and the group repaints many times between its steps.
    void paintScaledCore(QPainter& painter);
    // The halo about the painter's origin: while the figure is unscaled, the
    // current breathing step's mixed picture.
    void paintHalo(QPainter& painter);
    void mixHaloStep(QPainter::RenderHints hints);
    void paintCapsule(QPainter& painter, QPointF centre, double pulse);

    int totalSeconds;
    std::function<int()> secondsRemaining;
    QString subtitle;
    QList<UltramanTiga::Star> stars;
    QRegion starField;           // where the stars lie, in the current size
    QList<SmallDisc> starLights; // in the current size and pixel ratio
    QList<QColor> starTints;     // the star's white as seen through the glow over it
    // Each star's rectangles of the field, by their place in it.
    std::vector<std::vector<int>> starParts;
    UltramanTiga::Motion motion;
    Timer* clock;

    qreal spriteRatio = 0;
    bool glowBeneath = false;
    QImage violetGlow;
    QRect violetGlowArea;
    std::array<Sprite, 2> halo; // blurred 16 and 40, the ends of its breathing
    // The halo of one breathing step: its two blurs mixed, then that scaled
    // and centred in the image.
    Sprite unscaledHalo;
    QImage mixedHalo;
    double mixedHaloScale = 0;
    // The halo's breathing step on screen: it takes the clock's with the
    // figure's next float by a whole pixel, or once two steps behind, so
    // that one repaint of the group serves both.
    double shownBreath = 0;
    Sprite core;
    QImage scaledCore;
    std::pair<double, QPointF> scaledCoreAt; // its scale and place within a device pixel
    Sprite figure;
    Sprite headline;
    Sprite subtitleLine;
    std::optional<CapsuleSprites> capsule;
    // The number that was shown before the last change, rolling out.
    std::optional<CapsuleSprites> previousCapsule;
    long long changedAtTick = 0;
    // The capsule's body, black and in its colour, and its outline, drawn
    // for its place.
    struct {
        QRectF box;
        QImage black;
        QImage tinted;
        QImage outline;
        QColor colour;
    } body;
    bool textsFading = true; // their areas are among the animated ones
    Areas areas;
    QPointF figureCentre;
    QPointF paintedFigureAt;
    struct {
        double opacity = 0;
        double scale = 0;
    } paintedCore;
};
