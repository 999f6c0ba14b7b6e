#include "Platform/Desktop/Fonts.h"
#include "Rest/Components/CachedPicture.h"
#include "Rest/Components/UltramanTigaModel.h"
#include "Rest/Components/UltramanTigaView.h"
#include "support/FakeClock.h"
#include "support/Picture.h"

#include <QFontMetricsF>
#include <QPainter>
#include <QRandomGenerator>
#include <QTest>

#include <algorithm>
#include <cmath>
#include <functional>
#include <numbers>

using namespace UltramanTiga;
using namespace Qt::StringLiterals;

class TestUltramanTiga : public QObject {
    Q_OBJECT
private Q_SLOTS:
    // The first view a process builds draws its digits and headline up to
    // 7 levels apart at the glyphs' edges from every later one; pictures
    // compared below are all drawn after it.
    void initTestCase() {
        FakeClock clock;
        UltramanTigaView view(
            clock, 20, [] { return 20; }, UltramanTigaView::randomSubtitle());
        view.resize(320, 200);
        view.grab();
    }

    // A star copied from its cached coverage is the very ellipse a fill
    // draws: every pixel the same, on a veil and on an opaque colour, at
    // sub-pixel centres, at one and two device pixels a point.
    void starDiscMatchesAnEllipse_data() {
        QTest::addColumn<QPointF>("centre");
        QTest::addColumn<double>("radius");
        QTest::addColumn<double>("opacity");
        QTest::addColumn<double>("ratio");
        QTest::addColumn<QColor>("under");
        const QColor veil = QColor::fromRgbF(0, 0, 0, 0.72f);
        const QColor violet = QColor::fromRgbF(0.2f, 0.05f, 0.33f);
        QTest::newRow("faintest, smallest") << QPointF(7.3, 6.71) << 0.4 << 0.06 << 1.0 << veil;
        QTest::newRow("brightest, largest") << QPointF(8.5, 8.5) << 1.4 << 0.7 << 1.0 << violet;
        QTest::newRow("mid, on a whole pixel") << QPointF(8, 9) << 0.9 << 0.33 << 1.0 << veil;
        QTest::newRow("2x, sub-pixel") << QPointF(5.37, 9.93) << 1.1 << 0.41 << 2.0 << violet;
        QTest::newRow("2x, brightest") << QPointF(10.12, 4.6) << 1.4 << 0.7 << 2.0 << veil;
    }
    void starDiscMatchesAnEllipse() {
        QFETCH(QPointF, centre);
        QFETCH(double, radius);
        QFETCH(double, opacity);
        QFETCH(double, ratio);
        QFETCH(QColor, under);
        const QColor star = QColor::fromRgbF(1, 1, 1, static_cast<float>(opacity));
        const auto paint = [&](const std::function<void(QPainter&)>& draw) {
            QImage image(QSize(16, 16) * ratio, QImage::Format_ARGB32_Premultiplied);
            image.setDevicePixelRatio(ratio);
            image.fill(under);
            QPainter painter(&image);
            painter.setRenderHint(QPainter::Antialiasing);
            draw(painter);
            painter.end();
            return image;
        };
        const QImage ellipse = paint([&](QPainter& painter) {
            painter.setPen(Qt::NoPen);
            painter.setBrush(star);
            painter.drawEllipse(centre, radius, radius);
        });
        SmallDisc disc(centre, radius, ratio);
        paint([&](QPainter& painter) { disc.fill(painter, Qt::red); }); // leaves nothing behind
        const QImage copied = paint([&](QPainter& painter) { disc.fill(painter, star); });
        QVERIFY(ellipse != paint([](QPainter&) {})); // the star shows
        QCOMPARE(copied, ellipse);
    }

