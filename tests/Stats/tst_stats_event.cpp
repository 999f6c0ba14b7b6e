#include "Stats/StatsEvent.h"

#include <QTest>
#include <QTimeZone>

#include <cmath>
#include <limits>

Q_DECLARE_METATYPE(StatsEvent)
Q_DECLARE_METATYPE(StatsPayloadValue)

namespace {

const QByteArray validLine =
    R"({"id":"6F9619FF-8B86-D011-B42D-00C04FC964FF","timestamp":"2026-03-02T01:00:00Z",)"
    R"("dayKey":"2026-03-02","monthKey":"2026-03","type":"rest_completed",)"
    R"("source":"scheduled","sessionId":"S","payload":{"actualSeconds":20},)"
    R"("appVersion":"1.0.0"})";

StatsEvent sampleEvent() {
    StatsEvent event;
    event.id = QStringLiteral("6F9619FF-8B86-D011-B42D-00C04FC964FF");
    event.timestamp = QDateTime(QDate(2026, 3, 2), QTime(1, 0), Qt::UTC);
    event.dayKey = QStringLiteral("2026-03-02");
    event.monthKey = QStringLiteral("2026-03");
    event.type = StatsEventType::restSkipped;
    event.source = StatsEventSource::manual;
    event.appVersion = QStringLiteral("1.0.0");
    return event;
}

QByteArray replaced(QByteArray line, const QByteArray& from, const QByteArray& to) {
    Q_ASSERT(line.contains(from));
    return line.replace(from, to);
}

const StatsPayloadValue& payloadAt(const StatsEvent& event, const QString& key) {
    Q_ASSERT(event.payload.contains(key));
    return *event.payload.constFind(key);
}

} // namespace

class TestStatsEvent : public QObject {
    Q_OBJECT

private slots:
    // The names the files hold, both ways, in the order of the enumerations (unknown names: see decode).
    void rawValues() {
        const QStringList types = {"app_launched",      "rest_started",           "rest_completed",
                                   "rest_skipped",      "hydration_prompt_shown", "hydration_completed",
                                   "hydration_skipped", "hydration_snoozed",      "pelvic_prompt_shown",
                                   "pelvic_completed",  "pelvic_skipped",         "pelvic_snoozed"};
        const QStringList sources = {"system", "scheduled", "manual", "notification", "auto_timeout"};
        for (int i = 0; i < types.size(); ++i) {
            QCOMPARE(rawValue(StatsEventType(i)), types[i]);
            QCOMPARE(statsEventTypeFromRawValue(types[i]), StatsEventType(i));
        }
        for (int i = 0; i < sources.size(); ++i) {
            QCOMPARE(rawValue(StatsEventSource(i)), sources[i]);
            QCOMPARE(statsEventSourceFromRawValue(sources[i]), StatsEventSource(i));
        }
    }

    void intValue_data() {
        QTest::addColumn<StatsPayloadValue>("value");
        QTest::addColumn<std::optional<qint64>>("expected");
        const std::optional<qint64> none;
        QTest::newRow("text") << StatsPayloadValue("30") << std::optional<qint64>(30);
        QTest::newRow("minus") << StatsPayloadValue("-7") << std::optional<qint64>(-7);
        QTest::newRow("int64 min") << StatsPayloadValue("-9223372036854775808")
                                   << std::optional<qint64>(std::numeric_limits<qint64>::min());
        QTest::newRow("overflow") << StatsPayloadValue("9223372036854775808") << none;
        QTest::newRow("trailing letter") << StatsPayloadValue("7a") << none;
        QTest::newRow("empty") << StatsPayloadValue("") << none;
        QTest::newRow("sign only") << StatsPayloadValue("+") << none;
        QTest::newRow("two signs") << StatsPayloadValue("+-7") << none;
        QTest::newRow("leading space") << StatsPayloadValue(" 7") << none;
        QTest::newRow("full-width digit") << StatsPayloadValue(QStringLiteral("７")) << none;
        QTest::newRow("double truncates") << StatsPayloadValue(2.9) << std::optional<qint64>(2);
        QTest::newRow("negative double") << StatsPayloadValue(-2.9) << std::optional<qint64>(-2);
        QTest::newRow("double too large") << StatsPayloadValue(9.3e18) << none;
        QTest::newRow("nan") << StatsPayloadValue(std::nan("")) << none;
        QTest::newRow("bool") << StatsPayloadValue(true) << none;
    }
    void intValue() {
        QFETCH(StatsPayloadValue, value);
        QFETCH(std::optional<qint64>, expected);
        QCOMPARE(value.intValue(), expected);
    }

