#include "Rest/Components/UltramanTigaModel.h"
#include "Rest/Components/UltramanTigaView.h"
#include "support/FakeClock.h"

#include <QDir>
#include <QPainter>
#include <QRandomGenerator>
#include <QTest>

#include <cmath>
#include <numbers>

using namespace UltramanTiga;

class TestUltramanTiga : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void capsuleLevelFollowsProgress_data() {
        QTest::addColumn<int>("remaining");
        QTest::addColumn<int>("total");
        QTest::addColumn<CapsuleLevel>("level");
        QTest::newRow("start of rest, p = 1") << 20 << 20 << CapsuleLevel::Red;
        QTest::newRow("just above 0.55") << 56 << 100 << CapsuleLevel::Red;
        QTest::newRow("p = 0.55 exactly") << 55 << 100 << CapsuleLevel::Amber;
        QTest::newRow("just above 0.25") << 26 << 100 << CapsuleLevel::Amber;
        QTest::newRow("p = 0.25 exactly") << 5 << 20 << CapsuleLevel::Green;
        QTest::newRow("nothing left") << 0 << 20 << CapsuleLevel::Green;
        QTest::newRow("negative") << -3 << 20 << CapsuleLevel::Green;
        QTest::newRow("total 0 counts as 1") << 1 << 0 << CapsuleLevel::Red;
        QTest::newRow("negative total counts as 1") << 0 << -5 << CapsuleLevel::Green;
        QTest::newRow("more left than total") << 30 << 20 << CapsuleLevel::Red;
    }
    void capsuleLevelFollowsProgress() {
        QFETCH(int, remaining);
        QFETCH(int, total);
        QFETCH(CapsuleLevel, level);
        QCOMPARE(capsuleLevel(remaining, total), level);
    }

    void pulseStaysInItsBand_data() {
        QTest::addColumn<CapsuleLevel>("level");
        QTest::addColumn<double>("period");
        QTest::newRow("red") << CapsuleLevel::Red << std::numbers::pi / 6.0;
        QTest::newRow("amber") << CapsuleLevel::Amber << std::numbers::pi / 3.2;
        QTest::newRow("green") << CapsuleLevel::Green << std::numbers::pi / 1.7;
    }
    void pulseStaysInItsBand() {
        QFETCH(CapsuleLevel, level);
        QFETCH(double, period);
        QCOMPARE(pulse(0, level), 0.58);
        QCOMPARE(pulse(period / 2, level), 1.0);
        for (double phase = 0; phase < 10; phase += 0.04) {
            QVERIFY(pulse(phase, level) >= 0.58 && pulse(phase, level) <= 1.0);
        }
    }

    void starFieldHas120StarsWithinRanges() {
        QRandomGenerator random(42);
        const QList<Star> stars = makeStars(random);
        QCOMPARE(stars.size(), 120);
        for (const Star& star : stars) {
            QVERIFY(star.x >= 0 && star.x <= 1);
            QVERIFY(star.y >= 0 && star.y <= 1);
            QVERIFY(star.size >= 0.8 && star.size <= 2.8);
            QVERIFY(star.opacity >= 0.15 && star.opacity <= 0.7);
            QVERIFY(star.twinkleOffset >= 0 && star.twinkleOffset <= 2 * std::numbers::pi);
            for (double phase : {0.0, 1.3, 2.9}) {
                const double o = starOpacity(star, phase);
                QVERIFY(o >= 0.4 * star.opacity - 1e-12 && o <= star.opacity + 1e-12);
            }
        }
        // Spread over the field, not clumped: both halves hold stars.
        QVERIFY(std::count_if(stars.begin(), stars.end(), [](const Star& s) { return s.x < 0.5; }) > 30);
        QVERIFY(std::count_if(stars.begin(), stars.end(), [](const Star& s) { return s.y >= 0.5; }) > 30);
        QRandomGenerator again(42);
        QCOMPARE(makeStars(again).first().x, stars.first().x);
    }

    void entranceRunsOnceFromTheInitialValues() {
        Motion motion;
        QCOMPARE(motion.imageOpacity(), 0.0);
        QCOMPARE(motion.imageScale(), 0.88);
        QCOMPARE(motion.textOpacity(), 0.0);
        for (int i = 0; i < 17; ++i) { // 0.68 s: the texts have not begun
            motion.tick();
        }
        QCOMPARE(motion.textOpacity(), 0.0);
        QVERIFY(motion.imageOpacity() > 0.5 && motion.imageOpacity() < 1);
        for (int i = 0; i < 22; ++i) { // 1.56 s
            motion.tick();
        }
        QCOMPARE(motion.imageOpacity(), 1.0);
        QCOMPARE(motion.imageScale(), 1.0);
        QVERIFY(motion.textOpacity() < 1);
        for (int i = 0; i < 1000; ++i) {
            motion.tick();
        }
        QCOMPARE(motion.textOpacity(), 1.0);
    }

    void numberRollsOverAFifthOfASecond() {
        QCOMPARE(numberRoll(0), 0.0);
        QVERIFY(numberRoll(2) > 0.3 && numberRoll(2) < 0.7);
        QCOMPARE(numberRoll(5), 1.0);
    }

    void columnIsCentredAsOneBlock() {
        const ColumnLayout layout = columnLayout(1000, 100, 30, 20);
        const double top = layout.figure - figureGroupHeight / 2;
        const double bottom = layout.subtitle + 10;
        QCOMPARE(top, 1000 - bottom);
        QCOMPARE(layout.capsule - 50, top + figureGroupHeight + 22);
        QCOMPARE(layout.headline - 15, layout.capsule + 50 + 18);
        QCOMPARE(layout.subtitle - 10, layout.headline + 15 + 10);
    }

    void subtitlesAreTheTenRestLines() {
        QSet<QString> seen;
        for (int i = 0; i < 500; ++i) {
            seen.insert(UltramanTigaView::randomSubtitle());
        }
        QCOMPARE(seen.size(), 10);
        QVERIFY(seen.contains(QStringLiteral("能量灯：我闪我的 · 你倒是闭眼啊")));
    }

    void figurePictureShipsWithTransparentGround() {
        const QImage figure = UltramanTigaView::figureImage();
        QVERIFY(!figure.isNull());
        QVERIFY(figure.hasAlphaChannel());
        QCOMPARE(figure.pixelColor(2, 2).alpha(), 0);
        QVERIFY(figure.pixelColor(figure.width() / 2, figure.height() / 2).alpha() > 200);
    }

    // Renders the theme at 1920 x 1080 over the rest view's dim veil; the
    // picture goes to $TAVO_SCREENSHOT_DIR when set.
    void rendersAtFullHd() {
        FakeClock clock;
        int remaining = 20;
        UltramanTigaView view(
            clock, 20, [&] { return remaining; }, QStringLiteral("本集标题 · 打工人终于眨眼了"));
        view.resize(1920, 1080);
        view.show();
        clock.advance(3.0);
        const auto render = [&view] {
            QImage image(1920, 1080, QImage::Format_ARGB32_Premultiplied);
            image.fill(QColor(10, 10, 16));
            view.render(&image, QPoint(), QRegion(), QWidget::DrawChildren);
            return image;
        };
        const auto hasRedLight = [](const QImage& image) {
            for (int x = 700; x < 1220; ++x) {
                for (int y = 600; y < 900; ++y) {
                    const QColor c = image.pixelColor(x, y);
                    if (c.red() > 200 && c.green() < 120 && c.blue() < 120) {
                        return true;
                    }
                }
            }
            return false;
        };
        const QImage frame = render();
        if (const QString dir = qEnvironmentVariable("TAVO_SCREENSHOT_DIR"); !dir.isEmpty()) {
            QVERIFY(frame.save(QDir(dir).filePath(QStringLiteral("ultraman_1920x1080.png"))));
        }
        // The figure's chest core glows above the middle; the corners stay dark.
        const QColor centre = frame.pixelColor(960, 487);
        QVERIFY2(centre.lightness() > 80, qPrintable(centre.name()));
        QVERIFY(frame.pixelColor(5, 5).lightness() < 40);
        // The countdown capsule is red at the start of the rest; below 55 %
        // left it turns amber over 0.18 s, not at once.
        QVERIFY(hasRedLight(frame));
        remaining = 11;
        QVERIFY(hasRedLight(render()));
        clock.advance(0.24);
        QVERIFY(!hasRedLight(render()));
        QCOMPARE(clock.activeTimerCount(), 1);
        view.hide();
        QCOMPARE(clock.activeTimerCount(), 0);
    }
};

QTEST_MAIN(TestUltramanTiga)
#include "tst_ultramantiga.moc"
