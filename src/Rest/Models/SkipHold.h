#pragma once

#include <QObject>
#include <QString>

#include <functional>
#include <optional>

class Clock;
class QRandomGenerator;
class Timer;

// Hold-to-skip: a 1.5 s hold of the skip button or the space bar completes,
// shows a feedback line and hands it to the owner 2.0 s later, once.
//
// A mouse press and a space key-down guard on separate flags, so one may start
// while the other's hold runs; the second start joins the running hold (one
// timer, progress continues). Any mouse release ends a hold; only a space
// key-up ends a hold the space bar joined or started.
class SkipHold : public QObject {
    Q_OBJECT
public:
    static constexpr double holdSeconds = 1.5;
    static constexpr double tickSeconds = 0.05;
    static constexpr double reportDelaySeconds = 2.0;
    static constexpr double rewindSeconds = 0.2;

    // random picks the feedback line; nullptr means the system generator.
    SkipHold(Clock& clock, std::function<void(const QString&)> onSkip, QRandomGenerator* random = nullptr,
             QObject* parent = nullptr);

    void press();
    void release();
    // Auto-repeat events neither start, extend nor end a hold.
    void spaceDown(bool autoRepeat);
    void spaceUp(bool autoRepeat);

    bool isPressingSkip() const { return pressing; }
    bool isCompletingSkip() const { return completing; }
    bool isSpacePressed() const { return spacePressed; }
    double skipProgress() const { return progress; }
    // The progress to draw: after a release it runs back to 0 over 0.2 s (ease-out).
    double displayedProgress(double now) const;
    bool isRewinding(double now) const;
    const std::optional<QString>& skipFeedbackText() const { return feedbackText; }

Q_SIGNALS:
    void changed();

private:
    void startSkipTimer();
    void stopSkipTimer();
    void step();
    void completeSkip();

    Clock& clock;
    std::function<void(const QString&)> onSkip;
    QRandomGenerator* random;
    Timer* skipTimer = nullptr;
    bool pressing = false;
    bool completing = false;
    bool spacePressed = false;
    double progress = 0;
    double rewindFrom = 0;
    double rewindStartedAt = 0;
    std::optional<QString> feedbackText;
};
