#pragma once

#include "Rest/Components/CachedPicture.h"
#include "Rest/Components/RestingCatView.h"
#include "Rest/Models/Animation.h"
#include "Rest/Models/BreathingCycle.h"
#include "Rest/Models/RestLayout.h"
#include "Rest/Models/RestTheme.h"
#include "Rest/RestServices.h"

#include <QImage>
#include <QPointer>
#include <QWidget>

#include <functional>

class MouseTouchBridge;
class SkipHold;
class ThemeSelectorOverlay;
class Timer;
class AnimationTicker;

// What one rest window shows: over the theme's backdrop, the countdown ring
// with the breathing guide, the theme's figure, a tip and the hold-to-skip
// button; the theme picker in the top-right corner. secondsRemaining is a
// binding onto the rest countdown owned by the caller: the view reads it on
// its own ticks and never changes it. onSkip is called once, 2.0 s after a
// completed hold, with the feedback line shown. Each tick repaints only what
// it moved: the ring and the cat; the rest stays as painted.
class RestView : public QWidget {
    Q_OBJECT
public:
    struct Binding {
        std::function<int()> read;
        std::function<void(int)> write;
    };

    RestView(RestServices services, int totalRestSeconds, Binding secondsRemaining, QString ultramanSubtitle,
             std::function<void(const QString&)> onSkip, QWidget* parent = nullptr);
    ~RestView() override;

    RestTheme currentTheme() const { return theme; }
    const BreathingCycle& breathing() const { return breath; }
    const SkipHold& skipHold() const { return *hold; }
    const QString& tipText() const { return tip; }
    ThemeSelectorOverlay* themeSelector() const { return picker; }
    RestLayout layout() const { return RestLayout::compute(size(), theme); }

    // One 0.1 s step: breathing, countdown and the stored theme and blur.
    void tick();
    // The space bar, as seen application-wide while the view is on screen.
    void handleSpace(bool pressed, bool autoRepeat);

protected:
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    void applyTheme(RestTheme newTheme, bool animated);
    void setBlurRadius(double radius);
    QWidget* makeBackdrop(RestTheme forTheme);
    QWidget* makeUltraman();
    void layoutChildren();
    void followEffects(double now);
    // Hands the Ultraman view's static glow to the veil beneath it while the
    // two have settled, and back while either fades.
    void placeUltramanGlow();
    double arcFraction(int seconds) const;
    // What each moving part covers, in this view's coordinates.
    QRect ringArea() const;
    // The arc and the words within the ring: all that a change of the seconds redraws.
    QRect ringFaceArea() const;
    QRect catArea() const;
    QRect tipArea() const;
    QRect skipArea() const;
    QRect cardArea() const;
    void paintContent(QPainter& painter, const QRegion& dirty);
    void paintRingGlow(QPainter& painter, const RestLayout& layout, double breathValue);
    void paintRingArc(QPainter& painter, const RestLayout& layout, double fraction);
    void paintRingText(QPainter& painter, const RestLayout& layout);
    void paintSkipArea(QPainter& painter, const RestLayout& layout, double progress, double pressed);
    void paintFeedbackCard(QPainter& painter, double presence);
    void holdChanged();
    // What lies behind an area (view coordinates) of the panels: the
    // backdrops, the figure and the content without the card; and the
    // picker's panel made again from it.
    QImage behind(const QRect& area);
    void refreshPickerPanel();

    RestServices services;
    int totalRestSeconds;
    Binding secondsRemaining;
    QString ultramanSubtitle;
    std::function<void(const QString&)> onSkip;

    RestTheme theme;
    double blurRadius;
    BreathingCycle breath;
    SkipHold* hold;
    QString tip;
    int shownSeconds = -1;
    bool wasPressing = false;
    bool hadFeedback = false;
    double catAppearedAt = 0;
    double tailAngle = 0;

    Timer* tickTimer;
    QWidget* backdrop = nullptr;
    QPointer<QWidget> leavingBackdrop;
    QPointer<QWidget> ultraman;
    QPointer<QWidget> leavingUltraman;
    QWidget* content;
    MouseTouchBridge* skipButton;
    ThemeSelectorOverlay* picker;
    AnimationTicker* ticker;

    Transition arc;
    Transition backdropFade{1};
    Transition catPresence;
    Transition ultramanPresence;
    Transition pressed;
    Transition cardPresence;
    QImage cardShadow;
    QImage cardBehind;
    QPoint cardBehindAt;
    bool takingBehind = false;
    QRectF cardRect;
    CachedPicture ringGlow;
    CachedPicture ringTrack;
    CachedPicture ringFace;
    CachedPicture catPicture;
    CatHeadPictures catHeads;
    CachedPicture tipPicture;
    CachedPicture skipPicture;
    CachedPicture cardPicture;
};
