#include "Stats/StatsStore.h"

StatsStore& StatsStore::shared()
{
    static StatsStore store;
    return store;
}

void StatsStore::record(StatsEventType, StatsEventSource, const std::optional<QString>&, const StatsPayload&,
                        const std::optional<QDateTime>&)
{
}