    // Pictures kept from one repaint to the next show what a fresh paint
    // shows, after the figure has floated and breathed for a while, and
    // after the capsule has turned amber with as many digits. Under a violet
    // glow the window draws beneath it, the view tints its stars: what shows
    // is what its own glow over untinted stars would show.
    void keptPicturesMatchAFreshPaint_data() {
        QTest::addColumn<QSize>("size");
        QTest::addColumn<int>("ticks");
        QTest::addColumn<int>("remainingLater");
        QTest::newRow("1920x1070, core grown") << QSize(1920, 1070) << 50 << 20;
        QTest::newRow("1280x790, core shrunk, halo narrowed") << QSize(1280, 790) << 100 << 20;
        QTest::newRow("1280x800, turned amber") << QSize(1280, 800) << 60 << 11;
    }
    void keptPicturesMatchAFreshPaint() {
        QFETCH(QSize, size);
        QFETCH(int, ticks);
        QFETCH(int, remainingLater);
        FakeClock clock;
        QRandomGenerator stars(7);
        int remaining = 20;
        UltramanTigaView view(
            clock, 20, [&] { return remaining; }, UltramanTigaView::randomSubtitle(), nullptr, &stars);
        view.resize(size);
        view.show();
        for (int i = 0; i < ticks; ++i) {
            view.tick();
            if (i == 30) {
                view.grab(); // past the entrance
                remaining = remainingLater;
                view.grab(); // the new number begins to roll in
            }
        }
        const QImage kept = view.grab().toImage();
        view.hide(); // lets go of every picture
        view.show();
        QCOMPARE(view.grab().toImage(), kept);
        // The halo is one smooth glow: no row across it is clearer than the
        // rows above and below by more than a few levels (the least of
        // three columns, for the stars).
        const QImage frame = renderWidget(view, Qt::transparent);
        int deepest = 0;
        for (int x = view.width() / 2 - 300; x < view.width() / 2 + 300; x += 4) {
            const auto level = [&](int y) {
                return std::min({qAlpha(frame.pixel(x, y)), qAlpha(frame.pixel(x + 8, y)),
                                 qAlpha(frame.pixel(x + 16, y))});
            };
            for (int y = view.height() / 2 - 300; y < view.height() / 2 + 100; ++y) {
                deepest = std::max(deepest, std::min(level(y - 1), level(y + 1)) - level(y));
            }
        }
        QVERIFY2(deepest <= 5, qPrintable(QString::number(deepest)));

        const auto paint = [&](bool beneath) {
            view.setGlowBeneath(beneath);
            // As the window shows over a desktop, under a veil.
            QImage image(size, QImage::Format_ARGB32_Premultiplied);
            image.fill(QColor(90, 120, 150));
            QPainter painter(&image);
            painter.fillRect(image.rect(), QColor::fromRgbF(0, 0, 0, 0.72f));
            if (beneath) {
                UltramanTigaView::paintVioletGlow(painter, size);
            }
            painter.end();
            view.render(&image, QPoint(), QRegion(), QWidget::DrawChildren);
            return image;
        };
        // The two orders of blending round apart by up to a few levels on
        // a handful of star pixels; an untinted star is tens of levels off.
        const int difference = largestDifference(paint(false), paint(true));
        QVERIFY2(difference <= 3, qPrintable(QString::number(difference)));
    }

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

    // The light pulses between 0.58 and full, faster the less is left.
    void pulseStaysInItsBand() {
        for (const auto& [level, period] : {std::pair(CapsuleLevel::Red, std::numbers::pi / 6.0),
                                            {CapsuleLevel::Amber, std::numbers::pi / 3.2},
                                            {CapsuleLevel::Green, std::numbers::pi / 1.7}}) {
            QCOMPARE(pulse(0, level), 0.58);
            QCOMPARE(pulse(period / 2, level), 1.0);
            for (double phase = 0; phase < 10; phase += 0.04) {
                QVERIFY(pulse(phase, level) >= 0.58 && pulse(phase, level) <= 1.0);
            }
        }
    }