    void stringValue_data() {
        QTest::addColumn<StatsPayloadValue>("value");
        QTest::addColumn<QString>("expected");
        QTest::newRow("integral double") << StatsPayloadValue(3.0) << QStringLiteral("3.0");
        QTest::newRow("quarter") << StatsPayloadValue(0.25) << QStringLiteral("0.25");
        QTest::newRow("negative") << StatsPayloadValue(-3.5) << QStringLiteral("-3.5");
        QTest::newRow("shortest") << StatsPayloadValue(0.1) << QStringLiteral("0.1");
        QTest::newRow("int") << StatsPayloadValue(-12) << QStringLiteral("-12");
        QTest::newRow("false") << StatsPayloadValue(false) << QStringLiteral("false");
    }
    void stringValue() {
        QFETCH(StatsPayloadValue, value);
        QFETCH(QString, expected);
        QCOMPARE(value.stringValue(), expected);
    }

    void roundTrip_data() {
        QTest::addColumn<StatsEvent>("event");
        StatsEvent plain = sampleEvent();
        QTest::newRow("no session, empty payload") << plain;

        StatsEvent rest = sampleEvent();
        rest.sessionId = QStringLiteral("A1B2");
        rest.payload = {{QStringLiteral("plannedSeconds"), 20},  {QStringLiteral("theme"), "aurora"},
                        {QStringLiteral("ratio"), 2.5},          {QStringLiteral("whole"), 3.0},
                        {QStringLiteral("flag"), true},          {QStringLiteral("text"), "12"},
                        {QStringLiteral("big"), qint64(1) << 62}};
        QTest::newRow("every payload kind") << rest;

        StatsEvent odd = sampleEvent();
        odd.appVersion = QStringLiteral("unknown");
        odd.payload = {{QStringLiteral("theme"), QStringLiteral("a\u2028b\u2029c\u0085d\n\"e\\")}};
        odd.source = StatsEventSource::autoTimeout;
        odd.type = StatsEventType::pelvicSnoozed;
        QTest::newRow("line breaks inside text") << odd;
    }
    void roundTrip() {
        QFETCH(StatsEvent, event);
        const auto json = encodeStatsEvent(event);
        QVERIFY(json);
        // The stored line must survive a reader that splits at every line break.
        for (const char* lineBreak : {"\n", "\r", "\v", "\f", "\xC2\x85", "\xE2\x80\xA8", "\xE2\x80\xA9"}) {
            QVERIFY2(!json->contains(lineBreak), json->constData());
        }
        QCOMPARE(decodeStatsEvent(*json), event);
    }

    // Whole seconds in UTC, an empty payload kept, an absent session left out, no spaces;
    // a payload double that is not finite has no JSON form and is refused.
    void encodedForm() {
        StatsEvent event = sampleEvent();
        event.timestamp = QDateTime(QDate(2026, 3, 2), QTime(9, 0, 5, 750), QTimeZone(8 * 3600));
        const QByteArray json = *encodeStatsEvent(event);
        QVERIFY(json.contains(R"("timestamp":"2026-03-02T01:00:05Z")"));
        QVERIFY(json.contains(R"("payload":{})"));
        QVERIFY(!json.contains("sessionId"));
        QVERIFY(!json.contains(' '));

        event.payload = {{QStringLiteral("ratio"), std::numeric_limits<double>::infinity()}};
        QString error;
        QVERIFY(!encodeStatsEvent(event, &error));
        QVERIFY(error.contains(QStringLiteral("ratio")));
    }

