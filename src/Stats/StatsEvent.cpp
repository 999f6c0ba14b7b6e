#include "Stats/StatsEvent.h"

#include <nlohmann/json.hpp>

#include <algorithm>
#include <array>
#include <charconv>
#include <cmath>
#include <limits>
#include <utility>

namespace {

constexpr std::array<std::pair<StatsEventType, const char*>, 12> typeNames{{
    {StatsEventType::appLaunched, "app_launched"},
    {StatsEventType::restStarted, "rest_started"},
    {StatsEventType::restCompleted, "rest_completed"},
    {StatsEventType::restSkipped, "rest_skipped"},
    {StatsEventType::hydrationPromptShown, "hydration_prompt_shown"},
    {StatsEventType::hydrationCompleted, "hydration_completed"},
    {StatsEventType::hydrationSkipped, "hydration_skipped"},
    {StatsEventType::hydrationSnoozed, "hydration_snoozed"},
    {StatsEventType::pelvicPromptShown, "pelvic_prompt_shown"},
    {StatsEventType::pelvicCompleted, "pelvic_completed"},
    {StatsEventType::pelvicSkipped, "pelvic_skipped"},
    {StatsEventType::pelvicSnoozed, "pelvic_snoozed"},
}};

constexpr std::array<std::pair<StatsEventSource, const char*>, 5> sourceNames{{
    {StatsEventSource::system, "system"},
    {StatsEventSource::scheduled, "scheduled"},
    {StatsEventSource::manual, "manual"},
    {StatsEventSource::notification, "notification"},
    {StatsEventSource::autoTimeout, "auto_timeout"},
}};

template <typename Enum, std::size_t N>
QString nameOf(const std::array<std::pair<Enum, const char*>, N>& names, Enum value) {
    for (const auto& [candidate, name] : names) {
        if (candidate == value) {
            return QString::fromLatin1(name);
        }
    }
    Q_UNREACHABLE();
    return {};
}

template <typename Enum, std::size_t N>
std::optional<Enum> valueOf(const std::array<std::pair<Enum, const char*>, N>& names, std::string_view raw) {
    for (const auto& [value, name] : names) {
        if (raw == name) {
            return value;
        }
    }
    return std::nullopt;
}

bool isDigit(char c) {
    return c >= '0' && c <= '9';
}

// Whole-second UTC ISO 8601, "2026-03-02T09:00:00Z", and nothing else.
std::optional<QDateTime> parseTimestamp(std::string_view text) {
    static constexpr std::string_view pattern = "dddd-dd-ddTdd:dd:ddZ";
    if (text.size() != pattern.size()) {
        return std::nullopt;
    }
    for (std::size_t i = 0; i < pattern.size(); ++i) {
        if (pattern[i] == 'd' ? !isDigit(text[i]) : text[i] != pattern[i]) {
            return std::nullopt;
        }
    }
    const auto number = [&](std::size_t from, std::size_t length) {
        int value = 0;
        for (std::size_t i = from; i < from + length; ++i) {
            value = value * 10 + (text[i] - '0');
        }
        return value;
    };
    const QDate date(number(0, 4), number(5, 2), number(8, 2));
    const QTime time(number(11, 2), number(14, 2), number(17, 2));
    if (!date.isValid() || !time.isValid()) {
        return std::nullopt;
    }
    return QDateTime(date, time, Qt::UTC);
}

QString toQString(const std::string& text) {
    return QString::fromUtf8(text.data(), qsizetype(text.size()));
}

std::string toStdString(const QString& text) {
    const QByteArray utf8 = text.toUtf8();
    return std::string(utf8.constData(), std::size_t(utf8.size()));
}

std::optional<QString> stringMember(const nlohmann::json& object, const char* name) {
    const auto found = object.find(name);
    if (found == object.end() || !found->is_string()) {
        return std::nullopt;
    }
    return toQString(found->get_ref<const std::string&>());
}

std::optional<StatsPayloadValue> payloadValue(const nlohmann::json& value) {
    switch (value.type()) {
    case nlohmann::json::value_t::boolean:
        return StatsPayloadValue(value.get<bool>());
    case nlohmann::json::value_t::number_integer:
        return StatsPayloadValue(value.get<qint64>());
    case nlohmann::json::value_t::number_unsigned: {
        const auto number = value.get<std::uint64_t>();
        if (number <= std::uint64_t(std::numeric_limits<qint64>::max())) {
            return StatsPayloadValue(qint64(number));
        }
        return StatsPayloadValue(double(number));
    }
    case nlohmann::json::value_t::number_float: {
        // An overflowing literal such as 1e999 has no value that writes back.
        const double number = value.get<double>();
        if (!std::isfinite(number)) {
            return std::nullopt;
        }
        return StatsPayloadValue(number);
    }
    case nlohmann::json::value_t::string:
        return StatsPayloadValue(toQString(value.get_ref<const std::string&>()));
    default:
        return std::nullopt;
    }
}

// Readers split lines at these too, so they must never appear raw in a line.
// In compact JSON they can only sit inside strings, where the escape is equal.
void escapeUnicodeLineBreaks(std::string& json) {
    static constexpr std::array<std::pair<std::string_view, std::string_view>, 3> breaks{{
        {"\xC2\x85", "\\u0085"},
        {"\xE2\x80\xA8", "\\u2028"},
        {"\xE2\x80\xA9", "\\u2029"},
    }};
    for (const auto& [raw, escaped] : breaks) {
        for (std::size_t at = json.find(raw); at != std::string::npos;
             at = json.find(raw, at + escaped.size())) {
            json.replace(at, raw.size(), escaped);
        }
    }
}

} // namespace

