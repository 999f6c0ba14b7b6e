#pragma once

#include <QDateTime>
#include <QMap>
#include <QString>

#include <optional>
#include <variant>

enum class StatsEventType {
    appLaunched,
    restStarted,
    restCompleted,
    restSkipped,
    hydrationPromptShown,
    hydrationCompleted,
    hydrationSkipped,
    hydrationSnoozed,
    pelvicPromptShown,
    pelvicCompleted,
    pelvicSkipped,
    pelvicSnoozed,
};

enum class StatsEventSource {
    system,
    scheduled,
    manual,
    notification,
    autoTimeout,
};

// A payload value keeps its JSON kind: 3 is an int, 2.5 and 3.0 are doubles.
class StatsPayloadValue {
public:
    using Value = std::variant<QString, qint64, double, bool>;

    StatsPayloadValue(QString text)
        : value(std::move(text))
    {
    }
    StatsPayloadValue(const char* text)
        : value(QString::fromUtf8(text))
    {
    }
    StatsPayloadValue(qint64 number)
        : value(number)
    {
    }
    StatsPayloadValue(int number)
        : value(static_cast<qint64>(number))
    {
    }
    StatsPayloadValue(double number)
        : value(number)
    {
    }
    StatsPayloadValue(bool flag)
        : value(flag)
    {
    }

    const Value& raw() const { return value; }

    friend bool operator==(const StatsPayloadValue&, const StatsPayloadValue&) = default;

private:
    Value value;
};

using StatsPayload = QMap<QString, StatsPayloadValue>;
