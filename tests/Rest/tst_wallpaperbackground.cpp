#include "Platform/Settings.h"
#include "Rest/Backgrounds/WallpaperBackground.h"
#include "Rest/Models/RestLayout.h"
#include "Rest/Models/RestTheme.h"
#include "Wallpapers/WallpaperManager.h"
#include "support/ServicesFixture.h"
#include "support/TestPhoto.h"

#include <QDir>
#include <QFile>
#include <QPainter>
#include <QTcpServer>
#include <QTemporaryDir>
#include <QTest>

namespace {

QImage render(QWidget& widget) {
    QImage frame(widget.size(), QImage::Format_ARGB32_Premultiplied);
    frame.fill(Qt::magenta);
    widget.render(&frame);
    return frame;
}

} // namespace

class TestWallpaperBackground : public QObject {
    Q_OBJECT
private:
    std::unique_ptr<ServicesFixture> f;
    std::unique_ptr<QTcpServer> service;
    int connections = 0;

    // A manager whose cache file holds the given picture (none: no cache).
    std::unique_ptr<WallpaperManager> manager(const QImage& cached = {}) {
        const QString cache = f->dir.filePath(QStringLiteral("cache"));
        QDir().mkpath(cache);
        if (!cached.isNull()) {
            cached.save(QDir(cache).filePath(WallpaperManager::cacheFileName), "JPG", 95);
        }
        auto result = std::make_unique<WallpaperManager>(cache, f->clock, f->prefs, nullptr);
        if (!cached.isNull()) {
            QTest::qWait(20); // the cache is published a moment after creation
        }
        return result;
    }

private Q_SLOTS:
    void init() {
        f = std::make_unique<ServicesFixture>();
        service = std::make_unique<QTcpServer>();
        QVERIFY(service->listen(QHostAddress::LocalHost));
        connections = 0;
        connect(service.get(), &QTcpServer::newConnection, this, [this] {
            // Accepted and never answered: a chain stays at its first request.
            ++connections;
            service->nextPendingConnection()->setParent(service.get());
        });
        f->prefs.setValue(Settings::wallpaperServiceBaseURL,
                          QStringLiteral("http://127.0.0.1:%1").arg(service->serverPort()));
    }
    void cleanup() {
        service.reset();
        f.reset();
    }

    void showingWithAnImageStartsNoDownload() {
        auto source = manager(testLandscape());
        QVERIFY(!source->cachedImage().isNull());
        WallpaperBackground view(f->clock, f->prefs, *source);
        view.resize(480, 270);
        view.show();
        QTest::qWait(50);
        QVERIFY(!source->isPrefetching());
        QCOMPARE(connections, 0);
    }

    void showingWithoutImageStartsOneChain() {
        auto source = manager();
        WallpaperBackground view(f->clock, f->prefs, *source);
        view.resize(480, 270);
        view.show();
        QVERIFY(source->isPrefetching());
        view.hide();
        view.show();
        QTRY_COMPARE(connections, 1);
        QTest::qWait(50);
        QCOMPARE(connections, 1);
    }

    void veilDarkensBothStates() {
        f->prefs.setValue(Settings::wallpaperBlurRadius, 0.0);
        QImage white(64, 36, QImage::Format_RGB32);
        white.fill(Qt::white);
        auto source = manager(white);
        WallpaperBackground view(f->clock, f->prefs, *source);
        view.resize(320, 180);
        QCOMPARE(qGray(render(view).pixel(160, 90)), qRound(255 * 0.82));

        auto empty = manager();
        WallpaperBackground loading(f->clock, f->prefs, *empty);
        loading.resize(320, 180);
        const QImage frame = render(loading);
        // The classic backdrop is dark, so the veil shows only as "not magenta, dark".
        QVERIFY(frame.pixelColor(2, 2) != QColor(Qt::magenta));
        QVERIFY(frame.pixelColor(2, 2).lightness() < 60);
    }