QString rawValue(StatsEventType type) {
    return nameOf(typeNames, type);
}

QString rawValue(StatsEventSource source) {
    return nameOf(sourceNames, source);
}

std::optional<StatsEventType> statsEventTypeFromRawValue(QStringView raw) {
    const QByteArray utf8 = raw.toUtf8();
    return valueOf(typeNames, std::string_view(utf8.constData(), std::size_t(utf8.size())));
}

std::optional<StatsEventSource> statsEventSourceFromRawValue(QStringView raw) {
    const QByteArray utf8 = raw.toUtf8();
    return valueOf(sourceNames, std::string_view(utf8.constData(), std::size_t(utf8.size())));
}

std::optional<qint64> StatsPayloadValue::intValue() const {
    return std::visit(
        [](const auto& v) -> std::optional<qint64> {
            using T = std::decay_t<decltype(v)>;
            if constexpr (std::is_same_v<T, qint64>) {
                return v;
            } else if constexpr (std::is_same_v<T, double>) {
                // 2^63 is exact as a double; every finite value below it fits.
                constexpr double limit = 9223372036854775808.0;
                if (!std::isfinite(v) || v < -limit || v >= limit) {
                    return std::nullopt;
                }
                return qint64(std::trunc(v));
            } else if constexpr (std::is_same_v<T, bool>) {
                return std::nullopt;
            } else {
                // Optional sign, then ASCII digits only: no spaces, no "+-7".
                const QByteArray text = v.toLatin1();
                const char* first = text.constData();
                const char* last = first + text.size();
                const char* digits = (first != last && (*first == '+' || *first == '-')) ? first + 1 : first;
                if (digits == last || !std::all_of(digits, last, isDigit)) {
                    return std::nullopt;
                }
                qint64 number = 0;
                const auto [end, error] = std::from_chars(*first == '+' ? digits : first, last, number);
                if (error != std::errc() || end != last) {
                    return std::nullopt;
                }
                return number;
            }
        },
        value);
}

QString StatsPayloadValue::stringValue() const {
    return std::visit(
        [](const auto& v) -> QString {
            using T = std::decay_t<decltype(v)>;
            if constexpr (std::is_same_v<T, qint64>) {
                return QString::number(v);
            } else if constexpr (std::is_same_v<T, double>) {
                std::array<char, 64> buffer{};
                const auto result = std::to_chars(buffer.data(), buffer.data() + buffer.size(), v);
                QString text = QString::fromLatin1(buffer.data(), result.ptr - buffer.data());
                if (std::isfinite(v) && !text.contains(u'.') && !text.contains(u'e')) {
                    text += QStringLiteral(".0");
                }
                return text;
            } else if constexpr (std::is_same_v<T, bool>) {
                return v ? QStringLiteral("true") : QStringLiteral("false");
            } else {
                return v;
            }
        },
        value);
}

