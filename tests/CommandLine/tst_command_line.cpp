#include "CommandLine/CommandLine.h"
#include "support/Files.h"
#include "support/PrivateBus.h"
#include "support/ServicesFixture.h"

#include <QDirIterator>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTest>

#include <memory>

using namespace Qt::StringLiterals;

namespace {

// Every file under a folder with its size and time of change.
QStringList listing(const QString& folder) {
    QStringList entries;
    for (QDirIterator it(folder, QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden,
                         QDirIterator::Subdirectories);
         it.hasNext();) {
        const QFileInfo info(it.next());
        entries.append(
            u"%1 %2 %3"_s.arg(info.filePath()).arg(info.size()).arg(info.lastModified().toMSecsSinceEpoch()));
    }
    entries.sort();
    return entries;
}

} // namespace

class TestCommandLine : public QObject {
    Q_OBJECT

    std::unique_ptr<ServicesFixture> f;
    QString out;
    QString err;

    // Runs `tavo <arguments>` in this process against the fixture's folder,
    // with no bus to reach.
    int run(const QStringList& arguments, const QString& statsRoot = {}) {
        out.clear();
        err.clear();
        QTextStream outStream(&out);
        QTextStream errStream(&err);
        return CommandLine::run(QStringList{u"tavo"_s} + arguments,
                                {[] { return QDBusConnection(u"no bus"_s); },
                                 statsRoot.isEmpty() ? f->store.rootDirectory() : statsRoot, f->clock,
                                 outStream, errStream});
    }

    // March 2026 and the first two days of April: every day but the 15th a
    // launch, two rests of 20 s and a drink; even days also a rest skipped
    // after 8 s with 12 s left, and a skipped exercise set.
    void recordMonth() {
        for (QDate day(2026, 3, 1); day <= QDate(2026, 4, 2); day = day.addDays(1)) {
            if (day == QDate(2026, 3, 15)) {
                continue;
            }
            // At 09:minute:second of the day.
            const auto record = [&](StatsEventType type, int minute, int second,
                                    const StatsPayload& payload) {
                f->store.record(type, StatsEventSource::scheduled, std::nullopt, payload,
                                QDateTime(day, QTime(9, minute, second)));
            };
            const auto rest = [&](int minute, qint64 actual) {
                const StatsPayload planned{{u"plannedSeconds"_s, 20}};
                record(StatsEventType::restStarted, minute, 0, planned);
                StatsPayload done = planned;
                done.insert(u"actualSeconds"_s, actual);
                done.insert(u"skippedSeconds"_s, 20 - actual);
                record(actual == 20 ? StatsEventType::restCompleted : StatsEventType::restSkipped, minute,
                       static_cast<int>(actual), done);
            };
            record(StatsEventType::appLaunched, 0, 0, {});
            rest(20, 20);
            rest(40, 20);
            record(StatsEventType::hydrationCompleted, 50, 0, {{u"countAfter"_s, 1}});
            if (day.day() % 2 == 0) {
                rest(55, 8);
                record(StatsEventType::pelvicSkipped, 58, 0, {});
            }
        }
    }

private slots:
    void initTestCase() { QCoreApplication::setApplicationVersion(QStringLiteral(TAVO_VERSION)); }
    void init() { f = std::make_unique<ServicesFixture>(QDateTime(QDate(2026, 4, 3), QTime(10, 0))); }
    void cleanup() { f.reset(); }

