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

// The line decoded by the quick scanner, checked against the general parser:
// a space after the opening brace sends it there. A mismatch fails the test;
// callers stop there.
std::optional<StatsEvent> decodedAlike(const QByteArray& line) {
    QByteArray spaced = line;
    spaced.insert(spaced.indexOf('{') + 1, ' ');
    const auto compact = decodeStatsEvent(line);
    [&] { QCOMPARE(decodeStatsEvent(spaced), compact); }();
    return compact;
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

    // Counters read through intValue(); the display form through stringValue().
    void payloadValues_data() {
        QTest::addColumn<StatsPayloadValue>("value");
        QTest::addColumn<std::optional<qint64>>("number");
        QTest::addColumn<QString>("text"); // null: not checked
        const auto row = [](const char* name, const StatsPayloadValue& value, std::optional<qint64> number,
                            const QString& text = {}) { QTest::newRow(name) << value << number << text; };
        row("text", "30", 30);
        row("minus", "-7", -7);
        row("int64 min", "-9223372036854775808", std::numeric_limits<qint64>::min());
        for (const char* bad : {"9223372036854775808", "7a", "", "+", "+-7", " 7", "\xEF\xBC\x97"}) {
            QTest::addRow("'%s'", bad) << StatsPayloadValue(bad) << std::optional<qint64>() << QString();
        }
        row("double truncates", 2.9, 2);
        row("negative double", -2.9, -2);
        row("double too large", 9.3e18, std::nullopt);
        row("nan", std::nan(""), std::nullopt);
        row("bool", true, std::nullopt, QStringLiteral("true"));
        row("false", false, std::nullopt, QStringLiteral("false"));
        row("integral double", 3.0, 3, QStringLiteral("3.0"));
        row("quarter", 0.25, 0, QStringLiteral("0.25"));
        row("negative", -3.5, -3, QStringLiteral("-3.5"));
        row("shortest", 0.1, 0, QStringLiteral("0.1"));
        row("int", -12, -12, QStringLiteral("-12"));
    }
    void payloadValues() {
        QFETCH(StatsPayloadValue, value);
        QFETCH(QString, text);
        QTEST(value.intValue(), "number");
        if (!text.isNull()) {
            QCOMPARE(value.stringValue(), text);
        }
    }

    void roundTrip_data() {
        QTest::addColumn<StatsEvent>("event");
        QTest::newRow("no session, empty payload") << sampleEvent();
        StatsEvent rest = sampleEvent();
        rest.sessionId = QStringLiteral("A1B2");
        rest.payload = {{QStringLiteral("plannedSeconds"), 20},   {QStringLiteral("theme"), "aurora"},
                        {QStringLiteral("ratio"), 2.5},           {QStringLiteral("whole"), 3.0},
                        {QStringLiteral("flag"), true},           {QStringLiteral("text"), "12"},
                        {QStringLiteral("big"), qint64(1) << 62}, {QStringLiteral("minus"), -3}};
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

    // A whole number beyond int64 reads as a double (the other kinds: see the round trip and decode).
    void payloadBeyondInt64() {
        const auto event = decodeStatsEvent(replaced(validLine, ":20}", ":18446744073709551615}"));
        QVERIFY(event);
        QCOMPARE(payloadAt(*event, QStringLiteral("actualSeconds")),
                 StatsPayloadValue(1.8446744073709552e19));
    }

    // Every way a line can be unreadable, next to the readable variants it
    // borders on; either reader must decode it the same.
    void decode_data() {
        QTest::addColumn<QByteArray>("line");
        QTest::addColumn<bool>("readable");
        // A row whose line is the valid one with one piece replaced.
        const auto with = [](const char* name, const QByteArray& from, const QByteArray& to, bool readable) {
            QTest::newRow(name) << replaced(validLine, from, to) << readable;
        };
        const auto member = [&](const char* name, const QByteArray& inserted, bool readable) {
            with(name, "\"appVersion\"", inserted + ",\"appVersion\"", readable);
        };
        QTest::newRow("valid") << validLine << true;
        with("session null", "\"S\"", "null", true); // no session: see decoderMatchesSingleLines
        with("session missing", "\"sessionId\":\"S\",", "", true);
        with("snoozed type", "rest_completed", "hydration_snoozed", true);
        with("auto timeout", "\"scheduled\"", "\"auto_timeout\"", true);
        QTest::newRow("members reordered")
            << QByteArray(R"({"appVersion":"x","payload":{},"source":"system","type":"app_launched",)"
                          R"("monthKey":"m","dayKey":"d","timestamp":"2026-03-02T01:00:00Z","id":"i"})")
            << true;
        QTest::newRow("spaces around") << " \t" + validLine + " " << true;

        for (const char* name :
             {"id", "timestamp", "dayKey", "monthKey", "type", "source", "payload", "appVersion"}) {
            QByteArray line = validLine;
            line.replace(QByteArray("\"") + name + "\":", QByteArray("\"x") + name + "\":");
            QTest::addRow("missing %s", name) << line << false;
        }
        with("id number", "\"6F9619FF-8B86-D011-B42D-00C04FC964FF\"", "7", false);
        with("dayKey null", "\"2026-03-02\"", "null", false);
        with("appVersion number", "\"1.0.0\"", "1.0", false);
        with("session number", "\"S\"", "5", false);
        with("unknown type", "rest_completed", "rest_paused", false);
        with("type in camel case", "rest_completed", "restCompleted", false);
        with("unknown source", "\"scheduled\"", "\"timer\"", false);
        with("type number", "\"rest_completed\"", "2", false);
        with("timestamp number", "\"2026-03-02T01:00:00Z\"", "1772413200", false);
        with("payload array", "{\"actualSeconds\":20}", "[]", false);
        with("invalid UTF-8", "1.0.0", "1.0\xFF", false);
        QTest::newRow("array") << "[" + validLine + "]" << false;
        QTest::newRow("two objects") << validLine + validLine << false;
        QTest::newRow("cut off") << validLine.left(validLine.size() - 1) << false;
        QTest::newRow("garbage") << QByteArray("not json") << false;
        QTest::newRow("empty") << QByteArray() << false;
        QTest::newRow("string") << QByteArray("\"x\"") << false;
        with("escaped text", "\"1.0.0\"", "\"1.\\u0030.0\\\"\"", true);
        with("non-ASCII text", "\"1.0.0\"", "\"1.0 \xE6\xB5\x8B\"", true);
        with("DEL in text", "\"1.0.0\"", "\"1.0\x7F\"", true);
        with("control in text", "\"1.0.0\"", "\"1.0\x01\"", false);
        // The payload's value, readable or not.
        for (const char* value : {"999999999999999999", "9223372036854775807", "9999999999999999999",
                                  "99999999999999999999999999", "-9223372036854775808", "-0", "-3", "20.0",
                                  "2e1", "20,\"ok\":true,\"no\":false,\"t\":\"x}\""}) {
            QTest::addRow("payload %s", value)
                << replaced(validLine, ":20}", QByteArray(":") + value + "}") << true;
        }
        for (const char* value : {"null", "[20]", "{}", "1e999", "020", "-", "truex", "20,", "20,\"o\":{}"}) {
            QTest::addRow("payload %s", value)
                << replaced(validLine, ":20}", QByteArray(":") + value + "}") << false;
        }
        member("two payloads merge", "\"payload\":{\"b\":1}", true);
        member("repeated member", "\"dayKey\":\"2026-03-03\"", true);
        member("unknown object", "\"extra\":{\"a\":{\"b\":[1]}}", true);
        member("unknown array", "\"extra\":[{}]", true);
        QTest::newRow("byte order mark") << "\xEF\xBB\xBF" + validLine << true;
        QTest::newRow("trailing garbage") << validLine + "x" << false;
    }
    void decode() {
        QFETCH(QByteArray, line);
        QFETCH(bool, readable);
        const auto event = decodedAlike(line);
        if (QTest::currentTestFailed()) {
            return;
        }
        QCOMPARE(event.has_value(), readable);
    }

    void timestamps_data() {
        QTest::addColumn<QByteArray>("text");
        QTest::addColumn<QDateTime>("expected");
        const auto utc = [](const char* text, int y, int m, int d, int h, int min, int s) {
            QTest::newRow(text) << QByteArray(text) << QDateTime(QDate(y, m, d), QTime(h, min, s), Qt::UTC);
        };
        utc("1970-01-01T00:00:00Z", 1970, 1, 1, 0, 0, 0);
        utc("1969-12-31T23:59:59Z", 1969, 12, 31, 23, 59, 59);
        utc("0001-01-01T00:00:00Z", 1, 1, 1, 0, 0, 0);
        utc("9999-12-31T23:59:59Z", 9999, 12, 31, 23, 59, 59);
        utc("2024-02-29T12:30:45Z", 2024, 2, 29, 12, 30, 45);
        utc("2000-02-29T00:00:00Z", 2000, 2, 29, 0, 0, 0);
        utc("2026-03-01T00:00:00Z", 2026, 3, 1, 0, 0, 0);
        // Year 0, no leap day, no 31st, day, month, hour, minute and second out of range, lower-case z, a
        // space.
        for (const char* bad :
             {"0000-01-01T00:00:00Z", "2026-02-29T00:00:00Z", "2100-02-29T00:00:00Z", "2026-04-31T00:00:00Z",
              "2026-04-00T00:00:00Z", "2026-00-10T00:00:00Z", "2026-13-02T00:00:00Z", "2026-04-10T24:00:00Z",
              "2026-04-10T00:60:00Z", "2026-04-10T00:00:60Z", "2026-04-10T00:00:00z", "2026-04-10 00:00:00Z",
              "2026-03-02T01:00:00.000Z", "2026-03-02T01:00:00", "2026-03-02T01:00:00+08:00", "2026-03-02"}) {
            QTest::newRow(bad) << QByteArray(bad) << QDateTime();
        }
    }
    void timestamps() {
        QFETCH(QByteArray, text);
        QFETCH(QDateTime, expected);
        const auto event = decodedAlike(replaced(validLine, "2026-03-02T01:00:00Z", text));
        if (QTest::currentTestFailed()) {
            return;
        }
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
        lines << validLine << replaced(validLine, "\"S\"", "null");
        StatsEventDecoder decoder;
        for (const QByteArray& line : lines) {
            QCOMPARE(decoder.decode(line), decodeStatsEvent(line));
        }
        QCOMPARE(decoder.decode(lines[3])->appVersion, QStringLiteral("v3"));
        QCOMPARE(payloadAt(*decoder.decode(lines[3]), QStringLiteral("actualSeconds")), StatsPayloadValue(3));
        QCOMPARE(decoder.decode(lines.last())->sessionId, std::nullopt);
    }
};

QTEST_GUILESS_MAIN(TestStatsEvent)
#include "tst_stats_event.moc"
