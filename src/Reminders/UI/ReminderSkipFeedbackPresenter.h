#pragma once

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
// larger message of at most two lines.
class ReminderSkipToast final : public QWidget {
    Q_OBJECT
public:
    static constexpr int width = 390;
    static constexpr int height = 118;

    ReminderSkipToast(QString title, QString message);

    QString title() const { return titleText; }
    QString message() const { return messageText; }
    // The message as drawn in the card's width: two lines at most, the rest elided.
    QStringList messageLines() const;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QString titleText;
    QString messageText;
};

// Shows a short-lived card near the top of the main screen when the user
// skips a body reminder. The card never takes focus or activates Tavo.
class ReminderSkipFeedbackPresenter : public QObject {
    Q_OBJECT
public:
    static constexpr double toastDuration = 3.0;
    static constexpr int fadeInMs = 180;
    static constexpr int fadeOutMs = 220;

    explicit ReminderSkipFeedbackPresenter(Clock& clock, QObject* parent = nullptr);
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
    Clock& clock;
    void showToast(ReminderSkipFeedbackKind kind, const QString& message);
    void fadeOut(ReminderSkipToast* toast);
};
