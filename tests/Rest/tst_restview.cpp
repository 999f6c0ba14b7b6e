// The rest view on the offscreen platform: what each theme draws, that
// repainting only what moved leaves the same picture as a full repaint, the
// picker, theme changes reaching every view, and holds by mouse and space bar.
#include "Platform/Settings.h"
#include "Rest/Backgrounds/WallpaperBackground.h"
#include "Rest/Components/CachedPicture.h"
#include "Rest/Components/ImageBlur.h"
#include "Rest/Components/MouseTouchBridge.h"
#include "Rest/Components/RestingCatView.h"
#include "Rest/Components/ThemeSelectorOverlay.h"
#include "Rest/Models/RestCopy.h"
#include "Rest/Models/SkipHold.h"
#include "Rest/RestView.h"
#include "Wallpapers/WallpaperManager.h"
#include "support/Picture.h"
#include "support/ServicesFixture.h"
#include "support/TestPhoto.h"

#include <QDir>
#include <QGraphicsBlurEffect>
#include <QGraphicsPixmapItem>
#include <QGraphicsScene>
#include <QPainter>
#include <QRadialGradient>
#include <QScreen>
#include <QTemporaryDir>
#include <QtTest>

#include <memory>

using namespace Qt::StringLiterals;

class RestViewTest : public QObject {
    Q_OBJECT

private:
    QTemporaryDir cache;
    std::unique_ptr<ServicesFixture> f;
    std::unique_ptr<WallpaperManager> wallpapers;
    int seconds = 20;
    QStringList skips;

    // Made on first use, over the cache that holds a photograph.
    WallpaperManager& wallpaperManager() {
        if (!wallpapers) {
            wallpapers = std::make_unique<WallpaperManager>(cache.path(), f->clock, f->prefs, nullptr);
        }
        return *wallpapers;
    }

    // The stored theme, its photograph loaded for the wallpaper theme.
    void useTheme(const QString& theme) {
        f->prefs.setValue(Settings::selectedTheme, theme);
        if (theme == u"wallpaper") {
            QTRY_VERIFY(!wallpaperManager().cachedImage().isNull());
        }
    }

    std::unique_ptr<RestView> makeView() {
        auto view = std::make_unique<RestView>(
            RestServices{f->clock, f->prefs, [this]() -> WallpaperManager& { return wallpaperManager(); }},
            20, RestView::Binding{[this] { return seconds; }, [this](int value) { seconds = value; }},
            QStringLiteral("本集标题 · 打工人终于眨眼了"),
            [this](const QString& line) { skips.append(line); });
        view->resize(1920, 1080);
        view->show();
        return view;
    }

    static QImage frame(RestView& view) { return renderWidget(view, Qt::black, 1); }

    // Teal or cyan: strong green and blue, weaker red.
    static bool isArcColour(QRgb pixel) {
        return qGreen(pixel) > 150 && qBlue(pixel) > 170 && qRed(pixel) < 140;
    }

    // How many pixels of `area`, on every `step`th row, pass `ink`.
    static int count(const QImage& image, const QRect& area, bool (*ink)(QRgb), int step = 1) {
        int count = 0;
        for (int y = area.top(); y <= area.bottom(); y += step) {
            for (int x = area.left(); x <= area.right(); ++x) {
                count += ink(image.pixel(x, y));
            }
        }
        return count;
    }

private Q_SLOTS:
    void initTestCase() {
        // The wallpaper theme finds a photograph in its cache.
        QVERIFY(
            testLandscape().save(QDir(cache.path()).filePath(WallpaperManager::cacheFileName), "JPG", 95));
    }

