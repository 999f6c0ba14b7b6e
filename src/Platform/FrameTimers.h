#pragma once

#include "Platform/Clock.h"

#include <QList>
#include <QObject>
#include <QPointer>

#include <memory>

class FrameTimer;

// Timers that share frames. Frames fall every frameMs on the clock's
// monotonic time; a timer counts its interval from the frame at or before
// its start, each timeout comes at the first frame at or after it is due,
// and every timeout due by a frame comes in the same wakeup, so the repaints
// they ask for are painted and flushed once. A timeout is less than one
// frame off, and a repeating timer keeps its own rate on average.
class FrameTimers : public QObject {
    Q_OBJECT
public:
    static constexpr qint64 frameMs = 30;

    explicit FrameTimers(Clock& clock);
    ~FrameTimers() override;

    // The timer is owned by parent and dies with it.
    Timer* createTimer(QObject* parent);

private:
    friend class FrameTimer;
    static qint64 frameAtOrAfter(qint64 ms);
    void schedule();
    void wake();

    Clock& clock;
    std::unique_ptr<Timer> waker;
    QList<QPointer<FrameTimer>> timers;
};
