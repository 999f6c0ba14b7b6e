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

enum class Member { id, timestamp, dayKey, monthKey, type, source, sessionId, payload, appVersion, unknown };
constexpr unsigned bit(Member member) {
    return 1U << unsigned(member);
}
constexpr unsigned requiredMembers = bit(Member::id) | bit(Member::timestamp) | bit(Member::dayKey) |
                                     bit(Member::monthKey) | bit(Member::type) | bit(Member::source) |
                                     bit(Member::payload) | bit(Member::appVersion);

// Reads one event straight from the parser's callbacks: month files are read
// whole for every report, and building a document tree per line first costs
// several times as much. Any callback answering false ends the parse.
class EventReader final : public nlohmann::json_sax<nlohmann::json> {
public:
    StatsEvent event;

    bool complete() const { return finished && (seen & requiredMembers) == requiredMembers; }

    bool null() override {
        // Only a session may be null; it then stays absent.
        return scalar([&] { return depth == 1 && member == Member::sessionId; });
    }
    bool boolean(bool value) override { return payloadScalar(StatsPayloadValue(value)); }
    bool number_integer(number_integer_t value) override {
        return payloadScalar(StatsPayloadValue(qint64(value)));
    }
    bool number_unsigned(number_unsigned_t value) override {
        if (value <= number_unsigned_t(std::numeric_limits<qint64>::max())) {
            return payloadScalar(StatsPayloadValue(qint64(value)));
        }
        return payloadScalar(StatsPayloadValue(double(value)));
    }
    bool number_float(number_float_t value, const string_t&) override {
        // An overflowing literal such as 1e999 has no value that writes back.
        return std::isfinite(value) && payloadScalar(StatsPayloadValue(value));
    }
    bool string(string_t& value) override {
        if (skipDepth > 0) {
            return true;
        }
        if (depth == 2) {
            return payloadScalar(StatsPayloadValue(toQString(value)));
        }
        if (depth != 1) {
            return false;
        }
        switch (member) {
        case Member::id:
            event.id = toQString(value);
            break;
        case Member::timestamp: {
            const auto timestamp = parseTimestamp(value);
            if (!timestamp) {
                return false;
            }
            event.timestamp = *timestamp;
            break;
        }
        case Member::dayKey:
            event.dayKey = toQString(value);
            break;
        case Member::monthKey:
            event.monthKey = toQString(value);
            break;
        case Member::type: {
            const auto type = valueOf(typeNames, value);
            if (!type) {
                return false;
            }
            event.type = *type;
            break;
        }
        case Member::source: {
            const auto source = valueOf(sourceNames, value);
            if (!source) {
                return false;
            }
            event.source = *source;
            break;
        }
        case Member::sessionId:
            event.sessionId = toQString(value);
            break;
        case Member::appVersion:
            event.appVersion = toQString(value);
            break;
        case Member::payload:
            return false;
        case Member::unknown:
            return true;
        }
        seen |= bit(member);
        return true;
    }
    bool binary(binary_t&) override { return false; }

    bool start_object(std::size_t) override {
        if (skipDepth > 0 || (depth == 1 && member == Member::unknown)) {
            ++skipDepth;
            return true;
        }
        if (depth == 0 || (depth == 1 && member == Member::payload)) {
            ++depth;
            return true;
        }
        return false;
    }
    bool end_object() override {
        if (skipDepth > 0) {
            --skipDepth;
            return true;
        }
        if (--depth == 1) {
            seen |= bit(Member::payload);
        }
        finished = depth == 0;
        return true;
    }
    bool start_array(std::size_t) override {
        if (skipDepth > 0 || (depth == 1 && member == Member::unknown)) {
            ++skipDepth;
            return true;
        }
        return false;
    }
    bool end_array() override {
        --skipDepth;
        return true;
    }
    bool key(string_t& name) override {
        if (skipDepth > 0) {
            return true;
        }
        if (depth == 2) {
            payloadKey = toQString(name);
            return true;
        }
        member = memberNamed(name);
        return true;
    }
    bool parse_error(std::size_t, const std::string&, const nlohmann::detail::exception&) override {
        return false;
    }

private:
    static Member memberNamed(std::string_view name) {
        static constexpr std::array<std::pair<std::string_view, Member>, 9> members{{
            {"id", Member::id},
            {"timestamp", Member::timestamp},
            {"dayKey", Member::dayKey},
            {"monthKey", Member::monthKey},
            {"type", Member::type},
            {"source", Member::source},
            {"sessionId", Member::sessionId},
            {"payload", Member::payload},
            {"appVersion", Member::appVersion},
        }};
        for (const auto& [candidate, member] : members) {
            if (candidate == name) {
                return member;
            }
        }
        return Member::unknown;
    }

    // A scalar outside the payload: members of unknown names are ignored,
    // known members only take what accepted says.
    template <typename Accepted> bool scalar(Accepted accepted) {
        if (skipDepth > 0 || (depth == 1 && member == Member::unknown)) {
            return true;
        }
        return accepted();
    }

    bool payloadScalar(StatsPayloadValue value) {
        if (depth == 2 && skipDepth == 0) {
            event.payload.insert(payloadKey, std::move(value));
            return true;
        }
        return scalar([] { return false; });
    }

    int depth = 0;
    int skipDepth = 0;
    bool finished = false;
    unsigned seen = 0;
    Member member = Member::unknown;
    QString payloadKey;
};

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
    EventReader reader;
    if (!nlohmann::json::sax_parse(json.begin(), json.end(), &reader) || !reader.complete()) {
        return std::nullopt;
    }
    return std::move(reader.event);
}
