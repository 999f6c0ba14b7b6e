#include "Platform/Log.h"
#include "Stats/StatsStore.h"
#include "support/Files.h"
#include "support/ServicesFixture.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QSet>
#include <QTest>

#include <csignal>
#include <ctime>
#include <functional>
#include <memory>
#include <thread>
#include <vector>

#include <fcntl.h>
#include <sys/file.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

// The log holds count lines, the last one beginning with prefix. A macro, so
// that a failed check ends the test there and reports once.
#define VERIFY_LOG(count, prefix)                                                                            \
    do {                                                                                                     \
        QCOMPARE(f->log.size(), qsizetype(count));                                                           \
        QVERIFY2(f->log.last().startsWith(prefix), qPrintable(f->log.last()));                               \
    } while (false)

namespace {

QDateTime local(int year, int month, int day, int hour = 12, int minute = 0, int second = 0) {
    return QDateTime(QDate(year, month, day), QTime(hour, minute, second));
}

QByteArray line(const QString& id, const QString& timestamp, const char* type = "app_launched") {
    return QStringLiteral(R"({"id":"%1","timestamp":"%2","dayKey":"2026-03-02","monthKey":"2026-03",)"
                          R"("type":"%3","source":"system","payload":{},"appVersion":"1.0.0"})")
        .arg(id, timestamp, QString::fromLatin1(type))
        .toUtf8();
}

QStringList ids(const QList<StatsEvent>& events) {
    QStringList result;
    for (const StatsEvent& event : events) {
        result.append(event.id);
    }
    return result;
}

// Whether some other open file description holds the lock on path.
bool isLockedElsewhere(const QString& path) {
    const int fd = ::open(QFile::encodeName(path).constData(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0) {
        return false;
    }
    const bool locked = ::flock(fd, LOCK_SH | LOCK_NB) != 0;
    ::close(fd);
    return locked;
}

} // namespace

class TestStatsStore : public QObject {
    Q_OBJECT

    std::unique_ptr<ServicesFixture> f;

    // Where the files belong, written out rather than asked of the store.
    QString monthFile(const QString& key) const {
        return f->dir.filePath(QStringLiteral("Stats/events/") + key + QStringLiteral(".jsonl"));
    }
    QString metaFile() const { return f->dir.filePath(QStringLiteral("Stats/meta.json")); }
    void launched(const QDateTime& at) const {
        f->store.record(StatsEventType::appLaunched, StatsEventSource::system, std::nullopt, {}, at);
    }
    // Runs the writes under a file size limit, which stops them part-way as a full disk does.
    static void withFileSizeLimit(rlim_t bytes, const std::function<void()>& writes) {
        const auto previousHandler = std::signal(SIGXFSZ, SIG_IGN);
        rlimit previous{};
        QCOMPARE(getrlimit(RLIMIT_FSIZE, &previous), 0);
        rlimit tight = previous;
        tight.rlim_cur = bytes;
        QCOMPARE(setrlimit(RLIMIT_FSIZE, &tight), 0);
        writes();
        QCOMPARE(setrlimit(RLIMIT_FSIZE, &previous), 0);
        std::signal(SIGXFSZ, previousHandler);
    }
    QList<StatsEvent> march() const { return f->store.events(local(2026, 3, 1, 0), local(2026, 4, 1, 0)); }

private slots:
    void initTestCase() {
        // Month and day keys are local; pin the zone so the boundaries are known.
        qputenv("TZ", "Asia/Shanghai");
        tzset();
    }

    void init() { f = std::make_unique<ServicesFixture>(local(2026, 3, 2, 9, 0, 0)); }
    void cleanup() { f.reset(); }