    void payloadKinds_data() {
        QTest::addColumn<QByteArray>("member");
        QTest::addColumn<StatsPayloadValue>("expected");
        // The other kinds: see the round trip.
        QTest::newRow("-3") << QByteArray("-3") << StatsPayloadValue(-3);
        QTest::newRow("3.0") << QByteArray("3.0") << StatsPayloadValue(3.0);
        QTest::newRow("above int64") << QByteArray("18446744073709551615")
                                     << StatsPayloadValue(1.8446744073709552e19);
    }
    void payloadKinds() {
        QFETCH(QByteArray, member);
        QFETCH(StatsPayloadValue, expected);
        const auto event = decodeStatsEvent(replaced(validLine, "\"actualSeconds\":20", "\"v\":" + member));
        QVERIFY(event);
        QCOMPARE(payloadAt(*event, QStringLiteral("v")), expected); // the kind too: 3 is no 3.0
    }

    // Every way a line can be unreadable, next to the readable variants it
    // borders on. The compact form is read by a quick scanner and anything
    // else by the general parser; a line must decode the same whichever one
    // reads it. A space after the opening brace sends it to the general parser.
    void decode_data() {
        QTest::addColumn<QByteArray>("line");
        QTest::addColumn<bool>("readable");
        QTest::newRow("valid") << validLine << true;
        QTest::newRow("session null") << replaced(validLine, "\"S\"", "null") << true;
        QTest::newRow("session missing") << replaced(validLine, "\"sessionId\":\"S\",", "") << true;
        QTest::newRow("snoozed type") << replaced(validLine, "rest_completed", "hydration_snoozed") << true;
        QTest::newRow("auto timeout") << replaced(validLine, "\"scheduled\"", "\"auto_timeout\"") << true;
        QTest::newRow("members reordered")
            << QByteArray(R"({"appVersion":"x","payload":{},"source":"system","type":"app_launched",)"
                          R"("monthKey":"m","dayKey":"d","timestamp":"2026-03-02T01:00:00Z","id":"i"})")
            << true;
        QTest::newRow("spaces around") << " \t" + validLine + " " << true;

        for (const char* member :
             {"id", "timestamp", "dayKey", "monthKey", "type", "source", "payload", "appVersion"}) {
            QByteArray line = validLine;
            line.replace(QByteArray("\"") + member + "\":", QByteArray("\"x") + member + "\":");
            QTest::addRow("missing %s", member) << line << false;
        }
        QTest::newRow("id number") << replaced(validLine, "\"6F9619FF-8B86-D011-B42D-00C04FC964FF\"", "7")
                                   << false;
        QTest::newRow("dayKey null") << replaced(validLine, "\"2026-03-02\"", "null") << false;
        QTest::newRow("appVersion number") << replaced(validLine, "\"1.0.0\"", "1.0") << false;
        QTest::newRow("session number") << replaced(validLine, "\"S\"", "5") << false;
        QTest::newRow("unknown type") << replaced(validLine, "rest_completed", "rest_paused") << false;
        QTest::newRow("type in camel case")
            << replaced(validLine, "rest_completed", "restCompleted") << false;
        QTest::newRow("unknown source") << replaced(validLine, "\"scheduled\"", "\"timer\"") << false;
        QTest::newRow("type number") << replaced(validLine, "\"rest_completed\"", "2") << false;
        QTest::newRow("fractional seconds") << replaced(validLine, "00:00Z", "00:00.000Z") << false;
        QTest::newRow("no Z") << replaced(validLine, "00:00Z", "00:00") << false;
        QTest::newRow("offset") << replaced(validLine, "00:00Z", "00:00+08:00") << false;
        QTest::newRow("date only") << replaced(validLine, "2026-03-02T01:00:00Z", "2026-03-02") << false;
        QTest::newRow("timestamp number")
            << replaced(validLine, "\"2026-03-02T01:00:00Z\"", "1772413200") << false;
        QTest::newRow("payload null value") << replaced(validLine, ":20}", ":null}") << false;
        QTest::newRow("payload array value") << replaced(validLine, ":20}", ":[20]}") << false;
        QTest::newRow("payload object value") << replaced(validLine, ":20}", ":{}}") << false;
        QTest::newRow("payload overflow") << replaced(validLine, ":20}", ":1e999}") << false;
        QTest::newRow("payload array") << replaced(validLine, "{\"actualSeconds\":20}", "[]") << false;
        QTest::newRow("invalid UTF-8") << replaced(validLine, "1.0.0", "1.0\xFF") << false;
        QTest::newRow("array") << "[" + validLine + "]" << false;
        QTest::newRow("two objects") << validLine + validLine << false;
        QTest::newRow("cut off") << validLine.left(validLine.size() - 1) << false;
        QTest::newRow("garbage") << QByteArray("not json") << false;
        QTest::newRow("empty") << QByteArray() << false;
        QTest::newRow("string") << QByteArray("\"x\"") << false;
        QTest::newRow("escaped text") << replaced(validLine, "\"1.0.0\"", "\"1.\\u0030.0\\\"\"") << true;
        QTest::newRow("non-ASCII text") << replaced(validLine, "\"1.0.0\"", "\"1.0 \xE6\xB5\x8B\"") << true;
        QTest::newRow("DEL in text") << replaced(validLine, "\"1.0.0\"", "\"1.0\x7F\"") << true;
        QTest::newRow("control in text") << replaced(validLine, "\"1.0.0\"", "\"1.0\x01\"") << false;
        QTest::newRow("18 digits") << replaced(validLine, ":20}", ":999999999999999999}") << true;
        QTest::newRow("19 digits") << replaced(validLine, ":20}", ":9223372036854775807}") << true;
        QTest::newRow("19 nines") << replaced(validLine, ":20}", ":9999999999999999999}") << true;
        QTest::newRow("26 nines") << replaced(validLine, ":20}", ":99999999999999999999999999}") << true;
        QTest::newRow("most negative") << replaced(validLine, ":20}", ":-9223372036854775808}") << true;
        QTest::newRow("minus zero") << replaced(validLine, ":20}", ":-0}") << true;
        QTest::newRow("leading zero") << replaced(validLine, ":20}", ":020}") << false;
        QTest::newRow("lone minus") << replaced(validLine, ":20}", ":-}") << false;
        QTest::newRow("fraction") << replaced(validLine, ":20}", ":20.0}") << true;
        QTest::newRow("exponent") << replaced(validLine, ":20}", ":2e1}") << true;
        QTest::newRow("bool and text")
            << replaced(validLine, ":20}", ":20,\"ok\":true,\"no\":false,\"t\":\"x}\"}") << true;
        QTest::newRow("truex") << replaced(validLine, ":20}", ":truex}") << false;
        QTest::newRow("two payloads merge")
            << replaced(validLine, "\"appVersion\"", "\"payload\":{\"b\":1},\"appVersion\"") << true;
        QTest::newRow("repeated member")
            << replaced(validLine, "\"appVersion\"", "\"dayKey\":\"2026-03-03\",\"appVersion\"") << true;
        QTest::newRow("unknown object")
            << replaced(validLine, "\"appVersion\"", "\"extra\":{\"a\":{\"b\":[1]}},\"appVersion\"") << true;
        QTest::newRow("unknown array")
            << replaced(validLine, "\"appVersion\"", "\"extra\":[{}],\"appVersion\"") << true;
        QTest::newRow("byte order mark") << "\xEF\xBB\xBF" + validLine << true;
        QTest::newRow("trailing comma") << replaced(validLine, ":20}", ":20,}") << false;
        QTest::newRow("nested in payload") << replaced(validLine, ":20}", ":20,\"o\":{}}") << false;
        QTest::newRow("trailing garbage") << validLine + "x" << false;
    }
    void decode() {
        QFETCH(QByteArray, line);
        QFETCH(bool, readable);
        const auto compact = decodeStatsEvent(line);
        QByteArray spaced = line;
        spaced.insert(spaced.indexOf('{') + 1, ' ');
        QCOMPARE(compact.has_value(), readable);
        QCOMPARE(decodeStatsEvent(spaced), compact);
    }