    // Seconds of fake time on screen, with the countdown moving and a hold let
    // go, each frame painting only what was marked; what is on screen then
    // must be what a full repaint draws. Ultraman's halo breathes on while its
    // figure hangs at the top of its float, past eight seconds.
    void partialRepaintsMatchAFullRepaint_data() {
        QTest::addColumn<QString>("theme");
        QTest::newRow("aurora") << u"aurora"_s;
        QTest::newRow("wallpaper, photo") << u"wallpaper"_s;
        QTest::newRow("ultraman") << u"ultraman"_s;
        QTest::newRow("classic, loading a photo") << QString();
    }
    void partialRepaintsMatchAFullRepaint() {
        QFETCH(QString, theme);
        const int span = theme == u"ultraman" ? 10 : 3; // seconds
        std::unique_ptr<QWidget> widget;
        std::unique_ptr<WallpaperManager> empty;
        if (theme.isEmpty()) {
            empty = std::make_unique<WallpaperManager>(std::nullopt, f->clock, f->prefs, nullptr);
            widget = std::make_unique<WallpaperBackground>(f->clock, f->prefs, *empty);
            widget->resize(1920, 1080);
            widget->show();
        } else {
            useTheme(theme);
            widget = makeView();
        }
        auto* view = qobject_cast<RestView*>(widget.get());
        QVERIFY(QTest::qWaitForWindowExposed(widget.get()));
        // Compared between ticks and outside the short transitions, whose
        // last frame may lag the clock: the countdown's arc after each
        // second, the button's disc and the arc's rewind after the release.
        const QList<int> checks = {50, 90, 150, 195, 250, 290};
        int worst = 0;
        QImage painted;
        for (int step = 1; step <= 100 * span; ++step) {
            f->clock.advance(0.01);
            if (step % 100 == 0) {
                --seconds;
            }
            if (view && step == 120) {
                QTest::keyPress(view, Qt::Key_Space);
            }
            if (view && step == 170) {
                QTest::keyRelease(view, Qt::Key_Space);
            }
            // What the window system would ask for after each step.
            QEvent paint(QEvent::UpdateRequest);
            QCoreApplication::sendEvent(widget.get(), &paint);
            if (checks.contains(step) || (step > 300 && (step % 100 == 50 || step % 100 == 90))) {
                painted = widget->screen()->grabWindow(widget->winId()).toImage();
                worst = std::max(worst, largestDifference(painted, widget->grab().toImage()));
            }
        }
        QVERIFY(saveScreenshot(painted,
                               u"partial_%1_1920x1080.png"_s.arg(theme.isEmpty() ? u"classic"_s : theme)));
        QVERIFY2(worst <= 1, qPrintable(QString::number(worst)));
    }

    void init() {
        f = std::make_unique<ServicesFixture>();
        // The wallpaper theme asks for a photo: let it fail at once, never on the network.
        f->prefs.setValue(Settings::wallpaperServiceBaseURL, QStringLiteral("http://127.0.0.1:9"));
        seconds = 20;
        skips.clear();
    }
    void cleanup() {
        wallpapers.reset();
        f.reset();
    }

    // Where the progress arc shows, by the clock face round the ring's centre:
    // full at the start, gone once the rest runs out; at half, after the 0.1 s
    // tick that sees it, the arc runs back linearly over 0.1 s, so three quarters
    // of the way it still reaches half past seven. Ultraman draws no ring.
    void arc_data() {
        QTest::addColumn<QString>("theme");
        QTest::addColumn<int>("left");
        QTest::addColumn<double>("after");
        QTest::addColumn<QString>("shown"); // at 3, 7:30 and 9 o'clock: 1 arc, 0 none
        QTest::newRow("aurora, full") << "aurora" << 20 << 0.0 << "111";
        QTest::newRow("aurora, run out") << "aurora" << 0 << 0.2 << "000";
        QTest::newRow("aurora, half, rewinding") << "aurora" << 10 << 0.15 << "11 ";
        QTest::newRow("aurora, half") << "aurora" << 10 << 0.2 << "100";
        QTest::newRow("wallpaper") << "wallpaper" << 20 << 0.0 << "1 1";
        QTest::newRow("ultraman") << "ultraman" << 20 << 0.0 << "0 0";
    }
    void arc() {
        QFETCH(QString, theme);
        QFETCH(double, after);
        QFETCH(QString, shown);
        f->prefs.setValue(Settings::selectedTheme, theme);
        auto view = makeView();
        QCOMPARE(RestThemes::rawValue(view->currentTheme()), theme);
        QVERIFY(RestCopy::tips().contains(view->tipText()));
        QFETCH(int, left);
        seconds = left;
        f->clock.advance(after);
        const QImage image = frame(*view);
        // Ultraman has no ring: looked for where aurora draws it.
        const QPointF centre = (view->currentTheme() == RestTheme::Ultraman
                                    ? RestLayout::compute(view->size(), RestTheme::Aurora)
                                    : view->layout())
                                   .ring.center();
        const QPointF points[] = {{95, 0}, {-67, 67}, {-95, 0}};
        for (int i = 0; i < 3; ++i) {
            if (shown[i] != u' ') {
                QVERIFY2(isArcColour(image.pixel((centre + points[i]).toPoint())) == (shown[i] == u'1'),
                         qPrintable(QString::number(i)));
            }
        }
    }

