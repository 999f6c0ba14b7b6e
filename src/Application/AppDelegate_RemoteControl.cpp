#include "Application/AppDelegate.h"

#include <algorithm>

StatusSnapshot AppDelegate::statusSnapshot() {
    StatusSnapshot status;
    status.text = statusLine;
    status.tooltip =
        statusLine + u'\n' + hydrationManager->statusText() + u'\n' + pelvicFloorManager->statusText();
    status.state = isResting ? QStringLiteral("resting") : QStringLiteral("working");
    // Of the work period gone: all of it during a rest.
    status.percentage = isResting || workDuration < 1
                            ? 100
                            : static_cast<int>(std::clamp<qint64>(
                                  (workDuration - workSecondsRemaining) * 100 / workDuration, 0, 100));
    return status;
}

QString AppDelegate::drink() {
    hydrationManager->recordDrink(StatsEventSource::manual);
    return showHydrationLogged();
}

QString AppDelegate::exercise() {
    pelvicFloorManager->recordCompletion(StatsEventSource::manual);
    return showPelvicFloorLogged();
}

void AppDelegate::notifyStatusChanged() {
    if (onStatusChanged) {
        onStatusChanged();
    }
}