    void nullSessionIsAbsent() {
        QCOMPARE(decodeStatsEvent(replaced(validLine, "\"S\"", "null"))->sessionId, std::nullopt);
    }

    void timestamps_data() {
        QTest::addColumn<QByteArray>("text");
        QTest::addColumn<QDateTime>("expected");
        const auto utc = [](int y, int m, int d, int h, int min, int s) {
            return QDateTime(QDate(y, m, d), QTime(h, min, s), Qt::UTC);
        };
        QTest::newRow("epoch") << QByteArray("1970-01-01T00:00:00Z") << utc(1970, 1, 1, 0, 0, 0);
        QTest::newRow("before epoch") << QByteArray("1969-12-31T23:59:59Z") << utc(1969, 12, 31, 23, 59, 59);
        QTest::newRow("first year") << QByteArray("0001-01-01T00:00:00Z") << utc(1, 1, 1, 0, 0, 0);
        QTest::newRow("last year") << QByteArray("9999-12-31T23:59:59Z") << utc(9999, 12, 31, 23, 59, 59);
        QTest::newRow("leap day") << QByteArray("2024-02-29T12:30:45Z") << utc(2024, 2, 29, 12, 30, 45);
        QTest::newRow("leap century") << QByteArray("2000-02-29T00:00:00Z") << utc(2000, 2, 29, 0, 0, 0);
        QTest::newRow("March") << QByteArray("2026-03-01T00:00:00Z") << utc(2026, 3, 1, 0, 0, 0);
        QTest::newRow("year 0") << QByteArray("0000-01-01T00:00:00Z") << QDateTime();
        QTest::newRow("not leap") << QByteArray("2026-02-29T00:00:00Z") << QDateTime();
        QTest::newRow("not leap century") << QByteArray("2100-02-29T00:00:00Z") << QDateTime();
        QTest::newRow("April 31") << QByteArray("2026-04-31T00:00:00Z") << QDateTime();
        QTest::newRow("day 0") << QByteArray("2026-04-00T00:00:00Z") << QDateTime();
        QTest::newRow("month 0") << QByteArray("2026-00-10T00:00:00Z") << QDateTime();
        QTest::newRow("month 13") << QByteArray("2026-13-02T00:00:00Z") << QDateTime();
        QTest::newRow("hour 24") << QByteArray("2026-04-10T24:00:00Z") << QDateTime();
        QTest::newRow("minute 60") << QByteArray("2026-04-10T00:60:00Z") << QDateTime();
        QTest::newRow("second 60") << QByteArray("2026-04-10T00:00:60Z") << QDateTime();
        QTest::newRow("lower-case z") << QByteArray("2026-04-10T00:00:00z") << QDateTime();
        QTest::newRow("space for T") << QByteArray("2026-04-10 00:00:00Z") << QDateTime();
    }
    void timestamps() {
        QFETCH(QByteArray, text);
        QFETCH(QDateTime, expected);
        const auto event = decodeStatsEvent(replaced(validLine, "2026-03-02T01:00:00Z", text));
        QCOMPARE(event.has_value(), expected.isValid());
        if (event) {
            QCOMPARE(event->timestamp, expected);
            QCOMPARE(event->timestamp.timeSpec(), Qt::UTC);
        }
    }