    // A repaint area grown for a fractional ratio: left and top edges at most
    // a quarter of a device pixel past a whole one, right and bottom ones at
    // most a quarter short, never far from where they were; whole ratios
    // leave it alone, and a ratio a hair off a whole one keeps it near.
    void repaintAreasGrowLittle_data() {
        QTest::addColumn<double>("ratio");
        QTest::addColumn<QRect>("grown"); // empty: only the properties are checked
        QTest::newRow("1.25: the 4-point grid") << 1.25 << QRect(QPoint(100, 48), QPoint(115, 63));
        QTest::newRow("4/3, rounded as a widget reports it")
            << 87381 / 65536.0 << QRect(QPoint(99, 48), QPoint(113, 62));
        QTest::newRow("2") << 2.0 << QRect(QPoint(101, 50), QPoint(113, 61));
        QTest::newRow("1.1") << 1.1 << QRect();
        QTest::newRow("a typed 1.0001") << 1.0001 << QRect();
    }
    void repaintAreasGrowLittle() {
        QFETCH(double, ratio);
        QFETCH(QRect, grown);
        const QRect area(QPoint(101, 50), QPoint(113, 61));
        const QRect result = onDeviceGrid(area, ratio);
        if (!grown.isEmpty()) {
            QCOMPARE(result, grown);
            return;
        }
        QVERIFY(result.contains(area));
        QVERIFY2(area.marginsAdded(QMargins(96, 96, 96, 96)).contains(result),
                 qPrintable(QDebug::toString(result)));
        if (ratio < 1.001) {
            return;
        }
        const auto past = [&](int point) { return point * ratio - std::floor(point * ratio + 1e-9); };
        QVERIFY(past(result.left()) <= 0.25 && past(result.top()) <= 0.25);
        QVERIFY(past(result.right() + 1) < 1e-6 || past(result.right() + 1) >= 0.75);
        QVERIFY(past(result.bottom() + 1) < 1e-6 || past(result.bottom() + 1) >= 0.75);
    }

    // The region a breathing glow is redrawn in: every pixel the ring touches,
    // and for a thin ring well under its box.
    void ringRegionCoversTheRing_data() {
        QTest::addColumn<QPointF>("centre");
        QTest::addColumn<double>("inner");
        QTest::addColumn<double>("outer");
        QTest::addColumn<double>("boxShare"); // largest share of its box
        QTest::newRow("thin, whole centre") << QPointF(960, 300) << 101.0 << 119.0 << 0.45;
        QTest::newRow("thin, half-pixel centre") << QPointF(960.5, 299.5) << 118.2 << 142.3 << 0.45;
        QTest::newRow("no hole") << QPointF(10.25, 20.75) << 0.0 << 7.5 << 1.0;
        QTest::newRow("hole within a band") << QPointF(50, 50) << 3.0 << 30.0 << 1.0;
    }
    void ringRegionCoversTheRing() {
        QFETCH(QPointF, centre);
        QFETCH(double, inner);
        QFETCH(double, outer);
        QFETCH(double, boxShare);
        const QRegion region = ringRegion(centre, inner, outer);
        const QRect box =
            QRectF(centre - QPointF(outer, outer), centre + QPointF(outer, outer)).toAlignedRect();
        long long area = 0;
        for (const QRect& rect : region) {
            area += static_cast<long long>(rect.width()) * rect.height();
        }
        QVERIFY2(area <= boxShare * box.width() * box.height(), qPrintable(QString::number(area)));
        for (int y = box.top(); y <= box.bottom(); ++y) {
            for (int x = box.left(); x <= box.right(); ++x) {
                // The pixel's nearest and farthest points from the centre.
                const double dx = std::abs(x + 0.5 - centre.x());
                const double dy = std::abs(y + 0.5 - centre.y());
                const double nearest = std::hypot(std::max(0.0, dx - 0.5), std::max(0.0, dy - 0.5));
                const double farthest = std::hypot(dx + 0.5, dy + 0.5);
                if (nearest < outer && farthest > inner) {
                    QVERIFY2(region.contains(QPoint(x, y)),
                             qPrintable(QStringLiteral("%1,%2").arg(x).arg(y)));
                }
            }
        }
    }

