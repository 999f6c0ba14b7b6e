#include "Stats/StatsReporter.h"
#include "Stats/StatsStore.h"
#include "support/Files.h"
#include "support/ServicesFixture.h"

#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

#include <ctime>
#include <memory>

using namespace Qt::StringLiterals;

Q_DECLARE_METATYPE(StatsEvent)

namespace {

QDateTime local(int year, int month, int day, int hour = 12, int minute = 0, int second = 0) {
    return QDateTime(QDate(year, month, day), QTime(hour, minute, second));
}

StatsEvent makeEvent(StatsEventType type, StatsPayload payload = {}) {
    StatsEvent result;
    result.type = type;
    result.payload = std::move(payload);
    return result;
}

} // namespace

class TestStatsReporter : public QObject {
    Q_OBJECT

    std::unique_ptr<ServicesFixture> f;
    QTemporaryDir locales;

    void record(StatsEventType type, const QDateTime& at, const StatsPayload& payload = {}) {
        f->store.record(type, StatsEventSource::scheduled, std::nullopt, payload, at);
    }

private slots:
    void initTestCase() {
        qputenv("TZ", "Asia/Shanghai");
        tzset();
        // The two calendars built from the C library's locale sources for this run.
        QVERIFY(locales.isValid());
        for (const QString& name : {u"en_US"_s, u"zh_CN"_s}) {
            QCOMPARE(QProcess::execute(u"localedef"_s, {u"-i"_s, name, u"-f"_s, u"UTF-8"_s,
                                                        locales.filePath(name + u".UTF-8"_s)}),
                     0);
        }
        qputenv("LOCPATH", QFile::encodeName(locales.path()));
        QVERIFY(!StatsReporter::calendarFirstDay("C.UTF-8"));
        QVERIFY(!StatsReporter::calendarFirstDay("xx_YY.UTF-8"));
    }

    void init() { f = std::make_unique<ServicesFixture>(local(2026, 3, 2, 9, 30, 5)); }
    void cleanup() { f.reset(); }

    // A report's days and verdict: an event a second outside its range is not
    // counted, prompts and launches alone make a clean day, not an empty one, and
    // any skip spoils it.
    void reports_data() {
        QTest::addColumn<QString>("scope");
        QTest::addColumn<QList<StatsEvent>>("recorded");
        QTest::addColumn<QString>("range");
        QTest::addColumn<int>("eventCount");
        QTest::addColumn<QString>("summary");
        const auto at = [](StatsEventType type, const QDateTime& when) {
            StatsEvent event = makeEvent(type);
            event.timestamp = when;
            return event;
        };
        const QString clean = u"今天维护记录很干净，身体客服给你一个无声好评。"_s;
        QTest::newRow("empty day") << "day" << QList<StatsEvent>() << "2026-03-02" << 0
                                   << u"今天还没开始维护，身体客服正在待机。"_s;
        QTest::newRow("February") << "month"
                                  << QList<StatsEvent>{at(StatsEventType::appLaunched,
                                                          local(2026, 2, 28, 23, 59, 59)),
                                                       at(StatsEventType::appLaunched, local(2026, 3, 1, 0))}
                                  << "2026-02-01 ~ 2026-02-28" << 1 << clean;
        QTest::newRow("prompts and a launch")
            << "day"
            << QList<StatsEvent>{at(StatsEventType::appLaunched, local(2026, 3, 2, 9)),
                                 at(StatsEventType::hydrationPromptShown, local(2026, 3, 2, 10)),
                                 at(StatsEventType::pelvicPromptShown, local(2026, 3, 2, 11))}
            << "2026-03-02" << 3 << clean;
        QTest::newRow("a skipped rest")
            << "day" << QList<StatsEvent>{at(StatsEventType::restSkipped, local(2026, 3, 2, 15))}
            << "2026-03-02" << 1
            << u"完成不少，但也跳过了一些。Tavo 不审判你，只把身体的小本本摊开给你看。"_s;
    }
    void reports() {
        QFETCH(QString, scope);
        QFETCH(QList<StatsEvent>, recorded);
        QFETCH(QString, range);
        for (const StatsEvent& event : recorded) {
            record(event.type, event.timestamp);
        }
        const QDateTime when = QDateTime(QDate::fromString(range.left(10), Qt::ISODate), QTime(18, 0));
        const StatsReport report =
            StatsReporter(f->store, f->clock)
                .makeReport(scope == u"day"_s ? StatsReportScope::day(when) : StatsReportScope::month(when));
        const QDate first = QDate::fromString(range.left(10), Qt::ISODate);
        const QDate last = QDate::fromString(range.right(10), Qt::ISODate);
        QCOMPARE(report.interval.start, first.startOfDay());
        QCOMPARE(report.interval.end, last.addDays(1).startOfDay());
        QCOMPARE(report.days.size(), first.daysTo(last) + 1);
        QCOMPARE(report.days.first().dayKey, range.left(10));
        QCOMPARE(report.days.last().dayKey, range.right(10));
        QCOMPARE(report.rangeText, range);
        QCOMPARE(report.generatedAtText, u"2026-03-02 09:30:05"_s);
        QTEST(int(report.total.eventCount), "eventCount");
        QTEST(report.summaryLine, "summary");
    }

