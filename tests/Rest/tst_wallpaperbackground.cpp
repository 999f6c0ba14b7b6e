#include "Platform/Settings.h"
#include "Rest/Backgrounds/ClassicBackground.h"
#include "Rest/Backgrounds/WallpaperBackground.h"
#include "Rest/Components/ClassicGlows.h"
#include "Rest/Models/RestLayout.h"
#include "Rest/Models/RestTheme.h"
#include "Wallpapers/WallpaperManager.h"
#include "support/Picture.h"
#include "support/ServicesFixture.h"
#include "support/TestPhoto.h"

#include <QDir>
#include <QFile>
#include <QPainter>
#include <QTcpServer>
#include <QTemporaryDir>
#include <QTest>

using namespace Qt::StringLiterals;

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

    // Shown without a picture, the view starts one download chain however
    // often it shows, and draws the dark classic backdrop meanwhile; with one,
    // none, and the picture shows under a veil of 82 %.
    void showing_data() {
        QTest::addColumn<bool>("cached");
        QTest::newRow("a picture") << true;
        QTest::newRow("none") << false;
    }
    void showing() {
        QFETCH(bool, cached);
        f->prefs.setValue(Settings::wallpaperBlurRadius, 0.0);
        QImage white(64, 36, QImage::Format_RGB32);
        white.fill(Qt::white);
        auto source = manager(cached ? white : QImage());
        QCOMPARE(source->cachedImage().isNull(), !cached);
        WallpaperBackground view(f->clock, f->prefs, *source);
        view.resize(320, 180);
        view.show();
        QCOMPARE(source->isPrefetching(), !cached);
        view.hide();
        view.show();
        QTRY_COMPARE(connections, cached ? 0 : 1);
        QTest::qWait(50);
        QCOMPARE(connections, cached ? 0 : 1);
        QCOMPARE(source->isPrefetching(), !cached);
        const QColor shown = renderWidget(view, Qt::magenta, 1).pixelColor(2, 2);
        if (cached) {
            QCOMPARE(qGray(shown.rgb()), qRound(255 * 0.82));
        } else {
            QVERIFY(shown != QColor(Qt::magenta) && shown.lightness() < 60);
        }
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

    // A glow is drawn again at the first frame at which one has moved ten
    // pixels from where it was drawn: on screen the glows never lag further
    // behind, and a drift there and back (300 pixels each way for the
    // second glow) takes 60 steps or a few fewer, not one per frame.
    void glowsAreDrawnOnceMovedTenPixels() {
        QWidget owner;
        owner.resize(1920, 1080);
        ClassicBackdrop backdrop(f->clock, &owner);
        backdrop.appear(0);
        std::array<QPointF, 3> onScreen = ClassicGlows::offsets(0);
        int drawn = 0;
        double due = backdrop.nextStepIn(0);
        for (int frame = 1; frame * 0.03 <= 16; ++frame) {
            const double now = frame * 0.03;
            if (now > due - 1e-9) {
                if (backdrop.step(now)) {
                    onScreen = ClassicGlows::offsets(now);
                    ++drawn;
                }
                due = now + backdrop.nextStepIn(now);
            }
            for (size_t i = 0; i < onScreen.size(); ++i) {
                const QPointF off = ClassicGlows::offsets(now)[i] - onScreen[i];
                QVERIFY2(std::max(std::abs(off.x()), std::abs(off.y())) < 10.5,
                         qPrintable(QStringLiteral("glow %1 at %2 s").arg(i).arg(now)));
            }
        }
        QVERIFY2(drawn >= 50 && drawn <= 60, qPrintable(QString::number(drawn)));
    }

    // The photograph fills the screen, centred and cut at the sides or the top and
    // bottom: the sun of the 1920 x 1080 test picture lands where aspect fill puts it.
    void pictureFillsTheScreenCentred_data() {
        QTest::addColumn<QSize>("screen");
        QTest::addColumn<QPointF>("sun");
        QTest::newRow("1920x1080, same shape") << QSize(1920, 1080) << QPointF(1400, 420);
        // Scaled by 800 / 1080 to 1422 wide, 71 cut off at each side.
        QTest::newRow("1280x800, wider") << QSize(1280, 800) << QPointF(965.9, 311.1);
        // Scaled by 1024 / 1080 to 1820 wide, 270 cut off at each side.
        QTest::newRow("1280x1024, narrower") << QSize(1280, 1024) << QPointF(1057.2, 398.2);
    }
    void pictureFillsTheScreenCentred() {
        QFETCH(QSize, screen);
        QFETCH(QPointF, sun);
        auto source = manager(testLandscape());
        WallpaperBackground view(f->clock, f->prefs, *source);
        view.resize(screen);
        view.show();
        const QImage shown = renderWidget(view, Qt::magenta);
        auto empty = manager();
        WallpaperBackground loading(f->clock, f->prefs, *empty);
        loading.resize(screen);
        loading.show();
        f->clock.advance(2.0);
        const QString size =
            u"%1x%2@%3x"_s.arg(screen.width()).arg(screen.height()).arg(shown.devicePixelRatio());
        QVERIFY(saveScreenshot(shown, u"wallpaper_%1.png"_s.arg(size)));
        QVERIFY(saveScreenshot(renderWidget(loading, Qt::magenta), u"wallpaper_loading_%1.png"_s.arg(size)));

        // The sun's colour under the veil, and where it lies on the screen.
        const QColor disc(qRound(0.82 * 255), qRound(0.82 * 230), qRound(0.82 * 170));
        QPointF sum;
        int count = 0;
        for (int y = 0; y < shown.height(); ++y) {
            for (int x = 0; x < shown.width(); ++x) {
                const QColor c = shown.pixelColor(x, y);
                const int off = std::abs(c.red() - disc.red()) + std::abs(c.green() - disc.green()) +
                                std::abs(c.blue() - disc.blue());
                sum += off < 24 ? QPointF(x + 0.5, y + 0.5) : QPointF();
                count += off < 24;
            }
        }
        QVERIFY(count > 0);
        const QPointF centre = sum / count / shown.devicePixelRatio();
        QVERIFY2((centre - sun).manhattanLength() < 3, qPrintable(QDebug::toString(centre)));
    }
};

QTEST_MAIN(TestWallpaperBackground)
#include "tst_wallpaperbackground.moc"