    // The head copied from its pictures lands where drawing it would, through
    // a breath (its quarter-point steps) and at whole and half device pixels;
    // a picture made for one place is not reused for another.
    void catHeadPictures_data() {
        QTest::addColumn<qreal>("ratio");
        QTest::addColumn<QPointF>("frameAt");
        QTest::newRow("1x") << qreal(1) << QPointF(0, 40);
        QTest::newRow("1x, half-point frame") << qreal(1) << QPointF(0.5, 40.25);
        QTest::newRow("2x") << qreal(2) << QPointF(0, 40);
        QTest::newRow("1.5x") << qreal(1.5) << QPointF(0, 40.5);
    }
    void catHeadPictures() {
        QFETCH(qreal, ratio);
        QFETCH(QPointF, frameAt);
        CatHeadPictures heads;
        const auto draw = [&](double breathValue, CatHeadPictures* from) {
            QImage image((QSizeF(300, 260) * ratio).toSize(), QImage::Format_ARGB32_Premultiplied);
            image.setDevicePixelRatio(ratio);
            image.fill(Qt::black);
            QPainter painter(&image);
            painter.setRenderHint(QPainter::Antialiasing);
            RestingCatView::paint(painter, QRectF(frameAt, QSizeF(300, 180)), breathValue, 4, from);
            return image;
        };
        for (int step = 0; step <= 10; ++step) {
            const double breathValue = step * 0.025 * (step % 2 ? 1 : 5);
            const int worst = largestDifference(draw(breathValue, &heads), draw(breathValue, nullptr));
            QVERIFY2(worst <= 1, qPrintable(QStringLiteral("breath %1: %2").arg(breathValue).arg(worst)));
        }
    }

    // Faded until hovered; a choice there, or by the status menu's key, reaches
    // every view, and the wallpaper's blur row stores its slider's value. The
    // old backdrop fades out while the new one fades in: half way through,
    // the photograph shows at about half its strength under half the veil.
    void picker() {
        auto first = makeView();
        auto second = makeView();
        ThemeSelectorOverlay* picker = first->themeSelector();
        QCOMPARE(picker->opacity(), 0.25);
        QCOMPARE(picker->geometry().right(), 1920 - 20 - 1);
        QCOMPARE(picker->geometry().top(), 20);
        // The selected square's teal border, dimmed by the fade.
        const QPoint border = picker->mapTo(
            first.get(), picker->buttonRect(RestTheme::Aurora).topLeft().toPoint() + QPoint(1, 16));
        const int fadedGreen = qGreen(frame(*first).pixel(border));
        QEnterEvent enter(QPointF(5, 5), QPointF(5, 5), QPointF(5, 5));
        QApplication::sendEvent(picker, &enter);
        f->clock.advance(0.35);
        QCOMPARE(picker->opacity(), 1.0);
        QVERIFY2(qGreen(frame(*first).pixel(border)) > fadedGreen + 60,
                 qPrintable(QString::number(fadedGreen)));
        QEvent leave(QEvent::Leave);
        QApplication::sendEvent(picker, &leave);
        f->clock.advance(0.35);
        QCOMPARE(picker->opacity(), 0.25);

        const int auroraHeight = picker->height();
        QTest::mouseClick(picker, Qt::LeftButton, {},
                          picker->buttonRect(RestTheme::Wallpaper).center().toPoint());
        QCOMPARE(f->prefs.value(Settings::selectedTheme), u"wallpaper"_s);
        QCOMPARE(first->currentTheme(), RestTheme::Wallpaper);
        QVERIFY(picker->height() > auroraHeight); // room for the blur row
        f->clock.advance(0.1);
        QCOMPARE(second->currentTheme(), RestTheme::Wallpaper);
        const QRectF slider = picker->sliderRect();
        for (const auto& [x, radius] : {std::pair(slider.right(), 30.0), {slider.left(), 0.0}}) {
            QTest::mouseClick(picker, Qt::LeftButton, {}, QPointF(x, slider.center().y()).toPoint());
            QCOMPARE(f->prefs.value(Settings::wallpaperBlurRadius), radius);
        }

        QTRY_VERIFY(!wallpaperManager().cachedImage().isNull());
        f->clock.advance(1.0);
        const auto brightness = [&] {
            const QRect patch(80, 500, 40, 40); // beside the column, on the photograph
            const QImage image = frame(*first);
            double sum = 0;
            for (int y = patch.top(); y <= patch.bottom(); ++y) {
                for (int x = patch.left(); x <= patch.right(); ++x) {
                    sum += qGray(image.pixel(x, y));
                }
            }
            return sum / 1600;
        };
        const double photo = brightness();
        QVERIFY(photo > 20);

        f->prefs.setValue(Settings::selectedTheme, u"ultraman"_s);
        f->clock.advance(0.1 + 0.3); // seen on the next tick, then half of 0.6 s
        QCOMPARE(first->currentTheme(), RestTheme::Ultraman);
        QCOMPARE(second->currentTheme(), RestTheme::Ultraman);
        const double halfWay = brightness();
        QVERIFY(saveScreenshot(first->grab().toImage(), u"crossfade_half_way.png"_s));
        QVERIFY2(halfWay < 0.5 * photo && halfWay > 0.1 * photo,
                 qPrintable(u"%1 of %2"_s.arg(halfWay).arg(photo)));
        f->clock.advance(0.4);
        QVERIFY(brightness() < 0.15 * photo);
        f->clock.advance(0.6);
        QCOMPARE(picker->height(), auroraHeight); // the blur row has slid out
    }