    void recordWritesOneLine() {
        QCoreApplication::setApplicationVersion(QString());
        f->store.record(StatsEventType::restStarted, StatsEventSource::manual, QStringLiteral("S1"),
                        {{QStringLiteral("plannedSeconds"), 20}}, f->clock.now());
        QCoreApplication::setApplicationVersion(QStringLiteral("1.0.0"));
        launched(f->clock.now());

        const QByteArray bytes = readFile(monthFile(QStringLiteral("2026-03")));
        QCOMPARE(bytes.count('\n'), 2);
        QVERIFY(bytes.endsWith('\n'));
        const QList<StatsEvent> events = march();
        QCOMPARE(events.size(), 2);
        QCOMPARE(events[0].timestamp, f->clock.now());
        QCOMPARE(events[0].dayKey, QStringLiteral("2026-03-02"));
        QCOMPARE(events[0].monthKey, QStringLiteral("2026-03"));
        QCOMPARE(events[0].sessionId, QStringLiteral("S1"));
        QCOMPARE(events[0].appVersion, QStringLiteral("unknown"));
        QCOMPARE(events[1].appVersion, QStringLiteral("1.0.0"));
        QCOMPARE(events[0].id.size(), 36);
        QCOMPARE(events[0].id, events[0].id.toUpper());
        QVERIFY(events[0].id != events[1].id);
    }

    // A month's file takes the events of its local month only; 16:00 UTC on the
    // 31st is already 1 April in Shanghai.
    void monthBoundary() {
        const QDateTime lastSecond = local(2026, 3, 31, 23, 59, 59);
        launched(lastSecond);
        const QByteArray marchBytes = readFile(monthFile(QStringLiteral("2026-03")));
        QVERIFY(!QFile::exists(monthFile(QStringLiteral("2026-04"))));

        launched(QDateTime(QDate(2026, 3, 31), QTime(16, 0), Qt::UTC));
        QCOMPARE(readFile(monthFile(QStringLiteral("2026-03"))), marchBytes);
        QCOMPARE(readFile(monthFile(QStringLiteral("2026-04"))).count('\n'), 1);
        const auto events = f->store.events(local(2026, 4, 1, 0), local(2026, 4, 2, 0));
        QCOMPARE(events.size(), 1);
        QCOMPARE(events[0].dayKey, QStringLiteral("2026-04-01"));
        QCOMPARE(events[0].monthKey, QStringLiteral("2026-04"));
    }

    void monthKeys_data() {
        QTest::addColumn<QDateTime>("start");
        QTest::addColumn<QDateTime>("end");
        QTest::addColumn<QStringList>("keys");
        QTest::newRow("30th to 2nd") << local(2026, 3, 30) << local(2026, 4, 2)
                                     << QStringList{"2026-03", "2026-04"};
        QTest::newRow("ends at midnight on the 1st")
            << local(2026, 3, 1, 0) << local(2026, 4, 1, 0) << QStringList{"2026-03"};
        QTest::newRow("empty interval") << local(2026, 3, 5) << local(2026, 3, 5) << QStringList{"2026-03"};
        QTest::newRow("end before start") << local(2026, 3, 5) << local(2026, 2, 5) << QStringList{"2026-03"};
        QTest::newRow("over the year") << local(2025, 12, 31) << local(2026, 2, 1, 0, 0, 1)
                                       << QStringList{"2025-12", "2026-01", "2026-02"};
    }
    void monthKeys() {
        QFETCH(QDateTime, start);
        QFETCH(QDateTime, end);
        QFETCH(QStringList, keys);
        QCOMPARE(StatsStore::monthKeys(start, end), keys);
    }

