#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QDateTime>
#include <QMap>
#include <QString>
#include <QStringView>

#include <algorithm>
#include <array>
#include <optional>
#include <string_view>
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

// The raw values are the stored form ("app_launched", "auto_timeout"); an
// unknown raw value gives none.
QString rawValue(StatsEventType type);
QString rawValue(StatsEventSource source);
std::optional<StatsEventType> statsEventTypeFromRawValue(QStringView raw);
std::optional<StatsEventSource> statsEventSourceFromRawValue(QStringView raw);

// A payload value keeps its JSON kind: 3 is an int, 2.5 and 3.0 are doubles.
class StatsPayloadValue {
public:
    using Value = std::variant<QString, qint64, double, bool>;

    StatsPayloadValue(QString text)
        : value(std::move(text)) {}
    StatsPayloadValue(const char* text)
        : value(QString::fromUtf8(text)) {}
    StatsPayloadValue(qint64 number)
        : value(number) {}
    StatsPayloadValue(int number)
        : value(static_cast<qint64>(number)) {}
    StatsPayloadValue(double number)
        : value(number) {}
    StatsPayloadValue(bool flag)
        : value(flag) {}

    const Value& raw() const { return value; }

    // Counters read through this: a text "30" counts as 30, a bool or a
    // malformed or out-of-range text as none, a double truncates toward zero.
    std::optional<qint64> intValue() const;
    // Display form: 3 -> "3", 3.0 -> "3.0", 0.25 -> "0.25", false -> "false".
    QString stringValue() const;

    friend bool operator==(const StatsPayloadValue&, const StatsPayloadValue&) = default;

private:
    Value value;
};

using StatsPayload = QMap<QString, StatsPayloadValue>;

// One immutable statistics event, as stored on one line of a month file.
struct StatsEvent {
    QString id;
    QDateTime timestamp;
    QString dayKey;
    QString monthKey;
    StatsEventType type = StatsEventType::appLaunched;
    StatsEventSource source = StatsEventSource::system;
    std::optional<QString> sessionId;
    StatsPayload payload;
    QString appVersion;

    friend bool operator==(const StatsEvent&, const StatsEvent&) = default;
};

// Compact one-line JSON of the event (no line break inside, even for text
// holding U+0085, U+2028 or U+2029). Fails, with the reason in error, when a
// payload double is not finite: JSON has no form for it.
std::optional<QByteArray> encodeStatsEvent(const StatsEvent& event, QString* error = nullptr);
// None for anything but one complete, well-typed event object.
std::optional<StatsEvent> decodeStatsEvent(QByteArrayView json);

// Decodes the lines of a file one after another, exactly as decodeStatsEvent
// does; what repeats from line to line (day and month keys, version, payload
// keys and texts, whole payloads) then shares one copy instead of one per event.
class StatsEventDecoder {
public:
    std::optional<StatsEvent> decode(QByteArrayView json);

private:
    friend class StatsEventReader;

    // The last few values read, by the bytes they were read from. Oldest
    // first out, so a file of ever new values keeps it small.
    template <typename Value, std::size_t size> class Recent {
    public:
        const Value* find(std::string_view bytes) const {
            for (std::size_t i = 0; i < std::min(count, size); ++i) {
                if (std::string_view(entries[i].first.constData(), std::size_t(entries[i].first.size())) ==
                    bytes) {
                    return &entries[i].second;
                }
            }
            return nullptr;
        }
        const Value& insert(std::string_view bytes, Value value) {
            auto& entry = entries[count++ % size];
            entry = {QByteArray(bytes.data(), qsizetype(bytes.size())), std::move(value)};
            return entry.second;
        }

    private:
        std::array<std::pair<QByteArray, Value>, size> entries;
        std::size_t count = 0;
    };

    Recent<QString, 16> texts;
    Recent<StatsPayload, 8> payloads;
};