    void helpVersionAndNoBus() {
        QCOMPARE(run({u"--help"_s}), 0);
        for (const char* command : {"rest-now", "status", "drink", "exercise", "report", "quit"}) {
            QVERIFY2(out.contains(QLatin1String(command)), command);
        }
        QVERIFY(out.contains(u"3 Tavo is not running"_s));
        QCOMPARE(run({u"--version"_s}), 0);
        QCOMPARE(out, QStringLiteral("tavo " TAVO_VERSION "\n"));
        QVERIFY(err.isEmpty());
        // Only the session manager's own argument, or none, runs Tavo itself.
        QVERIFY(!CommandLine::isCommand({}));
        QVERIFY(!CommandLine::isCommand({u"-session"_s, u"10abc"_s}));
        QVERIFY(CommandLine::isCommand({u"status"_s}));
        // The rest need Tavo itself, over the bus.
        for (const char* command : {"rest-now", "status", "drink", "exercise", "quit"}) {
            QCOMPARE(run({QLatin1String(command)}), int(CommandLine::notRunning));
            QCOMPARE(err, u"Tavo: not running (no session bus)\n"_s);
        }
        QCOMPARE(run({"status", "--json", "--follow"}), int(CommandLine::notRunning));
        QVERIFY(out.isEmpty());
    }

    // A session bus where no Tavo runs: every command that needs Tavo ends
    // with "not running", quit included (nothing was ended).
    void quitWithNoTavoOnTheBus() {
        PrivateBus bus;
        QVERIFY(!bus.address.isEmpty());
        const QString address = bus.address;
        const auto runOnBus = [&](const QStringList& arguments) {
            out.clear();
            err.clear();
            QTextStream outStream(&out);
            QTextStream errStream(&err);
            return CommandLine::run(QStringList{u"tavo"_s} + arguments,
                                    {[address] { return QDBusConnection::connectToBus(address, u"cli"_s); },
                                     f->store.rootDirectory(), f->clock, outStream, errStream});
        };
        bus.names.append(u"cli"_s);
        QCOMPARE(runOnBus({u"status"_s}), 3);
        QCOMPARE(err, u"Tavo: not running (start it with: tavo)\n"_s);
        QCOMPARE(runOnBus({u"quit"_s}), 3);
        QCOMPARE(err, u"Tavo: not running (start it with: tavo)\n"_s);
    }

    void reportJson_data() {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<QString>("range");
        QTest::addColumn<int>("dayCount");
        // The counters of the total that are not 0.
        QTest::addColumn<QByteArray>("total");
        QTest::addColumn<QString>("verdict");
        QTest::addColumn<int>("score");

        // 30 days with events, 15 of them even: 15 × 6 + 15 × 9 events; done 60 rests + 30 drinks
        // against 15 + 15 skipped: 90 of 120. Rested 60 × 20 + 15 × 8 s, skipped 15 × 12 s.
        QTest::newRow("March") << QStringList{"report", "month", "--json", "--date", "2026-03-15"}
                               << "2026-03-01 ~ 2026-03-31" << 31
                               << QByteArray(
                                      R"({"eventCount":225,"appLaunchCount":30,"restCompletedCount":60,)"
                                      R"("restSkippedCount":15,"restActualSeconds":1320,)"
                                      R"("restSkippedSeconds":180,"hydrationCompletedCount":30,)"
                                      R"("pelvicSkippedCount":15})")
                               << u"完成不少，但也跳过了一些。Tavo 不审判你，只把身体的小本本摊开给你看。"_s
                               << 75;
        QTest::newRow("clean day")
            << QStringList{"report", "day", "--json", "--date", "2026-03-01"} << "2026-03-01" << 1
            << QByteArray(
                   R"({"eventCount":6,"appLaunchCount":1,"restCompletedCount":2,"restActualSeconds":40,)"
                   R"("hydrationCompletedCount":1})")
            << u"今天维护记录很干净，身体客服给你一个无声好评。"_s << 100;
        // Today, 3 April, has no events; the 15th of March neither (the month's row above shows it).
        QTest::newRow("today") << QStringList{"report", "day", "--json"} << "2026-04-03" << 1
                               << QByteArray("{}") << u"今天还没开始维护，身体客服正在待机。"_s << 0;
    }