    // Lines split at every line break, the last with or without one; a blank line, garbage, an
    // unknown type, fractional seconds and invalid UTF-8 are skipped without a word.
    void monthFileLines_data() {
        QTest::addColumn<QByteArray>("contents");
        QTest::addColumn<QStringList>("read");
        const QByteArray a = line("A", "2026-03-02T01:00:00Z");
        const QByteArray b = line("B", "2026-03-02T02:00:00Z", "hydration_snoozed");
        QTest::newRow("last line without line feed") << a + "\n" + b << QStringList{"A", "B"};
        const std::pair<const char*, const char*> separators[] = {
            {"LF", "\n"}, {"CR LF", "\r\n"},   {"CR", "\r"},           {"VT", "\v"},
            {"FF", "\f"}, {"NEL", "\xC2\x85"}, {"LS", "\xE2\x80\xA8"}, {"PS", "\xE2\x80\xA9"}};
        for (const auto& [name, separator] : separators) {
            QTest::newRow(name) << a + separator + b + separator << QStringList{"A", "B"};
        }
        QTest::newRow("unreadable lines")
            << a + "\n\n   \nnot json at all\n" + line("X", "2026-03-02T01:30:00Z", "rest_paused") + "\n" +
                   line("Y", "2026-03-02T01:40:00.5Z") + "\n" +
                   line("Z", "2026-03-02T01:50:00Z").replace("\"Z\"", "\"\xFF\xFE\"") + "\n" + b + "\n"
            << QStringList{"A", "B"};
    }
    void monthFileLines() {
        QFETCH(QByteArray, contents);
        QVERIFY(writeFile(monthFile(QStringLiteral("2026-03")), contents));
        QTEST(ids(march()), "read");
        QVERIFY(f->log.isEmpty());
    }

    void tornLineDoesNotSwallowTheNext() {
        const QByteArray whole = line("A", "2026-03-02T01:00:00Z");
        QVERIFY(writeFile(monthFile(QStringLiteral("2026-03")), whole + "\n" + whole.left(40)));
        launched(local(2026, 3, 3));
        const auto events = march();
        QCOMPARE(events.size(), 2);
        QCOMPARE(events[0].id, QStringLiteral("A"));
        QCOMPARE(events[1].timestamp, local(2026, 3, 3));
        QVERIFY(
            readFile(monthFile(QStringLiteral("2026-03"))).startsWith(whole + "\n" + whole.left(40) + "\n{"));
    }

    // A write stopped part-way loses nothing: the cut line stays cut, and the
    // events wait in memory until there is room again.
    void fullDiskKeepsEventsUntilThereIsRoom() {
        launched(local(2026, 3, 2));
        launched(local(2026, 3, 3));
        const QByteArray before = readFile(monthFile(QStringLiteral("2026-03")));
        withFileSizeLimit(rlim_t(before.size() + 30), [this] {
            launched(local(2026, 3, 4));
            launched(local(2026, 3, 5));
        });

        VERIFY_LOG(1, QStringLiteral("Tavo Stats: failed to record event: "));
        QVERIFY(readFile(monthFile(QStringLiteral("2026-03"))).startsWith(before));

        launched(local(2026, 3, 6));
        const auto events = march();
        QCOMPARE(events.size(), 5);
        QCOMPARE(events[2].timestamp, local(2026, 3, 4));
        QCOMPARE(events[4].timestamp, local(2026, 3, 6));
    }

    // A write that the full disk stops one byte short, just before the line
    // feed, leaves a whole event in the file: it is recorded, and not written
    // a second time.
    void writeStoppedBeforeTheLineFeedIsNotCountedTwice() {
        launched(local(2026, 3, 2));
        launched(local(2026, 3, 3));
        const QByteArray before = readFile(monthFile(QStringLiteral("2026-03")));
        const qsizetype lineSize = before.size() / 2;
        withFileSizeLimit(rlim_t(before.size() + lineSize - 1), [this] { launched(local(2026, 3, 4)); });
        QVERIFY(f->log.isEmpty());

        launched(local(2026, 3, 5));
        const QList<StatsEvent> events = march();
        QCOMPARE(events.size(), 4);
        const QStringList all = ids(events);
        QCOMPARE(QSet<QString>(all.cbegin(), all.cend()).size(), 4);
    }

    // A month file far larger than memory (here a sparse one) is not read
    // whole: a report of its month does not bring the program down.
    void hugeMonthFileDoesNotCrashTheReader() {
        launched(local(2026, 3, 2));
        QFile file(monthFile(QStringLiteral("2026-03")));
        QVERIFY(file.resize(qint64(1) << 40));
        // What the daily report prompt asks one second after every launch.
        f->store.hasEvents(local(2026, 3, 2));
        QVERIFY(march().size() <= 1);
    }

