#include "Platform/Settings.h"
#include "Wallpapers/WallpaperManager.h"
#include "support/PhotoService.h"
#include "support/ServicesFixture.h"

#include <QTest>

namespace {

const QString listFailed =
    QStringLiteral("⚠️ 从 Picsum 列表获取数据失败，正在尝试直连源...");
const QString tooSlow =
    QStringLiteral("⚠️ 壁纸拉取网络错误: 请求 15 秒内未完成，已中止");

} // namespace

// A server that sends one byte every 5 seconds never lets a transfer
// time-out fire. Each request ends 10 (list) or 15 (picture) seconds after it
// started however its bytes trickle in, so the fetch always ends and the next
// one can start.
class WallpaperDeadlineTest : public QObject {
    Q_OBJECT

    // Lets the fake clock run, one drip every 5 seconds.
    static void dripFor(ServicesFixture& f, PhotoService& service, double seconds) {
        for (double passed = 0; passed < seconds; passed += 5) {
            service.drip();
            QTest::qWait(20);
            f.advance(std::min(5.0, seconds - passed));
        }
    }

private Q_SLOTS:
    void slowDripEndsAtTheDeadline_data() {
        QTest::addColumn<bool>("listDrips");
        QTest::newRow("list and fallback drip") << true;
        QTest::newRow("photo and fallback drip") << false;
    }
    void slowDripEndsAtTheDeadline() {
        QFETCH(bool, listDrips);
        ServicesFixture f;
        PhotoService service;
        service.route = [&](const QByteArray& path) {
            if (path.startsWith("/v2/list") && !listDrips) {
                return Response{"[{\"id\":\"7\"}]"};
            }
            return Response{QByteArray(100, 'x'), "image/jpeg", 200, false, true};
        };
        f.prefs.setValue(Settings::wallpaperServiceBaseURL, service.baseUrl());
        WallpaperManager manager(std::nullopt, f.clock, f.prefs, nullptr);

        manager.prefetchNextWallpaper();
        QTRY_COMPARE(service.paths.size(), listDrips ? 1 : 2);
        const double first =
            listDrips ? WallpaperManager::listTimeoutSeconds : WallpaperManager::imageTimeoutSeconds;
        dripFor(f, service, first - 0.5);
        QCOMPARE(service.paths.size(), listDrips ? 1 : 2);
        QVERIFY(manager.isPrefetching());
        dripFor(f, service, 0.5);
        // The fallback starts, and drips as well.
        QTRY_COMPARE(service.paths.size(), listDrips ? 2 : 3);
        QCOMPARE(f.log.last(), listDrips ? listFailed : tooSlow);
        dripFor(f, service, WallpaperManager::imageTimeoutSeconds);
        QTRY_VERIFY(!manager.isPrefetching());
        QCOMPARE(f.log.last(), tooSlow);

        const qsizetype requests = service.paths.size();
        manager.prefetchNextWallpaper();
        QTRY_VERIFY(service.paths.size() > requests); // a new chain
    }
};

QTEST_GUILESS_MAIN(WallpaperDeadlineTest)
#include "tst_wallpaper_deadline.moc"
