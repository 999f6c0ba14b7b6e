#include "Platform/Settings.h"
#include "Stats/StatsStore.h"
#include "Wallpapers/WallpaperManager.h"
#include "support/Files.h"
#include "support/PhotoService.h"
#include "support/ServicesFixture.h"

#include <QBuffer>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QImage>
#include <QTest>

// A symbolic link where a month file, the meta file or the wallpaper cache
// belongs must not make Tavo write outside its folders: the link itself is
// replaced by a file of Tavo's own, and its target stays as it was.
class LinksTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void linkIsReplacedAndTargetKept_data() {
        QTest::addColumn<QString>("file");
        QTest::newRow("month file") << QStringLiteral("month");
        QTest::newRow("meta file") << QStringLiteral("meta");
        QTest::newRow("wallpaper cache") << QStringLiteral("cache");
    }
    void linkIsReplacedAndTargetKept() {
        QFETCH(QString, file);
        ServicesFixture f;
        const QString target = f.dir.filePath(QStringLiteral("elsewhere/precious"));
        QVERIFY(QDir().mkpath(QFileInfo(target).path()));
        QVERIFY(writeFile(target, "precious\n"));

        QString path;
        QByteArray written;
        if (file == u"cache") {
            PhotoService service;
            QImage image(32, 18, QImage::Format_RGB32);
            image.fill(Qt::red);
            QBuffer buffer(&written);
            QVERIFY(buffer.open(QIODevice::WriteOnly) && image.save(&buffer, "PNG"));
            service.route = [&](const QByteArray& requested) {
                return requested.startsWith("/v2/list") ? Response{"[]"} : Response{written, "image/png"};
            };
            f.prefs.setValue(Settings::wallpaperServiceBaseURL, service.baseUrl());
            const QString cache = f.dir.filePath(QStringLiteral("cache"));
            QVERIFY(QDir().mkpath(cache));
            path = QDir(cache).filePath(QStringLiteral("cached_wallpaper_v2.jpg"));
            QVERIFY(QFile::link(target, path));
            WallpaperManager manager(cache, f.clock, f.prefs, nullptr);
            manager.prefetchNextWallpaper();
            QTRY_VERIFY(!manager.isPrefetching());
            QTRY_COMPARE(f.log.size(), 2);
        } else if (file == u"meta") {
            path = f.store.metaPath();
            QVERIFY(QFile::link(target, path));
            f.store.saveMeta(StatsMeta{QStringLiteral("2026-03-01")});
            written = R"({"lastDailyReportPromptDay":"2026-03-01"})";
            QCOMPARE(f.store.loadMeta().lastDailyReportPromptDay, QStringLiteral("2026-03-01"));
        } else {
            path = f.store.eventsDirectory() + QStringLiteral("/2026-03.jsonl");
            QVERIFY(QFile::link(target, path));
            f.store.record(StatsEventType::appLaunched, StatsEventSource::system, std::nullopt, {},
                           f.clock.now());
            QCOMPARE(f.events().size(), 1);
        }
        QCOMPARE(readFile(target), QByteArray("precious\n"));
        QVERIFY(!QFileInfo(path).isSymbolicLink());
        QVERIFY(QFileInfo(path).isFile());
        if (!written.isEmpty()) {
            QCOMPARE(readFile(path), written);
        }
    }
};

QTEST_GUILESS_MAIN(LinksTest)
#include "tst_links_are_replaced.moc"