    // A deleted folder is made again; a file in the way of one is reported.
    void folders() {
        QVERIFY(StatsStore::defaultRootDirectory().endsWith(QStringLiteral("/Tavo/Stats")));
        const QString reports = f->dir.filePath(QStringLiteral("Stats/reports"));
        QVERIFY(QDir(reports).exists());
        QVERIFY(QDir(f->dir.filePath(QStringLiteral("Stats"))).removeRecursively());
        launched(local(2026, 3, 2));
        QCOMPARE(march().size(), 1);
        QVERIFY(QDir(reports).exists());
        QVERIFY(f->log.isEmpty());

        QVERIFY(writeFile(f->dir.path() + QStringLiteral("/blocked"), "x"));
        StatsStore blocked(f->dir.path() + QStringLiteral("/blocked/Stats"));
        VERIFY_LOG(1, QStringLiteral("Tavo Stats: failed to create directories: "));
        QVERIFY(!blocked.hasEvents(local(2026, 3, 2)));
    }

    // Appends at once from several threads, or from several processes: every line whole, none lost.
    void concurrentAppendsStayWhole_data() {
        QTest::addColumn<bool>("processes");
        QTest::newRow("8 threads") << false;
        QTest::newRow("3 processes") << true;
    }
    void concurrentAppendsStayWhole() {
        QFETCH(bool, processes);
        const int writers = processes ? 3 : 8;
        constexpr int perWriter = 1000;
        const auto write = [](StatsStore& store, int writer) {
            for (int i = 0; i < perWriter; ++i) {
                store.record(StatsEventType::hydrationCompleted, StatsEventSource::notification, std::nullopt,
                             {{QStringLiteral("writer"), writer}, {QStringLiteral("countAfter"), i}},
                             local(2026, 3, 2, 10));
            }
        };
        std::vector<std::thread> threads;
        std::vector<pid_t> children;
        for (int w = 0; w < writers; ++w) {
            if (!processes) {
                threads.emplace_back([this, &write, w] { write(f->store, w); });
                continue;
            }
            const pid_t pid = fork();
            QVERIFY(pid >= 0);
            if (pid == 0) {
                StatsStore other(f->store.rootDirectory());
                write(other, w);
                _exit(0);
            }
            children.push_back(pid);
        }
        for (std::thread& thread : threads) {
            thread.join();
        }
        for (const pid_t pid : children) {
            int status = -1;
            QCOMPARE(waitpid(pid, &status, 0), pid);
            QVERIFY(WIFEXITED(status) && WEXITSTATUS(status) == 0);
        }
        QCOMPARE(readFile(monthFile(QStringLiteral("2026-03"))).count('\n'), writers * perWriter);
        const QStringList eventIds = ids(march());
        QCOMPARE(QSet<QString>(eventIds.cbegin(), eventIds.cend()).size(), writers * perWriter);
        QVERIFY(f->log.isEmpty());
    }

    void hasEvents() {
        QVERIFY(!f->store.hasEvents(local(2026, 3, 2)));
        QVERIFY(f->log.isEmpty());
        launched(local(2026, 3, 2, 0)); // the first and the last second of the day
        launched(local(2026, 3, 2, 23, 59, 59));
        QVERIFY(f->store.hasEvents(local(2026, 3, 2, 0)));
        QVERIFY(!f->store.hasEvents(local(2026, 3, 3, 0)));
        QVERIFY(!f->store.hasEvents(local(2026, 3, 1, 23, 59, 59)));
    }

    // A meta file that cannot be read counts as empty; a failed save keeps the old one.
    void meta() {
        QCOMPARE(f->store.loadMeta(), StatsMeta{});
        f->store.saveMeta({});
        QCOMPARE(readFile(metaFile()), QByteArray("{}"));
        f->store.saveMeta({QStringLiteral("2026-03-02")});
        QCOMPARE(readFile(metaFile()), QByteArray(R"({"lastDailyReportPromptDay":"2026-03-02"})"));
        QCOMPARE(f->store.loadMeta().lastDailyReportPromptDay, QStringLiteral("2026-03-02"));
        for (const char* unreadable :
             {"{\"lastDailyReportPromptDay\":", R"({"lastDailyReportPromptDay":20260302})", "[]"}) {
            QVERIFY(writeFile(metaFile(), unreadable));
            QVERIFY2(f->store.loadMeta() == StatsMeta{}, unreadable);
        }
        QVERIFY(f->log.isEmpty());

        f->store.saveMeta({QStringLiteral("2026-03-01")});
        const QByteArray before = readFile(metaFile());
        withFileSizeLimit(10, [this] { f->store.saveMeta({QStringLiteral("2026-03-02")}); });
        VERIFY_LOG(1, QStringLiteral("Tavo Stats: failed to save meta: "));
        QCOMPARE(readFile(metaFile()), before);
    }

