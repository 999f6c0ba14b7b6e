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

// Days from 1970-01-01 to a date of the proleptic Gregorian calendar.
constexpr qint64 daysFromCivil(int year, int month, int day) {
    year -= month <= 2 ? 1 : 0;
    const int era = (year >= 0 ? year : year - 399) / 400;
    const int yearOfEra = year - era * 400;
    const int dayOfYear = (153 * (month > 2 ? month - 3 : month + 9) + 2) / 5 + day - 1;
    const int dayOfEra = yearOfEra * 365 + yearOfEra / 4 - yearOfEra / 100 + dayOfYear;
    return qint64(era) * 146097 + dayOfEra - 719468;
}
static_assert(daysFromCivil(1970, 1, 1) == 0);
static_assert(daysFromCivil(2000, 3, 1) == 11017);
static_assert(daysFromCivil(1, 1, 1) == -719162);

constexpr int daysInMonth(int year, int month) {
    constexpr std::array<int, 12> days{31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    const bool leap = (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
    return month == 2 && leap ? 29 : days[std::size_t(month - 1)];
}

// Whole-second UTC ISO 8601, "2026-03-02T09:00:00Z", and nothing else. Worked
// out by hand: building a QDate and QTime per line costs more than the rest of
// the line. Year 0 does not exist, as for QDate.
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
    const int year = number(0, 4);
    const int month = number(5, 2);
    const int day = number(8, 2);
    const int hour = number(11, 2);
    const int minute = number(14, 2);
    const int second = number(17, 2);
    if (year < 1 || month < 1 || month > 12 || day < 1 || day > daysInMonth(year, month) || hour > 23 ||
        minute > 59 || second > 59) {
        return std::nullopt;
    }
    const qint64 seconds = daysFromCivil(year, month, day) * 86400 + hour * 3600 + minute * 60 + second;
    return QDateTime::fromMSecsSinceEpoch(seconds * 1000, Qt::UTC);
}

QString toQString(std::string_view text) {
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

} // namespace

// Builds one event from a stream of JSON tokens, whichever reader produces
// them: month files are read whole for every report, and building a document
// tree per line first costs several times as much. Any call answering false
// makes the line unreadable.
class StatsEventReader {
public:
    explicit StatsEventReader(StatsEventDecoder& decoder)
        : decoder(decoder) {}

    StatsEvent event;

    bool complete() const { return finished && (seen & requiredMembers) == requiredMembers; }

    bool null() {
        // Only a session may be null; it then stays absent.
        return scalar([&] { return depth == 1 && member == Member::sessionId; });
    }
    bool boolean(bool value) { return payloadScalar(StatsPayloadValue(value)); }
    bool integer(qint64 value) { return payloadScalar(StatsPayloadValue(value)); }
    bool floating(double value) {
        // An overflowing literal such as 1e999 has no value that writes back.
        return std::isfinite(value) && payloadScalar(StatsPayloadValue(value));
    }
    bool string(std::string_view value) {
        if (skipDepth > 0) {
            return true;
        }
        if (depth == 2) {
            return payloadScalar(StatsPayloadValue(sharedText(value)));
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
            event.dayKey = sharedText(value);
            break;
        case Member::monthKey:
            event.monthKey = sharedText(value);
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
            event.appVersion = sharedText(value);
            break;
        case Member::payload:
            return false;
        case Member::unknown:
            return true;
        }
        seen |= bit(member);
        return true;
    }

    bool startObject() {
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
    bool endObject() {
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
    bool startArray() {
        if (skipDepth > 0 || (depth == 1 && member == Member::unknown)) {
            ++skipDepth;
            return true;
        }
        return false;
    }
    bool endArray() {
        --skipDepth;
        return true;
    }
    bool key(std::string_view name) {
        if (skipDepth > 0) {
            return true;
        }
        if (depth == 2) {
            payloadKey = sharedText(name);
            return true;
        }
        member = memberNamed(name);
        return true;
    }

    // Payloads repeat from line to line much as texts do: one read before from
    // the same bytes, in the same place, is taken whole.
    bool startsPayload() const {
        return skipDepth == 0 && depth == 1 && member == Member::payload && !(seen & bit(Member::payload));
    }
    bool takeKnownPayload(std::string_view json) {
        const StatsPayload* known = decoder.payloads.find(json);
        if (!known) {
            return false;
        }
        event.payload = *known;
        seen |= bit(Member::payload);
        return true;
    }
    void rememberPayload(std::string_view json) { decoder.payloads.insert(json, event.payload); }

private:
    QString sharedText(std::string_view utf8) {
        const QString* known = decoder.texts.find(utf8);
        return known ? *known : decoder.texts.insert(utf8, toQString(utf8));
    }

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

    StatsEventDecoder& decoder;
    int depth = 0;
    int skipDepth = 0;
    bool finished = false;
    unsigned seen = 0;
    Member member = Member::unknown;
    QString payloadKey;
};

namespace {

// The general JSON parser's callbacks, handed on to the event reader.
class SaxAdapter final : public nlohmann::json_sax<nlohmann::json> {
public:
    explicit SaxAdapter(StatsEventReader& reader)
        : reader(reader) {}

    bool null() override { return reader.null(); }
    bool boolean(bool value) override { return reader.boolean(value); }
    bool number_integer(number_integer_t value) override { return reader.integer(qint64(value)); }
    bool number_unsigned(number_unsigned_t value) override {
        if (value <= number_unsigned_t(std::numeric_limits<qint64>::max())) {
            return reader.integer(qint64(value));
        }
        return reader.floating(double(value));
    }
    bool number_float(number_float_t value, const string_t&) override { return reader.floating(value); }
    bool string(string_t& value) override { return reader.string(value); }
    bool binary(binary_t&) override { return false; }
    bool start_object(std::size_t) override { return reader.startObject(); }
    bool end_object() override { return reader.endObject(); }
    bool start_array(std::size_t) override { return reader.startArray(); }
    bool end_array() override { return reader.endArray(); }
    bool key(string_t& name) override { return reader.key(name); }
    bool parse_error(std::size_t, const std::string&, const nlohmann::detail::exception&) override {
        return false;
    }

private:
    StatsEventReader& reader;
};

// Reads the compact form the encoder writes without the general parser, which
// spends most of a line's cost copying every character. It knows only a small
// part of JSON: no whitespace, no escapes or non-ASCII text in strings, no
// fractions, exponents or integers over 18 digits, no arrays, objects nested
// two deep at most. On anything else it gives up, and the general parser
// decides; what it does read, it hands to the reader exactly as the general
// parser would.
class CompactScanner {
public:
    CompactScanner(std::string_view text, StatsEventReader& reader)
        : text(text)
        , reader(reader) {}

    bool read() { return object(0) && at == text.size(); }

private:
    bool object(int level) {
        if (level > 1 || !take('{') || !reader.startObject()) {
            return false;
        }
        if (!take('}')) {
            do {
                std::string_view name;
                if (!string(name) || !take(':') || !reader.key(name) || !value(level)) {
                    return false;
                }
            } while (take(','));
            if (!take('}')) {
                return false;
            }
        }
        return reader.endObject();
    }

    bool value(int level) {
        if (at == text.size()) {
            return false;
        }
        switch (text[at]) {
        case '"': {
            std::string_view value;
            return string(value) && reader.string(value);
        }
        case '{':
            return level == 0 && reader.startsPayload() ? payload() : object(level + 1);
        case 't':
            return literal("true") && reader.boolean(true);
        case 'f':
            return literal("false") && reader.boolean(false);
        case 'n':
            return literal("null") && reader.null();
        default:
            return integer();
        }
    }

    bool payload() {
        const std::size_t first = at;
        if (const std::size_t end = objectEnd();
            end != 0 && reader.takeKnownPayload(text.substr(first, end - first))) {
            at = end;
            return true;
        }
        if (!object(1)) {
            return false;
        }
        reader.rememberPayload(text.substr(first, at - first));
        return true;
    }

    // Just past the '}' closing the object starting here, taking it to hold
    // no objects; 0 when there is none. Only bytes equal to an object read
    // before are used, so this needs no checking of its own.
    std::size_t objectEnd() const {
        bool inString = false;
        for (std::size_t i = at + 1; i < text.size(); ++i) {
            if (text[i] == '"') {
                inString = !inString;
            } else if (!inString && text[i] == '}') {
                return i + 1;
            }
        }
        return 0;
    }

    bool string(std::string_view& value) {
        if (!take('"')) {
            return false;
        }
        const std::size_t first = at;
        while (at < text.size() && text[at] != '"') {
            const char c = text[at];
            if (c < 0x20 || c > 0x7E || c == '\\') {
                return false;
            }
            ++at;
        }
        value = text.substr(first, at - first);
        return take('"');
    }

    bool integer() {
        const bool negative = take('-');
        const std::size_t first = at;
        qint64 value = 0;
        while (at < text.size() && isDigit(text[at])) {
            // A 19th digit may not fit: the general parser decides those.
            if (at - first == 18) {
                return false;
            }
            value = value * 10 + (text[at] - '0');
            ++at;
        }
        const std::size_t digits = at - first;
        if (digits == 0 || (digits > 1 && text[first] == '0') ||
            (at < text.size() && (text[at] == '.' || text[at] == 'e' || text[at] == 'E'))) {
            return false;
        }
        return reader.integer(negative ? -value : value);
    }

    bool literal(std::string_view word) {
        if (text.substr(at, word.size()) != word) {
            return false;
        }
        at += word.size();
        return true;
    }

    bool take(char c) {
        if (at < text.size() && text[at] == c) {
            ++at;
            return true;
        }
        return false;
    }

    std::string_view text;
    std::size_t at = 0;
    StatsEventReader& reader;
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
    return StatsEventDecoder().decode(json);
}

std::optional<StatsEvent> StatsEventDecoder::decode(QByteArrayView json) {
    {
        StatsEventReader reader(*this);
        if (CompactScanner({json.data(), std::size_t(json.size())}, reader).read() && reader.complete()) {
            return std::move(reader.event);
        }
    }
    StatsEventReader reader(*this);
    SaxAdapter adapter(reader);
    if (!nlohmann::json::sax_parse(json.begin(), json.end(), &adapter) || !reader.complete()) {
        return std::nullopt;
    }
    return std::move(reader.event);
}