    // Weeks begin on the first weekday of the user's calendar: Sunday in en_US, Monday in zh_CN.
    void weekFollowsTheCalendar_data() {
        QTest::addColumn<QByteArray>("locale");
        QTest::addColumn<QDate>("date");
        QTest::addColumn<QDate>("first");
        QTest::newRow("en_US, a Wednesday") << "en_US.UTF-8"_ba << QDate(2026, 3, 4) << QDate(2026, 3, 1);
        QTest::newRow("zh_CN, a Wednesday") << "zh_CN.UTF-8"_ba << QDate(2026, 3, 4) << QDate(2026, 3, 2);
        QTest::newRow("en_US, a Sunday") << "en_US.UTF-8"_ba << QDate(2026, 3, 8) << QDate(2026, 3, 8);
        QTest::newRow("zh_CN, a Sunday") << "zh_CN.UTF-8"_ba << QDate(2026, 3, 8) << QDate(2026, 3, 2);
        QTest::newRow("en_US, across months") << "en_US.UTF-8"_ba << QDate(2026, 3, 31) << QDate(2026, 3, 29);
        QTest::newRow("zh_CN, across months") << "zh_CN.UTF-8"_ba << QDate(2026, 3, 31) << QDate(2026, 3, 30);
    }
    void weekFollowsTheCalendar() {
        QFETCH(QByteArray, locale);
        QFETCH(QDate, date);
        QFETCH(QDate, first);
        const std::optional<Qt::DayOfWeek> firstDay = StatsReporter::calendarFirstDay(locale);
        QVERIFY(firstDay);
        const QDate last = first.addDays(6);
        // The first and last second of the week count; the seconds either side do not.
        for (const QDateTime& at : {QDateTime(first.addDays(-1), QTime(23, 59, 59)), first.startOfDay(),
                                    QDateTime(last, QTime(23, 59, 59)), last.addDays(1).startOfDay()}) {
            record(StatsEventType::appLaunched, at);
        }
        const StatsReport report = StatsReporter(f->store, f->clock, *firstDay)
                                       .makeReport(StatsReportScope::week(QDateTime(date, QTime(8, 0))));
        QCOMPARE(report.interval.start, first.startOfDay());
        QCOMPARE(report.interval.end, last.addDays(1).startOfDay());
        QStringList keys;
        QStringList expected;
        for (int i = 0; i < 7; ++i) {
            keys << (i < report.days.size() ? report.days[i].dayKey : QString());
            expected << first.addDays(i).toString(Qt::ISODate);
        }
        QCOMPARE(report.days.size(), 7);
        QCOMPARE(keys, expected);
        QCOMPARE(report.rangeText, expected.first() + u" ~ "_s + expected.last());
        QCOMPARE(report.total.appLaunchCount, 2);
    }