    // Another program holding the month file's lock for good, or a pipe or a
    // folder where the month file belongs, must not freeze the caller: record()
    // comes back at once, the events wait in memory and land, in order, once the
    // obstacle is gone; events that never could be written are reported at the end.
    void obstacleHoldsEventsBack_data() {
        QTest::addColumn<QString>("obstacle");
        QTest::addColumn<bool>("removed");
        for (const QString& obstacle :
             {QStringLiteral("lock"), QStringLiteral("fifo"), QStringLiteral("folder")}) {
            QTest::newRow(qPrintable(obstacle + QStringLiteral(" removed"))) << obstacle << true;
            QTest::newRow(qPrintable(obstacle + QStringLiteral(" until the end"))) << obstacle << false;
        }
    }
    void obstacleHoldsEventsBack() {
        QFETCH(QString, obstacle);
        QFETCH(bool, removed);
        auto store = std::make_unique<StatsStore>(f->dir.filePath(QStringLiteral("Hostile")));
        const QString path = f->dir.filePath(QStringLiteral("Hostile/events/2026-03.jsonl"));
        const QByteArray existing = "{\"earlier\":1}\n";

        QProcess holder;
        if (obstacle == u"lock") {
            QVERIFY(writeFile(path, existing));
            // Holds the lock until its input closes.
            holder.start(QStringLiteral("flock"),
                         {QStringLiteral("--exclusive"), path, QStringLiteral("cat")});
            QVERIFY(holder.waitForStarted());
            QTRY_VERIFY(isLockedElsewhere(path));
        } else if (obstacle == u"fifo") {
            QCOMPARE(::mkfifo(QFile::encodeName(path).constData(), 0644), 0);
        } else {
            QVERIFY(QDir().mkpath(path));
        }

        QElapsedTimer clock;
        clock.start();
        for (int day = 2; day <= 4; ++day) {
            store->record(StatsEventType::appLaunched, StatsEventSource::system, std::nullopt, {},
                          local(2026, 3, day));
        }
        QVERIFY2(clock.elapsed() < 500, qPrintable(QString::number(clock.elapsed())));
        const auto stored = [&] { return store->events(local(2026, 3, 1, 0), local(2026, 4, 1, 0)); };
        QVERIFY(stored().isEmpty());
        VERIFY_LOG(1, QStringLiteral("Tavo Stats: failed to record event: "));

        if (!removed) {
            store.reset();
            VERIFY_LOG(2, QStringLiteral("Tavo Stats: 3 event(s) lost at exit"));
            holder.closeWriteChannel();
            QVERIFY(holder.state() == QProcess::NotRunning || holder.waitForFinished());
            return;
        }
        if (obstacle == u"lock") {
            holder.closeWriteChannel();
            QVERIFY(holder.waitForFinished());
        } else {
            QVERIFY(obstacle == u"fifo" ? QFile::remove(path) : QDir(path).removeRecursively());
        }
        // The writer thread tries again on its own, without a further event.
        QTRY_COMPARE(stored().size(), 3);
        QCOMPARE(stored().at(2).timestamp, local(2026, 3, 4));
        if (obstacle == u"lock") {
            QVERIFY(readFile(path).startsWith(existing));
        }
        store.reset();
        QCOMPARE(f->log.size(), 1);
    }
};

QTEST_GUILESS_MAIN(TestStatsStore)
#include "tst_stats_store.moc"