    void reportJson() {
        QFETCH(QStringList, arguments);
        QFETCH(QString, range);
        QFETCH(int, dayCount);
        QFETCH(QByteArray, total);
        QFETCH(QString, verdict);
        QFETCH(int, score);
        recordMonth();

        QCOMPARE(run(arguments), 0);
        QVERIFY(err.isEmpty());
        const QJsonObject report = QJsonDocument::fromJson(out.toUtf8()).object();
        QCOMPARE(report.value("scope").toString(), arguments.at(1));
        QCOMPARE(report.value("rangeText").toString(), range);
        QCOMPARE(report.value("summaryLine").toString(), verdict);
        QCOMPARE(report.value("score").toInt(), score);
        QCOMPARE(report.value("generatedAtText").toString(), u"2026-04-03 10:00:00"_s);

        const QJsonObject sum = report.value("total").toObject();
        QCOMPARE(sum.value("dayKey").toString(), u"total"_s);
        const QJsonArray days = report.value("days").toArray();
        QCOMPARE(days.size(), dayCount);
        QCOMPARE(days.first().toObject().value("dayKey").toString(), range.left(10));
        QCOMPARE(days.last().toObject().value("dayKey").toString(), range.right(10));
        // Every counter of the total as worked out above, and the sum of the day rows.
        QCOMPARE(sum.size(), 14);
        for (auto it = sum.begin(); it != sum.end(); ++it) {
            if (it.key() == QLatin1String("dayKey")) {
                continue;
            }
            qint64 rows = 0;
            for (const QJsonValue& day : days) {
                rows += day.toObject().value(it.key()).toInteger();
            }
            QCOMPARE(it.value().toInteger(),
                     QJsonDocument::fromJson(total).object().value(it.key()).toInteger());
            QCOMPARE(rows, it.value().toInteger());
        }
    }

    // Reports read the health log and write nothing to it.
    void reportText() {
        recordMonth();
        f->store.saveMeta(StatsMeta{u"2026-04-02"_s});
        const QStringList before = listing(f->store.rootDirectory());
        QCOMPARE(run({"report", "week", "--date", "2026-03-31"}), 0);
        const QStringList lines = out.split(u'\n');
        QCOMPARE(lines.at(0), u"Tavo 身体维护周报"_s);
        QCOMPARE(lines.at(1), u"2026-03-30 ~ 2026-04-05 · 2026-04-03 10:00:00"_s);
        QCOMPARE(lines.at(2), u"完成不少，但也跳过了一些。Tavo 不审判你，只把身体的小本本摊开给你看。"_s);
        QCOMPARE(lines.at(3), u"维护分 75 · 还行，没太嘎"_s);
        QVERIFY(lines.contains(u"护眼完成 8 · 跳过 2 次"_s));
        QVERIFY(lines.contains(u"累计休息 2 分 56 秒 · 跳过 24 秒"_s));
        QVERIFY(lines.contains(u"喝水完成 4 · 跳过 0 · 延后 0"_s));
        QVERIFY(lines.contains(u"提肛完成 0 · 跳过 2 · 延后 0"_s));
        QVERIFY(lines.contains(u"2026-03-30  完成 3 · 跳过 2"_s));
        QVERIFY(lines.contains(u"2026-04-05  完成 0 · 跳过 0"_s));
        QVERIFY(!out.contains(u"今日流水小本本"_s));

        QCOMPARE(run({"report", "day", "--date", "2026-03-02"}), 0);
        QVERIFY(out.contains(u"今日流水小本本\n09:00:00  ⚡️ Tavo 启动\n"_s));
        QVERIFY(out.contains(u"09:55:08  👁 护眼跳过，已休息 8 秒，跳过 12 秒\n"_s));
        QCOMPARE(run({"report", "day", "--date", "2026-03-15"}), 0);
        QVERIFY(out.endsWith(u"身体客服今天还没开张，先喝口水也算给报表开光。\n"_s));
        QCOMPARE(run({"report", "month", "--date", "2026-03-31"}), 0);
        QCOMPARE(run({"report", "day", "--json"}), 0);
        QCOMPARE(listing(f->store.rootDirectory()), before);
        // No health log yet: nothing is created for it.
        const QString absent = f->dir.filePath(u"new/Tavo/Stats"_s);
        QCOMPARE(run({"report", "month"}, absent), 0);
        QCOMPARE(run({"report", "week", "--json"}, absent), 0);
        QVERIFY(!QFileInfo::exists(f->dir.filePath(u"new"_s)));
    }

