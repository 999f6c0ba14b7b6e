#include "Stats/StatsStore.h"
#include "support/Files.h"
#include "support/ServicesFixture.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTest>

// A symbolic link where a month file or the meta file belongs must not make
// Tavo write outside its folders: the link itself is replaced by a file of
// Tavo's own, and its target stays as it was. (The wallpaper cache's link is
// tried with the photo it caches.)
class LinksTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void linkIsReplacedAndTargetKept_data() {
        QTest::addColumn<bool>("meta");
        QTest::newRow("month file") << false;
        QTest::newRow("meta file") << true;
    }
    void linkIsReplacedAndTargetKept() {
        QFETCH(bool, meta);
        ServicesFixture f;
        const QString target = f.dir.filePath(QStringLiteral("elsewhere/precious"));
        QVERIFY(QDir().mkpath(QFileInfo(target).path()));
        QVERIFY(writeFile(target, "precious\n"));
        const QString path =
            meta ? f.store.metaPath() : f.store.eventsDirectory() + QStringLiteral("/2026-03.jsonl");
        QVERIFY(QFile::link(target, path));
        if (meta) {
            f.store.saveMeta(StatsMeta{QStringLiteral("2026-03-01")});
            QCOMPARE(readFile(path), QByteArray(R"({"lastDailyReportPromptDay":"2026-03-01"})"));
            QCOMPARE(f.store.loadMeta().lastDailyReportPromptDay, QStringLiteral("2026-03-01"));
        } else {
            f.store.record(StatsEventType::appLaunched, StatsEventSource::system, std::nullopt, {},
                           f.clock.now());
            QCOMPARE(f.events().size(), 1);
        }
        QCOMPARE(readFile(target), QByteArray("precious\n"));
        QVERIFY(QFileInfo(path).isFile() && !QFileInfo(path).isSymbolicLink());
    }
};

QTEST_GUILESS_MAIN(LinksTest)
#include "tst_links_are_replaced.moc"