    // After a completed hold the card shows its line with the warning sign in
    // colour, over the blurred backdrop, as does the hovered picker.
    void feedbackCardAndPicker_data() {
        QTest::addColumn<QString>("theme");
        for (const char* theme : {"aurora", "wallpaper", "ultraman"}) {
            QTest::newRow(theme) << QString::fromLatin1(theme);
        }
    }
    void feedbackCardAndPicker() {
        QFETCH(QString, theme);
        useTheme(theme);
        auto view = makeView();
        QEnterEvent enter(QPointF(5, 5), QPointF(5, 5), QPointF(5, 5));
        QApplication::sendEvent(view->themeSelector(), &enter);
        QTest::keyPress(view.get(), Qt::Key_Space);
        f->clock.advance(1.55);
        QVERIFY(view->skipHold().isCompletingSkip());
        f->clock.advance(0.6);
        const QImage image = frame(*view);
        QVERIFY(saveScreenshot(view->grab().toImage(), u"card_%1.png"_s.arg(theme)));
        // The line sits in the card, centred on the view, below the heading.
        const int yellow = count(image, QRect(960 - 280, 540 - 30, 560, 90),
                                 [](QRgb p) { return qRed(p) > 200 && qGreen(p) > 150 && qBlue(p) < 90; });
        QVERIFY2(yellow > 100, qPrintable(QString::number(yellow)));
        // Above the heading the panel shows what lies behind blurred: the
        // cat's outline, sharp through a flat tint, leaves no edge there.
        int sharpest = 0;
        for (int y = 484; y < 497; ++y) {
            for (int x = 810; x < 1110; ++x) {
                sharpest =
                    std::max(sharpest, std::abs(qGray(image.pixel(x, y)) - qGray(image.pixel(x + 1, y))));
            }
        }
        QVERIFY2(sharpest < 12, qPrintable(QString::number(sharpest)));
        QTest::keyRelease(view.get(), Qt::Key_Space);
    }
    // A mouse hold on the skip button is its view's own; the space bar reaches
    // every view on screen. Each completed hold reports once.
    void holdsByMouseAndSpaceBar() {
        auto first = makeView();
        auto second = makeView();
        auto hidden = makeView();
        hidden->hide();
        auto* button = first->findChild<MouseTouchBridge*>();
        QVERIFY(button);
        QCOMPARE(button->geometry(), first->layout().skipButton.toAlignedRect());
        // The disc's fill brightens with its 0.15 s ease-out, not at once.
        const QPoint disc = button->geometry().center() + QPoint(25, 0);
        const int unpressed = qGray(frame(*first).pixel(disc));
        QTest::mousePress(button, Qt::LeftButton, {}, QPoint(45, 45));
        QVERIFY(qGray(frame(*first).pixel(disc)) <= unpressed + 1);
        f->clock.advance(1.0);
        QVERIFY(qGray(frame(*first).pixel(disc)) >= unpressed + 8);
        QVERIFY(first->skipHold().isPressingSkip());
        QTest::mouseRelease(button, Qt::LeftButton, {}, QPoint(45, 45));
        QVERIFY(!first->skipHold().isPressingSkip());
        const auto orangePixels = [&] {
            return count(
                frame(*first), first->rect(),
                [](QRgb p) {
                    return qRed(p) > 120 && qGreen(p) > 50 && qBlue(p) < 40 && qRed(p) > qGreen(p) + 40;
                },
                2);
        };
        const int orangeBefore = orangePixels();
        QTest::mousePress(button, Qt::LeftButton, {}, QPoint(45, 45));
        f->clock.advance(1.55);
        QVERIFY(first->skipHold().isCompletingSkip());
        QVERIFY(!second->skipHold().isPressingSkip() && !second->skipHold().isCompletingSkip());
        // The card's border and the hint line turn orange until the line is reported.
        f->clock.advance(0.5);
        QVERIFY(orangePixels() > orangeBefore + 500);
        f->clock.advance(1.5);
        QCOMPARE(skips.size(), 1);

        QTest::keyPress(first.get(), Qt::Key_Space);
        QVERIFY(second->skipHold().isPressingSkip());
        QVERIFY(!hidden->skipHold().isPressingSkip());
        QTest::keyPress(first.get(), Qt::Key_Space, {}, -1); // no effect while held
        f->clock.advance(1.55);
        QVERIFY(second->skipHold().isCompletingSkip());
        QTest::keyRelease(first.get(), Qt::Key_Space);
        f->clock.advance(12);
        QCOMPARE(skips, QStringList(
                            {*first->skipHold().skipFeedbackText(), *second->skipHold().skipFeedbackText()}));
    }
    // Sprites are blurred as Qt's blur effect draws the picture: pixel for
    // pixel, whatever padding the effect's pairing of pixels and its clear
    // surround call for.
    void blurDrawsAsTheBlurEffect_data() {
        QTest::addColumn<bool>("clearEdges");
        QTest::addColumn<double>("radius");
        QTest::addColumn<qreal>("ratio");
        QTest::newRow("clear edges, odd padding") << true << 20.0 << 1.0;
        QTest::newRow("clear edges, even padding") << true << 18.0 << 1.0;
        QTest::newRow("clear edges, pixel ratio 2") << true << 10.0 << 2.0;
        QTest::newRow("opaque edges") << false << 20.0 << 1.0;
    }
    void blurDrawsAsTheBlurEffect() {
        QFETCH(bool, clearEdges);
        QFETCH(double, radius);
        QFETCH(qreal, ratio);
        QImage picture(236, 180, QImage::Format_ARGB32_Premultiplied);
        picture.fill(clearEdges ? Qt::transparent : Qt::darkBlue);
        {
            QPainter painter(&picture);
            painter.setRenderHint(QPainter::Antialiasing);
            QRadialGradient gradient(QPointF(110, 90), 60);
            gradient.setColorAt(0, QColor(40, 200, 120, 230));
            gradient.setColorAt(1, QColor(200, 60, 220, 40));
            painter.setPen(Qt::NoPen);
            painter.setBrush(gradient);
            painter.drawEllipse(QPointF(110, 90), 60, 50);
        }
        QGraphicsScene scene;
        auto* effect = new QGraphicsBlurEffect;
        effect->setBlurRadius(radius * ratio);
        effect->setBlurHints(QGraphicsBlurEffect::QualityHint);
        scene.addPixmap(QPixmap::fromImage(picture))->setGraphicsEffect(effect);
        QImage expected(picture.size(), QImage::Format_ARGB32_Premultiplied);
        expected.fill(Qt::transparent);
        {
            QPainter painter(&expected);
            scene.render(&painter, QRectF(picture.rect()), QRectF(picture.rect()));
        }
        picture.setDevicePixelRatio(ratio);
        QImage blurred = ImageBlur::blurred(picture, radius);
        QCOMPARE(blurred.devicePixelRatio(), ratio);
        blurred.setDevicePixelRatio(1);
        QCOMPARE(blurred, expected);
    }
};

QTEST_MAIN(RestViewTest)
#include "tst_restview.moc"
