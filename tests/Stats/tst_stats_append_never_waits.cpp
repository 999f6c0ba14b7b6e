#include "Stats/StatsStore.h"
#include "support/Files.h"
#include "support/ServicesFixture.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QTest>

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

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

// Another program holding the month file's lock for good, or a pipe or a
// folder where the month file belongs, must not freeze the caller: record()
// comes back at once, the events wait in memory and land, in order, once the
// obstacle is gone; events that never could be written are reported at the end.
class StatsAppendTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
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
        ServicesFixture f;
        auto store = std::make_unique<StatsStore>(f.dir.filePath(QStringLiteral("Hostile")));
        const QString path = store->eventsDirectory() + QStringLiteral("/2026-03.jsonl");
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
                          QDateTime(QDate(2026, 3, day), QTime(12, 0)));
        }
        QVERIFY2(clock.elapsed() < 500, qPrintable(QString::number(clock.elapsed())));
        QVERIFY(store->events(QDateTime(QDate(2026, 3, 1), QTime()), QDateTime(QDate(2026, 4, 1), QTime()))
                    .isEmpty());
        QCOMPARE(f.log.size(), 1);
        QVERIFY2(f.log[0].startsWith(QStringLiteral("Tavo Stats: failed to record event: ")),
                 qPrintable(f.log[0]));

        if (!removed) {
            store.reset();
            QCOMPARE(f.log.size(), 2);
            QVERIFY2(f.log[1].startsWith(QStringLiteral("Tavo Stats: 3 event(s) lost at exit")),
                     qPrintable(f.log[1]));
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
        const auto march = [&] {
            return store->events(QDateTime(QDate(2026, 3, 1), QTime()),
                                 QDateTime(QDate(2026, 4, 1), QTime()));
        };
        QTRY_COMPARE(march().size(), 3);
        QCOMPARE(march().at(2).timestamp, QDateTime(QDate(2026, 3, 4), QTime(12, 0)));
        if (obstacle == u"lock") {
            QVERIFY(readFile(path).startsWith(existing));
        }
        store.reset();
        QCOMPARE(f.log.size(), 1);
    }
};

QTEST_GUILESS_MAIN(StatsAppendTest)
#include "tst_stats_append_never_waits.moc"
