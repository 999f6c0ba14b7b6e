#pragma once

#include "Platform/Desktop/OverlayCards.h"

#include <QImage>
#include <QObject>
#include <QPointer>
#include <QRect>
#include <QString>
#include <QWidget>

#include <memory>
#include <optional>
#include <vector>

class Clock;

enum class ReminderSkipFeedbackKind { hydration, pelvicFloor };

// The card itself: a translucent dark rounded panel with a small title and a
// larger message of at most two lines. It is shown as this window, or drawn
// onto an overlay card where the desktop offers one (a Wayland compositor
// places windows itself and would centre it and hand it the keyboard).
class ReminderSkipToast final : public QWidget {
    Q_OBJECT
    Q_PROPERTY(qreal cardOpacity READ cardOpacity WRITE setCardOpacity)
public:
    static constexpr int width = 390;
    static constexpr int height = 118;

    ReminderSkipToast(QString title, QString message);

    QString title() const { return titleText; }
    QString message() const { return messageText; }
    // The message as drawn in the card's width: two lines at most, the rest elided.
    QStringList messageLines() const;

    // Puts the card on screen: on the overlay card when there is one, else as this window.
    void present(std::unique_ptr<OverlayCard> overlayCard);
    // Takes it off the screen.
    void dismiss();
    bool isOnOverlay() const { return overlay != nullptr; }
    qreal cardOpacity() const { return opacity; }
    void setCardOpacity(qreal value);

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QString titleText;
    QString messageText;
    std::unique_ptr<OverlayCard> overlay;
    QImage picture; // the card as drawn, for the overlay
    qreal opacity = 1.0;
};

// Shows a short-lived card near the top of the main screen when the user
// skips a body reminder. The card never takes focus or activates Tavo.
class ReminderSkipFeedbackPresenter : public QObject {
    Q_OBJECT
public:
    static constexpr double toastDuration = 3.0;
    static constexpr int fadeInMs = 180;
    static constexpr int fadeOutMs = 220;

    // Cards go onto overlayCards where given, else into windows of their own.
    ReminderSkipFeedbackPresenter(Clock& clock, OverlayCards* overlayCards, QObject* parent = nullptr);
    ~ReminderSkipFeedbackPresenter() override;

    static QString title(ReminderSkipFeedbackKind kind);
    // Centred horizontally, its top edge 72 points below the top of the
    // visible area; without a screen, as on a 1440 × 900 one at the origin.
    static QRect toastFrame(const std::optional<QRect>& visibleFrame);

    // Shows one more card later on the main thread; returns at once.
    void present(ReminderSkipFeedbackKind kind, const QString& message);

    // The cards on screen or fading, newest last.
    std::vector<std::unique_ptr<ReminderSkipToast>> toastWindows;

private:
    void showToast(ReminderSkipFeedbackKind kind, const QString& message);
    void fadeOut(ReminderSkipToast* toast);

    Clock& clock;
    OverlayCards* overlayCards;
};