    void apply_data() {
        QTest::addColumn<StatsEvent>("event");
        QTest::addColumn<StatsDaySummary>("expected");
        using S = StatsDaySummary;
        const auto row = [](std::initializer_list<std::pair<qint64 S::*, qint64>> counts) {
            S summary;
            summary.eventCount = 1;
            for (const auto& [field, value] : counts) {
                summary.*field = value;
            }
            return summary;
        };
        const StatsPayload planned{{u"plannedSeconds"_s, 20}};
        const auto completed = [](StatsPayload payload) {
            return makeEvent(StatsEventType::restCompleted, std::move(payload));
        };
        QTest::newRow("completed without actual counts planned")
            << completed(planned) << row({{&S::restCompletedCount, 1}, {&S::restActualSeconds, 20}});
        QTest::newRow("actual as text") << completed({{u"actualSeconds"_s, "30"}})
                                        << row({{&S::restCompletedCount, 1}, {&S::restActualSeconds, 30}});
        QTest::newRow("actual as bool falls back to planned")
            << completed({{u"actualSeconds"_s, true}, {u"plannedSeconds"_s, 20}})
            << row({{&S::restCompletedCount, 1}, {&S::restActualSeconds, 20}});
        QTest::newRow("completed with nothing") << completed({}) << row({{&S::restCompletedCount, 1}});
        QTest::newRow("pelvic guided")
            << makeEvent(StatsEventType::pelvicCompleted, {{u"guidedSeconds"_s, 2.9}})
            << row({{&S::pelvicCompletedCount, 1}, {&S::pelvicGuidedSeconds, 2}});
        QTest::newRow("rest started") << makeEvent(StatsEventType::restStarted, planned) << row({});
        const std::pair<StatsEventType, qint64 S::*> plain[] = {
            {StatsEventType::restSkipped, &S::restSkippedCount},
            {StatsEventType::hydrationPromptShown, nullptr},
            {StatsEventType::pelvicPromptShown, nullptr},
            {StatsEventType::appLaunched, &S::appLaunchCount},
            {StatsEventType::hydrationCompleted, &S::hydrationCompletedCount},
            {StatsEventType::hydrationSkipped, &S::hydrationSkippedCount},
            {StatsEventType::hydrationSnoozed, &S::hydrationSnoozedCount},
            {StatsEventType::pelvicSkipped, &S::pelvicSkippedCount},
            {StatsEventType::pelvicSnoozed, &S::pelvicSnoozedCount},
        };
        for (const auto& [type, field] : plain) {
            QTest::newRow(qPrintable(rawValue(type)))
                << makeEvent(type) << (field ? row({{field, 1}}) : row({}));
        }
    }
    void apply() {
        QFETCH(StatsEvent, event);
        QFETCH(StatsDaySummary, expected);
        StatsDaySummary row;
        row.apply(event);
        QCOMPARE(row, expected);
    }

    // Events of a time in the order recorded; a day counts what its stored day key says, here one
    // written under another zone: inside the interval, but stored with another day.
    void dayReportFollowsTheFile() {
        QVERIFY(writeFile(
            f->store.eventsDirectory() + QStringLiteral("/2026-03.jsonl"),
            R"({"id":"A","timestamp":"2026-03-02T04:00:00Z","dayKey":"2026-03-01","monthKey":"2026-03",)"
            R"("type":"app_launched","source":"system","payload":{},"appVersion":"1.0.0"})"
            "\n"));
        record(StatsEventType::hydrationCompleted, local(2026, 3, 2, 11));
        record(StatsEventType::appLaunched, local(2026, 3, 2, 10));
        record(StatsEventType::pelvicCompleted, local(2026, 3, 2, 10));
        record(StatsEventType::hydrationSkipped, local(2026, 3, 2, 10));
        const StatsReport report =
            StatsReporter(f->store, f->clock).makeReport(StatsReportScope::day(local(2026, 3, 2)));
        QList<StatsEventType> types;
        for (const StatsEvent& e : report.events) {
            types.append(e.type);
        }
        QCOMPARE(types,
                 (QList<StatsEventType>{StatsEventType::appLaunched, StatsEventType::pelvicCompleted,
                                        StatsEventType::hydrationSkipped, StatsEventType::hydrationCompleted,
                                        StatsEventType::appLaunched}));
        QCOMPARE(report.days.size(), 2);
        QCOMPARE(report.days[0].dayKey, QStringLiteral("2026-03-01"));
        QCOMPARE(report.days[0].appLaunchCount, 1);
        QCOMPARE(report.days[0].eventCount, 1);
        QCOMPARE(report.days[1].dayKey, QStringLiteral("2026-03-02"));
        QCOMPARE(report.days[1].eventCount, 4);
        QCOMPARE(report.total.appLaunchCount, 2);
    }