std::optional<QByteArray> encodeStatsEvent(const StatsEvent& event, QString* error) {
    // Declaration order keeps the file readable; readers match by name.
    nlohmann::ordered_json payload = nlohmann::ordered_json::object();
    for (auto it = event.payload.cbegin(); it != event.payload.cend(); ++it) {
        const std::string key = toStdString(it.key());
        const bool written = std::visit(
            [&](const auto& v) {
                using T = std::decay_t<decltype(v)>;
                if constexpr (std::is_same_v<T, QString>) {
                    payload[key] = toStdString(v);
                } else if constexpr (std::is_same_v<T, double>) {
                    if (!std::isfinite(v)) {
                        return false;
                    }
                    payload[key] = v;
                } else {
                    payload[key] = v;
                }
                return true;
            },
            it.value().raw());
        if (!written) {
            if (error) {
                *error = QStringLiteral("payload value \"%1\" is not a finite number").arg(it.key());
            }
            return std::nullopt;
        }
    }

    nlohmann::ordered_json object;
    object["id"] = toStdString(event.id);
    object["timestamp"] = toStdString(event.timestamp.toUTC().toString(Qt::ISODate));
    object["dayKey"] = toStdString(event.dayKey);
    object["monthKey"] = toStdString(event.monthKey);
    object["type"] = toStdString(rawValue(event.type));
    object["source"] = toStdString(rawValue(event.source));
    if (event.sessionId) {
        object["sessionId"] = toStdString(*event.sessionId);
    }
    object["payload"] = std::move(payload);
    object["appVersion"] = toStdString(event.appVersion);

    // Invalid UTF-8 cannot come from a QString, so the replacement never triggers.
    std::string json = object.dump(-1, ' ', false, nlohmann::json::error_handler_t::replace);
    escapeUnicodeLineBreaks(json);
    return QByteArray(json.data(), qsizetype(json.size()));
}

std::optional<StatsEvent> decodeStatsEvent(QByteArrayView json) {
    const nlohmann::json object = nlohmann::json::parse(json.begin(), json.end(), nullptr, false);
    if (!object.is_object()) {
        return std::nullopt;
    }

    StatsEvent event;
    const auto id = stringMember(object, "id");
    const auto timestampText = object.find("timestamp");
    const auto dayKey = stringMember(object, "dayKey");
    const auto monthKey = stringMember(object, "monthKey");
    const auto type = object.find("type");
    const auto source = object.find("source");
    const auto payload = object.find("payload");
    const auto appVersion = stringMember(object, "appVersion");
    if (!id || !dayKey || !monthKey || !appVersion || timestampText == object.end() ||
        !timestampText->is_string() || type == object.end() || !type->is_string() || source == object.end() ||
        !source->is_string() || payload == object.end() || !payload->is_object()) {
        return std::nullopt;
    }

    const auto timestamp = parseTimestamp(timestampText->get_ref<const std::string&>());
    const auto typeValue = valueOf(typeNames, std::string_view(type->get_ref<const std::string&>()));
    const auto sourceValue = valueOf(sourceNames, std::string_view(source->get_ref<const std::string&>()));
    if (!timestamp || !typeValue || !sourceValue) {
        return std::nullopt;
    }

    const auto session = object.find("sessionId");
    if (session != object.end() && !session->is_null()) {
        if (!session->is_string()) {
            return std::nullopt;
        }
        event.sessionId = toQString(session->get_ref<const std::string&>());
    }

    for (const auto& [key, value] : payload->items()) {
        auto decoded = payloadValue(value);
        if (!decoded) {
            return std::nullopt;
        }
        event.payload.insert(toQString(key), std::move(*decoded));
    }

    event.id = *id;
    event.timestamp = *timestamp;
    event.dayKey = *dayKey;
    event.monthKey = *monthKey;
    event.type = *typeValue;
    event.source = *sourceValue;
    event.appVersion = *appVersion;
    return event;
}
