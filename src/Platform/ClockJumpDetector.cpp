#include "Platform/ClockJumpDetector.h"

#include "Platform/Clock.h"

#include <cstdlib>

ClockJumpDetector::ClockJumpDetector(const Clock& clock, QObject* parent)
    : QObject(parent)
    , clock(clock)
    , lastOffset(wallMinusMonotonic()) {}

qint64 ClockJumpDetector::wallMinusMonotonic() const {
    return clock.now().toMSecsSinceEpoch() - clock.monotonicMs();
}

void ClockJumpDetector::check() {
    const qint64 offset = wallMinusMonotonic();
    const qint64 jump = offset - lastOffset;
    lastOffset = offset;
    if (std::llabs(jump) > thresholdMs) {
        Q_EMIT jumped(jump);
    }
}
