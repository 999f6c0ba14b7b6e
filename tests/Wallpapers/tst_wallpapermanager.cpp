#include "Platform/Settings.h"
#include "Wallpapers/WallpaperManager.h"
#include "support/Files.h"
#include "support/PhotoService.h"
#include "support/ServicesFixture.h"

#include <QBuffer>
#include <QDir>
#include <QFileInfo>
#include <QRegularExpression>
#include <QSignalSpy>
#include <QTest>

namespace {

QByteArray pngBytes(QColor colour) {
    QImage image(64, 36, QImage::Format_RGB32);
    image.fill(colour);
    QBuffer buffer;
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "PNG");
    return buffer.data();
}

const QString listFailed =
    QStringLiteral("⚠️ 从 Picsum 列表获取数据失败，正在尝试直连源...");
const QString notAnImage = QStringLiteral("⚠️ 拉取的壁纸数据无法解析为 NSImage。");
const QString tooSlow =
    QStringLiteral("⚠️ 壁纸拉取网络错误: 请求 15 秒内未完成，已中止");
const QString successPrefix = QStringLiteral("✨ 成功预缓存了最新的高清背景壁纸 (源: ");
const QRegularExpression listPath(QStringLiteral("^/v2/list\\?page=([1-9]|10)&limit=30$"));
const QRegularExpression
    fallbackPath(QStringLiteral("^/1920/1080\\?random=[0-9A-F]{8}(-[0-9A-F]{4}){3}-[0-9A-F]{12}$"));

} // namespace

Q_DECLARE_METATYPE(Response)

class TestWallpaperManager : public QObject {
    Q_OBJECT
private:
    std::unique_ptr<ServicesFixture> f;
    std::unique_ptr<PhotoService> service;

    std::unique_ptr<WallpaperManager> makeManager(const QString& cache = QStringLiteral("cache")) {
        return std::make_unique<WallpaperManager>(f->dir.filePath(cache), f->clock, f->prefs, nullptr);
    }
    // The list answers with list, every other path with photo.
    void serve(const Response& list, const Response& photo) {
        service->route = [list, photo](const QByteArray& path) {
            return path.startsWith("/v2/list") ? list : photo;
        };
    }
    // Waits until the chain has printed its last line.
    void waitForLines(int count) { QTRY_COMPARE_WITH_TIMEOUT(f->log.size(), count, 5000); }

private Q_SLOTS:
    void init() {
        f = std::make_unique<ServicesFixture>();
        service = std::make_unique<PhotoService>();
        f->prefs.setValue(Settings::wallpaperServiceBaseURL, service->baseUrl() + QStringLiteral("/"));
    }
    void cleanup() {
        service.reset();
        f.reset();
    }

    // A photo the list names is published once and cached byte for byte in
    // place of whatever an earlier run left there (ignored without a word) or a
    // link there (its target kept as it was); its id
    // stays one path segment whatever it holds, and a cache folder that cannot
    // be written (a regular file is in the way, even for root) costs a warning.
    void photoOfListPageIsPublishedAndCached_data() {
        QTest::addColumn<QByteArray>("list");
        QTest::addColumn<QString>("cache");
        QTest::addColumn<QByteArray>("photoPath");
        QTest::newRow("list page") << QByteArray("[{\"id\":\"17\",\"author\":\"A\",\"width\":5000}]")
                                   << QStringLiteral("cache") << QByteArray("/id/17/1920/1080");
        QTest::newRow("hostile id")
            << QByteArray("[{\"id\":\"../../v2/list?x=1\\r\\nHost: evil #\"}]") << QStringLiteral("cache")
            << QByteArray("/id/..%2F..%2Fv2%2Flist%3Fx%3D1%0D%0AHost%3A%20evil%20%23/1920/1080");
        QTest::newRow("unwritable cache folder")
            << QByteArray("[{\"id\":\"5\"}]") << QStringLiteral("blocker/cache")
            << QByteArray("/id/5/1920/1080");
    }
    void photoOfListPageIsPublishedAndCached() {
        QFETCH(QByteArray, list);
        QFETCH(QString, cache);
        QFETCH(QByteArray, photoPath);
        const bool writable = cache == u"cache";
        const QString cacheFile = f->dir.filePath(cache + QStringLiteral("/cached_wallpaper_v2.jpg"));
        QVERIFY(writeFile(f->dir.filePath(QStringLiteral("blocker")), {}));
        // Left by an earlier run, or a link to a file outside Tavo's folders.
        const QString elsewhere = f->dir.filePath(QStringLiteral("elsewhere"));
        QVERIFY(writeFile(elsewhere, "not a jpeg"));
        QVERIFY(!writable || (QDir().mkpath(f->dir.filePath(cache)) && QFile::link(elsewhere, cacheFile)));
        const QByteArray photo = pngBytes(Qt::red);
        serve(Response{list}, Response{photo, "image/jpeg"});
        auto manager = makeManager(cache);
        QSignalSpy published(manager.get(), &WallpaperManager::cachedImageChanged);
        manager->prefetchNextWallpaper();
        QVERIFY(manager->isPrefetching());
        manager->prefetchNextWallpaper(); // while fetching: leaves no trace
        waitForLines(writable ? 2 : 3);
        QTRY_VERIFY(!manager->isPrefetching());
        QTest::qWait(100);

        QCOMPARE(service->paths.size(), 2);
        QVERIFY(listPath.match(QString::fromLatin1(service->paths[0])).hasMatch());
        QCOMPARE(service->paths[1], photoPath);
        if (!writable) {
            QVERIFY(
                f->log.takeAt(1).startsWith(QStringLiteral("⚠️ 写入本地壁纸缓存磁盘失败: ")));
        }
        // Printed as a URL is shown: a space decoded, a line break never.
        const QString photoUrl = QUrl(service->baseUrl() + QString::fromLatin1(photoPath)).toString();
        QCOMPARE(f->log, QStringList({QStringLiteral("Tavo: 动态随机拉取 Picsum 壁纸: ") + photoUrl,
                                      successPrefix + photoUrl + QStringLiteral(")。")}));
        QCOMPARE(published.size(), 1);
        QCOMPARE(manager->cachedImage().pixelColor(3, 3), QColor(Qt::red));
        QCOMPARE(readFile(cacheFile), writable ? photo : QByteArray());
        QVERIFY(!QFileInfo(cacheFile).isSymbolicLink());
        QCOMPARE(readFile(elsewhere), QByteArray("not a jpeg"));
    }

