#pragma once

#include "Stats/StatsEvent.h"

#include <QDateTime>
#include <QString>

#include <optional>

// The process-wide event log.
class StatsStore {
public:
    static StatsStore& shared();

    void record(StatsEventType type, StatsEventSource source, const std::optional<QString>& sessionId = std::nullopt,
                const StatsPayload& payload = {}, const std::optional<QDateTime>& at = std::nullopt);
};