    void entranceRunsOnceFromTheInitialValues() {
        Motion motion;
        const auto tick = [&](int times) {
            while (times-- > 0) {
                motion.tick();
            }
        };
        QCOMPARE(motion.imageOpacity(), 0.0);
        QCOMPARE(motion.imageScale(), 0.88);
        QCOMPARE(motion.textOpacity(), 0.0);
        tick(17); // 0.68 s: the texts have not begun
        QCOMPARE(motion.textOpacity(), 0.0);
        QVERIFY(motion.imageOpacity() > 0.5 && motion.imageOpacity() < 1);
        tick(22); // 1.56 s
        QCOMPARE(motion.imageOpacity(), 1.0);
        QCOMPARE(motion.imageScale(), 1.0);
        QVERIFY(motion.textOpacity() < 1);
        tick(1000);
        QCOMPARE(motion.textOpacity(), 1.0);
    }

    // The column from the picture: the figure in its 410-point frame, then the
    // capsule 22 points below the frame, the headline 18 below the capsule and
    // the subtitle 10 below the headline, the whole column centred on the screen;
    // on a screen too short for it (1280x720 leaves the view 544 points), its foot
    // on the view's. The halo is fainter on a short view.
    void columnIsWhereItBelongs_data() {
        QTest::addColumn<QSize>("screen");
        QTest::addColumn<int>("haloFalls");
        QTest::newRow("1920x1080") << QSize(1920, 1080) << 18;
        QTest::newRow("1280x800") << QSize(1280, 800) << 18;
        QTest::newRow("1280x544") << QSize(1280, 544) << 10;
    }
    void columnIsWhereItBelongs() {
        QFETCH(QSize, screen);
        QFETCH(int, haloFalls);
        const QString subtitle = u"屏幕怪兽 HP 没掉 · 你的眼睛先掉血了"_s;
        FakeClock clock;
        int remaining = 20;
        QRandomGenerator stars(7); // none where a star would pass for the subtitle's ink
        UltramanTigaView view(
            clock, 20, [&] { return remaining; }, subtitle, nullptr, &stars);
        view.resize(screen);
        view.show();
        // The entrance is over and the figure floats through its resting height.
        for (int i = 0; i < 286; ++i) {
            view.tick();
        }
        const QImage frame = renderWidget(view, Qt::transparent);
        QVERIFY(saveScreenshot(frame, u"ultraman_%1x%2@%3x.png"_s.arg(screen.width())
                                          .arg(screen.height())
                                          .arg(frame.devicePixelRatio())));

        // Line boxes of 1.2 em, as the original's system font sets them.
        const double capsule = 12 + std::max(44.0, 1.2 * 58) + 12;
        const double headline = 1.2 * 26;
        const double total = 410 + 22 + capsule + 18 + headline + 10 + 1.2 * 13;
        const double top = std::min((screen.height() - total) / 2, screen.height() - total);
        const double capsuleY = top + 410 + 22 + capsule / 2;
        const double headlineY = top + 410 + 22 + capsule + 18 + headline / 2;
        const double subtitleY = headlineY + headline / 2 + 10 + 1.2 * 13 / 2;
        const double middle = screen.width() / 2.0;

        // Opaque pixels are the figure and the headline; the stars, glows, shadows and the
        // subtitle are translucent. The figure's frame holds the picture scaled to fit: its
        // head lies where the picture's does, its body centred (its feet and hands fade out).
        const auto opaque = [](QRgb pixel) { return qAlpha(pixel) == 255; };
        const QImage figure = UltramanTigaView::figureImage();
        const double scale = std::min(410.0 / figure.width(), 410.0 / figure.height());
        const QRectF drawn = inkBox(figure, figure.rect(), 1, opaque);
        const QRectF body = inkBox(frame, QRectF(0, 0, screen.width(), capsuleY - capsule / 2), 6, opaque);
        const QPointF head(middle + (drawn.center().x() - figure.width() / 2.0) * scale,
                           top + 205 + (drawn.top() - figure.height() / 2.0) * scale);
        verifyNear(body, body.translated(head - QPointF(body.center().x(), body.top())), 3);
        // The halo glows violet about the body, brighter near it than further out;
        // the least of a few points a star apart, as a star may lie on one.
        const auto redBeside = [&](double gap) {
            int least = 255;
            for (const double y : {142.0, 150.0, 158.0}) {
                const QPoint at = (QPointF(middle - gap, top + y) * frame.devicePixelRatio()).toPoint();
                least = std::min(least, qRed(frame.pixel(at)));
            }
            return least;
        };
        QVERIFY2(redBeside(120) - redBeside(260) >= haloFalls,
                 qPrintable(u"%1 %2"_s.arg(redBeside(120)).arg(redBeside(260))));

        // The capsule's light and digits are the reddest and brightest, centred on its middle.
        const auto red = [](QRgb p) { return qRed(p) >= 200; };
        const QRectF digits =
            inkBox(frame, QRectF(0, capsuleY - capsule / 2, screen.width(), capsule), 6, red);
        verifyNear(digits, digits.translated(0, capsuleY - digits.center().y()), 3);
        // Their glow lies about them: redder just above and below them than further out.
        const auto redAt = [&](double y) {
            return qRed(frame.pixel((QPointF(digits.center().x(), y) * frame.devicePixelRatio()).toPoint()));
        };
        QVERIFY(redAt(digits.top() - 4) - redAt(digits.top() - 20) >= 20);
        QVERIFY(redAt(digits.bottom() + 4) - redAt(digits.bottom() + 20) >= 20);

        const double headlineWidth =
            QFontMetricsF(systemFont(26, QFont::Bold)).horizontalAdvance(u"靓仔该放松一下眼睛啦"_s);
        const QRectF hero =
            inkBox(frame, QRectF(0, headlineY - headline / 2, screen.width(), headline), 6, opaque);
        verifyNear(hero, QRectF(middle - headlineWidth / 2, headlineY - 13, headlineWidth, 26), 4);

        // The subtitle: white at a third over the violet glow, so grey rather than violet.
        const auto grey = [](QRgb p) { return std::min({qRed(p), qGreen(p), qBlue(p)}) >= 40; };
        QFont subFont = systemFont(13);
        subFont.setLetterSpacing(QFont::AbsoluteSpacing, 0.8);
        const double subWidth = QFontMetricsF(subFont).horizontalAdvance(subtitle);
        const QRectF sub = inkBox(frame, QRectF(0, subtitleY - 12, screen.width(), 24), 5, grey);
        // Its left edge, centred and tracked; the last glyph's ink ends short of its advance.
        verifyNear(QRectF(sub.topLeft(), QPointF(middle, sub.bottom())),
                   QRectF(QPointF(middle - subWidth / 2, subtitleY - 6.5), QPointF(middle, subtitleY + 6.5)),
                   3);
        QVERIFY(sub.right() > middle + subWidth / 2 - 8);

        // Below 55 % left the capsule's red light turns amber over 0.18 s, not at once.
        const auto redLight = [&] {
            return !inkBox(renderWidget(view, Qt::transparent), digits, 0.5, [](QRgb c) {
                        return qRed(c) > 200 && qGreen(c) < 120 && qBlue(c) < 120;
                    }).isEmpty();
        };
        QVERIFY(redLight());
        remaining = 11;
        QVERIFY(redLight());
        clock.advance(0.24);
        QVERIFY(!redLight());

        QCOMPARE(clock.activeTimerCount(), 1);
        view.hide();
        QCOMPARE(clock.activeTimerCount(), 0);
    }

private:
    static void verifyNear(const QRectF& shown, const QRectF& expected, double tolerance) {
        const QMarginsF off(shown.left() - expected.left(), shown.top() - expected.top(),
                            shown.right() - expected.right(), shown.bottom() - expected.bottom());
        QVERIFY2(std::max({std::abs(off.left()), std::abs(off.top()), std::abs(off.right()),
                           std::abs(off.bottom())}) <= tolerance,
                 qPrintable(QDebug::toString(shown) + u" expected "_s + QDebug::toString(expected)));
    }
};

QTEST_MAIN(TestUltramanTiga)
#include "tst_ultramantiga.moc"