    // Each way the chain ends up at the fallback photo, once, and with what
    // it prints (the start of each line): a list that names no usable photo,
    // a photo that is no image, a failed fallback, a network that fails. The
    // chain counts as running until its end, and the next prefetch runs it
    // again.
    void chainsEndingInTheFallback_data() {
        QTest::addColumn<Response>("list");
        QTest::addColumn<Response>("photo");
        QTest::addColumn<Response>("fallback");
        QTest::addColumn<QStringList>("lines");
        QTest::addColumn<QColor>("published"); // invalid: none
        const QString named = QStringLiteral("Tavo: 动态随机拉取 Picsum 壁纸: ");
        const Response blue{pngBytes(Qt::blue), "image/jpeg"};
        const auto list = [&](const char* name, const QByteArray& body, const QString& first) {
            QTest::newRow(name) << Response{body} << blue << blue << QStringList{first, successPrefix}
                                << QColor(Qt::blue);
        };
        list("entry without id", "[{\"id\":\"1\"},{\"author\":\"B\"}]", listFailed);
        list("id not a string", "[{\"id\":3}]", listFailed);
        list("empty list", "[]", listFailed);
        list("not an array", "{\"id\":\"1\"}", listFailed);
        list("html page", "<html>502</html>", listFailed);
        list("no body", QByteArray(), listFailed);
        // A dot segment or nothing as the id would name another path.
        list("id ..", "[{\"id\":\"..\"}]", named);
        list("id .", "[{\"id\":\".\"}]", named);
        list("empty id", "[{\"id\":\"\"}]", named);
        QTest::newRow("html error page for the photo")
            << Response{"[{\"id\":\"5\"}]"}
            << Response{"<html><body>Not Found</body></html>", "text/html", 404}
            << Response{pngBytes(Qt::green), "image/jpeg"} << QStringList{named, notAnImage, successPrefix}
            << QColor(Qt::green);
        QTest::newRow("failed fallback") << Response{"[]"} << blue << Response{"nope", "text/plain", 500}
                                         << QStringList{listFailed, notAnImage} << QColor();
        // The connection ends with half the promised photo sent: a JPEG cut
        // short still decodes (grey below), so only the transfer tells.
        QImage picture(640, 360, QImage::Format_RGB32);
        picture.fill(Qt::red);
        QBuffer jpeg;
        jpeg.open(QIODevice::WriteOnly);
        picture.save(&jpeg, "JPEG");
        const QByteArray whole = jpeg.data();
        QTest::newRow("photo cut short")
            << Response{"[{\"id\":\"9\"}]"}
            << Response{whole.left(whole.size() / 2), "image/jpeg", 200, false, false, whole.size()}
            << Response{pngBytes(Qt::green), "image/jpeg"}
            << QStringList{named, QStringLiteral("⚠️ 壁纸拉取网络错误: "), successPrefix}
            << QColor(Qt::green);
        // Printed for a download only, with what went wrong.
        const Response dropped{{}, {}, 200, true};
        QTest::newRow("network errors")
            << dropped << dropped << dropped
            << QStringList{listFailed, QStringLiteral("⚠️ 壁纸拉取网络错误: ")} << QColor();
    }
    void chainsEndingInTheFallback() {
        QFETCH(Response, list);
        QFETCH(Response, photo);
        QFETCH(Response, fallback);
        QFETCH(QStringList, lines);
        QFETCH(QColor, published);
        auto manager = makeManager();
        // Every request comes while the chain still counts as running.
        bool idleMidChain = false;
        service->route = [&](const QByteArray& path) {
            idleMidChain |= !manager->isPrefetching();
            return path.startsWith("/v2/list") ? list : path.startsWith("/id/") ? photo : fallback;
        };
        for (int run = 1; run <= 2; ++run) {
            manager->prefetchNextWallpaper();
            waitForLines(run * lines.size());
            QTRY_VERIFY(!manager->isPrefetching());
            if (!list.dropConnection) {                              // a dropped request may be retried
                QCOMPARE(service->paths.size(), run * lines.size()); // a line for each request
            }
        }
        QVERIFY(!idleMidChain);
        QVERIFY(listPath.match(QString::fromLatin1(service->paths.first())).hasMatch());
        QVERIFY(fallbackPath.match(QString::fromLatin1(service->paths.last())).hasMatch());
        for (int i = 0; i < f->log.size(); ++i) {
            const QString& line = f->log[i];
            // A warning says what went wrong.
            QVERIFY2(line.startsWith(lines[i % lines.size()]) &&
                         !(line.startsWith(QStringLiteral("⚠️")) && line.endsWith(QStringLiteral(": "))),
                     qPrintable(line));
        }
        const QImage image = manager->cachedImage();
        QCOMPARE(image.isNull() ? QColor() : image.pixelColor(0, 0), published);
    }