    void badArguments_data() {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<QString>("accepted");
        const QString commands =
            u"commands: rest-now, pause, resume, status, drink, exercise, report, quit"_s;
        const QString lengths = u"30m, 1h, 2h, tomorrow"_s;
        const QString scopes = u"day, week, month"_s;
        const QString date = u"use yyyy-MM-dd"_s;
        QTest::newRow("unknown command") << QStringList{"sleep"} << commands;
        QTest::newRow("pause without length") << QStringList{"pause"} << lengths;
        QTest::newRow("pause of three hours") << QStringList{"pause", "3h"} << lengths;
        QTest::newRow("pause in minutes") << QStringList{"pause", "30"} << lengths;
        QTest::newRow("two lengths") << QStringList{"pause", "1h", "2h"} << lengths;
        QTest::newRow("resume with an argument") << QStringList{"resume", "now"} << "takes no argument";
        QTest::newRow("only an option") << QStringList{"--json"} << commands;
        QTest::newRow("unknown option") << QStringList{"status", "--jason"} << "--help";
        QTest::newRow("report without scope") << QStringList{"report"} << scopes;
        QTest::newRow("report of a year") << QStringList{"report", "year"} << scopes;
        QTest::newRow("two scopes") << QStringList{"report", "day", "week"} << scopes;
        QTest::newRow("no such day") << QStringList{"report", "day", "--date", "2026-02-30"} << date;
        QTest::newRow("other date form") << QStringList{"report", "day", "--date", "31.03.2026"} << date;
        QTest::newRow("short date") << QStringList{"report", "day", "--date", "2026-3-1"} << date;
        QTest::newRow("date without value") << QStringList{"report", "day", "--date"} << "--help";
        QTest::newRow("option of another command")
            << QStringList{"drink", "--json"} << "drink takes no --json";
        QTest::newRow("argument to status") << QStringList{"status", "now"} << "takes no argument";
    }

    void badArguments() {
        QFETCH(QStringList, arguments);
        QFETCH(QString, accepted);
        QCOMPARE(run(arguments), int(CommandLine::badArgument));
        QVERIFY(out.isEmpty());
        QVERIFY2(err.startsWith(u"Tavo: "_s) && err.count(u'\n') == 1 && err.endsWith(u'\n'),
                 qPrintable(err));
        QVERIFY2(err.contains(accepted), qPrintable(err));
    }

    void unreadableHealthLog_data() {
        QTest::addColumn<bool>("eventsIsAFile"); // otherwise the month's file is a folder
        QTest::newRow("events is a file") << true;
        QTest::newRow("month file is a folder") << false;
    }
    void unreadableHealthLog() {
        QFETCH(bool, eventsIsAFile);
        const QString root = f->dir.filePath(u"odd/Stats"_s);
        QVERIFY(QDir().mkpath(root + (eventsIsAFile ? u""_s : u"/events/2026-03.jsonl"_s)));
        QVERIFY(!eventsIsAFile || writeFile(root + u"/events"_s, {}));
        QCOMPARE(run({"report", "month", "--date", "2026-03-31"}, root), int(CommandLine::unreadableData));
        QVERIFY(out.isEmpty());
        QVERIFY2(err.startsWith(u"Tavo: cannot read the health log: "_s + root), qPrintable(err));
        // Another month reads nothing there and is no failure.
        QCOMPARE(run({"report", "month", "--date", "2026-05-01"}, root), eventsIsAFile ? 4 : 0);
    }
};

QTEST_GUILESS_MAIN(TestCommandLine)
#include "tst_command_line.moc"