    // A decoder shares what repeats between lines; every line must still come
    // out as if read alone, also once the shared values have been replaced.
    void decoderMatchesSingleLines() {
        QList<QByteArray> lines;
        for (int i = 0; i < 40; ++i) {
            const QByteArray n = QByteArray::number(i % 20);
            lines << replaced(replaced(validLine, "\"1.0.0\"", "\"v" + n + "\""), ":20}", ":" + n + "}");
        }
        lines << replaced(validLine, "\"appVersion\"", "\"payload\":{\"actualSeconds\":20},\"appVersion\"");
        lines << replaced(validLine, "\"appVersion\"", "\"payload\":{\"b\":1},\"appVersion\"");
        lines << replaced(validLine, "{\"actualSeconds\":20}", "{\"b\":1}");
        lines << replaced(validLine, ":20}", ":20,\"x\":1}");
        lines << replaced(validLine, "{\"actualSeconds\":20}", "{\"actualSeconds\":20");
        lines << validLine;
        StatsEventDecoder decoder;
        for (const QByteArray& line : lines) {
            QCOMPARE(decoder.decode(line), decodeStatsEvent(line));
        }
        QCOMPARE(decoder.decode(lines[3])->appVersion, QStringLiteral("v3"));
        QCOMPARE(payloadAt(*decoder.decode(lines[3]), QStringLiteral("actualSeconds")), StatsPayloadValue(3));
    }
};

QTEST_GUILESS_MAIN(TestStatsEvent)
#include "tst_stats_event.moc"
