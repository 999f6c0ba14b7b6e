#include "Application/AppDelegate.h"

#include "Platform/Clock.h"

StatusSnapshot AppDelegate::statusSnapshot() {
    // The cycle's status is the one source of the line, the class and the percentage.
    const RestCycleStatus cycle = restCycle.status();
    StatusSnapshot status;
    status.text = cycle.line;
    status.tooltip =
        cycle.line + u'\n' + hydrationManager->statusText() + u'\n' + pelvicFloorManager->statusText();
    status.state = RestCycleStatus::name(cycle.state);
    status.percentage = cycle.workPercent;
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

std::optional<QString> AppDelegate::pause(const QString& length) {
    const std::optional<QDateTime> end = RestCycle::pauseEndFor(length, services.clock.now());
    if (!end) {
        return std::nullopt;
    }
    pauseRest(*end);
    return statusLine();
}

QString AppDelegate::resume() {
    restCycle.resume();
    return statusLine();
}

void AppDelegate::notifyStatusChanged() {
    if (onStatusChanged) {
        onStatusChanged();
    }
}