    // One damaged line with an absurd number of seconds must not turn the
    // rest time of the other rests into nothing.
    void absurdSecondsDoNotWipeOutTheTotal() {
        QVERIFY(writeFile(
            f->store.eventsDirectory() + QStringLiteral("/2026-03.jsonl"),
            R"({"id":"A","timestamp":"2026-03-02T01:00:00Z","dayKey":"2026-03-02","monthKey":"2026-03",)"
            R"("type":"rest_completed","source":"scheduled","payload":{"actualSeconds":9223372036854775807},)"
            R"("appVersion":"1.0.0"})"
            "\n"));
        record(StatsEventType::restCompleted, local(2026, 3, 2, 10), {{u"actualSeconds"_s, 20}});
        const StatsReport report =
            StatsReporter(f->store, f->clock).makeReport(StatsReportScope::day(local(2026, 3, 2)));
        QCOMPARE(report.total.restCompletedCount, 2);
        QVERIFY2(report.total.restActualSeconds >= 20,
                 qPrintable(QString::number(report.total.restActualSeconds)));
        QVERIFY(StatsReporter::formatDuration(report.total.restActualSeconds) != u"0 秒"_s);
    }

    void formatDuration() {
        QStringList texts;
        for (const qint64 seconds : {-5, 0, 1, 59, 60, 61, 3599, 3600, 3661, 90000}) {
            texts << StatsReporter::formatDuration(seconds);
        }
        QCOMPARE(texts, (QStringList{u"0 秒"_s, u"0 秒"_s, u"1 秒"_s, u"59 秒"_s, u"1 分钟"_s, u"1 分 1 秒"_s,
                                     u"59 分 59 秒"_s, u"1 小时 0 分钟"_s, u"1 小时 1 分 1 秒"_s,
                                     u"25 小时 0 分钟"_s}));
    }

    void eventText_data() {
        QTest::addColumn<StatsEvent>("event");
        QTest::addColumn<QString>("text");
        const auto row = [](const char* name, StatsEventType type, const StatsPayload& payload,
                            const QString& text) { QTest::newRow(name) << makeEvent(type, payload) << text; };
        row("launch", StatsEventType::appLaunched, {}, u"Tavo 启动"_s);
        row("started", StatsEventType::restStarted, {{u"plannedSeconds"_s, 20}}, u"护眼开始（计划 20 秒）"_s);
        row("started without plan", StatsEventType::restStarted, {}, u"护眼开始（计划 ? 秒）"_s);
        row("completed", StatsEventType::restCompleted, {{u"actualSeconds"_s, 20}},
            u"护眼完成，休息 20 秒"_s);
        row("completed unknown", StatsEventType::restCompleted, {}, u"护眼完成，休息 ? 秒"_s);
        row("skipped", StatsEventType::restSkipped, {{u"actualSeconds"_s, 8}, {u"skippedSeconds"_s, 12}},
            u"护眼跳过，已休息 8 秒，跳过 12 秒"_s);
        row("skipped bare", StatsEventType::restSkipped, {}, u"护眼跳过，已休息 0 秒，跳过 0 秒"_s);
        row("skipped double", StatsEventType::restSkipped, {{u"actualSeconds"_s, 3.0}},
            u"护眼跳过，已休息 3.0 秒，跳过 0 秒"_s);
        row("hydration_prompt_shown", StatsEventType::hydrationPromptShown, {}, u"喝水提醒出现"_s);
        row("hydration_completed", StatsEventType::hydrationCompleted, {}, u"喝水完成"_s);
        row("hydration_skipped", StatsEventType::hydrationSkipped, {}, u"喝水跳过"_s);
        row("hydration_snoozed", StatsEventType::hydrationSnoozed, {}, u"喝水延后"_s);
        row("pelvic_prompt_shown", StatsEventType::pelvicPromptShown, {}, u"提肛提醒出现"_s);
        row("pelvic_completed", StatsEventType::pelvicCompleted, {}, u"提肛完成"_s);
        row("pelvic_skipped", StatsEventType::pelvicSkipped, {}, u"提肛跳过"_s);
        row("pelvic_snoozed", StatsEventType::pelvicSnoozed, {}, u"提肛延后"_s);
    }
    void eventText() {
        QFETCH(StatsEvent, event);
        QFETCH(QString, text);
        QCOMPARE(StatsReporter::eventText(event), text);
    }
};

QTEST_GUILESS_MAIN(TestStatsReporter)
#include "tst_stats_reporter.moc"
