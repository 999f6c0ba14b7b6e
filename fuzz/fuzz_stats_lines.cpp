// Feeds arbitrary month-file bytes to the line reader. Besides crashes it
// checks that every event it accepts writes back as one line that reads back
// equal, so a stored event can never turn into a lost or different one.
#include "Stats/StatsStore.h"

#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const QByteArrayView bytes(reinterpret_cast<const char*>(data), qsizetype(size));
    for (const StatsEvent& event : decodeStatsEventLines(bytes)) {
        const auto json = encodeStatsEvent(event);
        if (!json) {
            std::abort();
        }
        const QList<StatsEvent> again = decodeStatsEventLines(*json + '\n');
        if (again.size() != 1 || again[0] != event) {
            std::abort();
        }
    }
    decodeStatsEvent(bytes);
    return 0;
}