    void photoCachedByAnEarlierRunIsPublished() {
        QVERIFY(QDir().mkpath(f->dir.filePath(QStringLiteral("cache"))));
        QVERIFY(writeFile(f->dir.filePath(QStringLiteral("cache/cached_wallpaper_v2.jpg")),
                          pngBytes(Qt::magenta)));
        auto manager = makeManager();
        QVERIFY(manager->cachedImage().isNull()); // read without holding up the start
        QSignalSpy published(manager.get(), &WallpaperManager::cachedImageChanged);
        QVERIFY(published.wait(1000));
        QCOMPARE(manager->cachedImage().pixelColor(1, 1), QColor(Qt::magenta));
    }

    // A server that sends one byte every 5 seconds never lets a transfer
    // time-out fire. Each request ends 10 (list) or 15 (picture) seconds after it
    // started however its bytes trickle in, so the fetch always ends and the next
    // one can start.
    void slowDripEndsAtTheDeadline_data() {
        QTest::addColumn<bool>("listDrips");
        QTest::newRow("list and fallback drip") << true;
        QTest::newRow("photo and fallback drip") << false;
    }
    void slowDripEndsAtTheDeadline() {
        QFETCH(bool, listDrips);
        service->route = [&](const QByteArray& path) {
            if (path.startsWith("/v2/list") && !listDrips) {
                return Response{"[{\"id\":\"7\"}]"};
            }
            return Response{QByteArray(100, 'x'), "image/jpeg", 200, false, true};
        };
        // Lets the fake clock run, one drip every 5 seconds.
        const auto dripFor = [this](double seconds) {
            for (double passed = 0; passed < seconds; passed += 5) {
                service->drip();
                QTest::qWait(20);
                f->advance(std::min(5.0, seconds - passed));
            }
        };
        WallpaperManager manager(std::nullopt, f->clock, f->prefs, nullptr);

        manager.prefetchNextWallpaper();
        QTRY_COMPARE(service->paths.size(), listDrips ? 1 : 2);
        dripFor((listDrips ? 10 : 15) - 0.5); // the list's time-out, or the picture's
        QCOMPARE(service->paths.size(), listDrips ? 1 : 2);
        QVERIFY(manager.isPrefetching());
        dripFor(0.5);
        // The fallback starts, and drips as well.
        QTRY_COMPARE(service->paths.size(), listDrips ? 2 : 3);
        QCOMPARE(f->log.last(), listDrips ? listFailed : tooSlow);
        dripFor(15);
        QTRY_VERIFY(!manager.isPrefetching());
        QCOMPARE(f->log.last(), tooSlow);

        const qsizetype requests = service->paths.size();
        manager.prefetchNextWallpaper();
        QTRY_VERIFY(service->paths.size() > requests); // a new chain
    }
};

QTEST_GUILESS_MAIN(TestWallpaperManager)
#include "tst_wallpapermanager.moc"
