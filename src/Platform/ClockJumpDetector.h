#pragma once

#include <QObject>

class Clock;

// Notices that the wall clock jumped (a time correction, the user setting the
// clock, a suspend) by comparing it with the monotonic clock at each check:
// between two checks both advance alike unless the wall clock was set.
// Gradual corrections never add up to a jump, since each check starts afresh.
class ClockJumpDetector : public QObject {
    Q_OBJECT
public:
    static constexpr qint64 thresholdMs = 60'000;

    explicit ClockJumpDetector(const Clock& clock, QObject* parent = nullptr);

    void check();

Q_SIGNALS:
    // How far the wall clock moved beyond the time that passed, in
    // milliseconds: negative when it was set back.
    void jumped(qint64 offsetMs);

private:
    qint64 wallMinusMonotonic() const;

    const Clock& clock;
    qint64 lastOffset;
};