    void aspectFillCoversAndCentres_data() {
        QTest::addColumn<QSizeF>("image");
        QTest::addColumn<QSizeF>("area");
        QTest::addColumn<QRectF>("expected");
        QTest::newRow("same shape") << QSizeF(1920, 1080) << QSizeF(3840, 2160) << QRectF(0, 0, 3840, 2160);
        QTest::newRow("wider image") << QSizeF(2000, 500) << QSizeF(1000, 500) << QRectF(-500, 0, 2000, 500);
        QTest::newRow("taller image") << QSizeF(100, 200) << QSizeF(400, 300) << QRectF(0, -250, 400, 800);
    }
    void aspectFillCoversAndCentres() {
        QFETCH(QSizeF, image);
        QFETCH(QSizeF, area);
        QFETCH(QRectF, expected);
        QCOMPARE(WallpaperBackground::aspectFillRect(image, area), expected);
    }

    void blurRadiusPreferenceSoftensThePicture() {
        QImage halves(400, 200, QImage::Format_RGB32);
        halves.fill(Qt::black);
        QPainter(&halves).fillRect(QRect(200, 0, 200, 200), Qt::white);
        const QImage sharp = WallpaperBackground::composePicture(halves, QSize(400, 200), 1, 0);
        const QImage soft = WallpaperBackground::composePicture(halves, QSize(400, 200), 1, 15);
        QCOMPARE(qGray(sharp.pixel(195, 100)), 0);
        QVERIFY(qGray(soft.pixel(195, 100)) > 40);
        // Far from the edge the blur leaves the colours, including at the borders.
        QVERIFY(qGray(soft.pixel(398, 100)) > 230);
        QVERIFY(qGray(soft.pixel(1, 100)) < 25);
    }

    void loadingLineStaysClearOfTheRestText_data() {
        QTest::addColumn<QSizeF>("screen");
        QTest::newRow("1920x1080") << QSizeF(1920, 1080);
        QTest::newRow("1280x800") << QSizeF(1280, 800);
        QTest::newRow("3840x2160") << QSizeF(3840, 2160);
    }
    void loadingLineStaysClearOfTheRestText() {
        QFETCH(QSizeF, screen);
        constexpr double stack = 62;
        const double top = WallpaperBackground::loadingStackTop(screen, stack);
        const QRectF loading(0, top, screen.width(), stack);
        const RestLayout layout = RestLayout::compute(screen, RestTheme::Wallpaper);
        QVERIFY(!loading.intersects(layout.tip));
        QVERIFY(!loading.intersects(layout.ring));
        QVERIFY(!loading.intersects(layout.skipButton));
    }

    // Both states at 1920 x 1080; saved to $TAVO_SCREENSHOT_DIR when set.
    void screenshots() {
        auto source = manager(testLandscape());
        WallpaperBackground view(f->clock, f->prefs, *source);
        view.resize(1920, 1080);
        view.show();
        const QImage shown = render(view);
        auto empty = manager();
        WallpaperBackground loading(f->clock, f->prefs, *empty);
        loading.resize(1920, 1080);
        loading.show();
        f->clock.advance(2.0);
        const QImage waiting = render(loading);
        if (const QString out = qEnvironmentVariable("TAVO_SCREENSHOT_DIR"); !out.isEmpty()) {
            QVERIFY(shown.save(QDir(out).filePath(QStringLiteral("wallpaper_1920x1080.png"))));
            QVERIFY(waiting.save(QDir(out).filePath(QStringLiteral("wallpaper_loading_1920x1080.png"))));
        }
        // The sun, softened but still the brightest spot of the sky.
        QVERIFY(shown.pixelColor(1400, 420).lightness() > shown.pixelColor(300, 100).lightness());
    }
};

QTEST_MAIN(TestWallpaperBackground)
#include "tst_wallpaperbackground.moc"
