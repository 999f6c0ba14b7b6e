// Particle rules of the aurora, the classic glows' drift and the cat's geometry.
#include "Rest/Components/ClassicGlows.h"
#include "Rest/Components/RestingCatView.h"
#include "Rest/Models/FireflyField.h"

#include <QRandomGenerator>
#include <QtTest>

#include <cmath>

class RestArtworkTest : public QObject {
    Q_OBJECT

private:
    static bool near(double a, double b, double tolerance = 1e-9) { return std::abs(a - b) <= tolerance; }

    // One particle at a known place, standing still, for the motion rules.
    static FireflyField single(QPointF position, QPointF velocity, QRandomGenerator* random) {
        FireflyField field(random);
        field.initialize(QSizeF(800, 600));
        field.particles().resize(1);
        field.particles()[0].position = position;
        field.particles()[0].velocity = velocity;
        field.particles()[0].opacity = 0.5;
        return field;
    }

private Q_SLOTS:
    // Each appearance draws a fresh set in its ranges; without a pointer
    // particles only drift, and their flicker stays in its bounds.
    void drawDriftAndFlicker() {
        QRandomGenerator random(42);
        FireflyField field(&random);
        field.initialize(QSizeF(1920, 1080));
        QCOMPARE(field.particles().size(), size_t(35));
        const std::vector<FireflyParticle> before = field.particles();
        for (const FireflyParticle& p : before) {
            QVERIFY(p.position.x() >= 0 && p.position.x() <= 1920);
            QVERIFY(p.position.y() >= 0 && p.position.y() <= 1080);
            QVERIFY(p.size >= 4 && p.size <= 12);
            QVERIFY(p.velocity.y() >= -1.2 && p.velocity.y() <= -0.4);
            QVERIFY(p.velocity.x() >= -0.4 && p.velocity.x() <= 0.4);
            QVERIFY(p.opacity >= 0.25 && p.opacity <= 0.75);
        }
        field.update(QSizeF(1920, 1080), std::nullopt);
        for (size_t i = 0; i < before.size(); ++i) {
            const FireflyParticle& p = field.particles()[i];
            if (before[i].position.y() + before[i].velocity.y() >= -20) {
                QVERIFY(near(p.position.x(), before[i].position.x() + before[i].velocity.x()));
                QVERIFY(near(p.position.y(), before[i].position.y() + before[i].velocity.y()));
                QCOMPARE(p.velocity, before[i].velocity);
            }
        }
        for (int tick = 0; tick < 2000; ++tick) {
            field.update(QSizeF(1920, 1080), std::nullopt);
            for (const FireflyParticle& p : field.particles()) {
                QVERIFY(p.opacity >= 0.15 && p.opacity <= 0.85);
            }
        }
        const QPointF last = field.particles()[0].position;
        field.initialize(QSizeF(1920, 1080));
        QCOMPARE(field.particles().size(), size_t(35));
        QVERIFY(field.particles()[0].position != last);
    }

    // Past the top a particle comes back below the bottom, anywhere across;
    // past a side it comes in at the other. The edges themselves keep it. A
    // pointer within 160 points pushes it away, the harder the nearer.
    void moves_data() {
        QTest::addColumn<QPointF>("start");
        QTest::addColumn<QPointF>("pointer");  // (0, 0): none
        QTest::addColumn<QPointF>("expected"); // x NaN: anywhere across
        const double anywhere = std::nan("");
        QTest::newRow("above the top") << QPointF(100, -20.5) << QPointF() << QPointF(anywhere, 620);
        QTest::newRow("at the top") << QPointF(100, -20) << QPointF() << QPointF(100, -20);
        QTest::newRow("left") << QPointF(-20.1, 300) << QPointF() << QPointF(820, 300);
        QTest::newRow("right") << QPointF(820.1, 300) << QPointF() << QPointF(-20, 300);
        QTest::newRow("left edge") << QPointF(-20, 300) << QPointF() << QPointF(-20, 300);
        QTest::newRow("right edge") << QPointF(820, 300) << QPointF() << QPointF(820, 300);
        const QPointF at(300, 300);
        QTest::newRow("pointer on top: to the right") << at << QPointF(300, 300) << QPointF(308, 300);
        QTest::newRow("pointer 80 to the left: 4") << at << QPointF(220, 300) << QPointF(304, 300);
        QTest::newRow("pointer 80 below: 4 up") << at << QPointF(300, 380) << QPointF(300, 296);
        QTest::newRow("pointer 160 away: none") << at << QPointF(140, 300) << QPointF(300, 300);
    }
    void moves() {
        QFETCH(QPointF, start);
        QFETCH(QPointF, pointer);
        QFETCH(QPointF, expected);
        QRandomGenerator random(5);
        FireflyField field = single(start, QPointF(0, 0), &random);
        field.update(QSizeF(800, 600), pointer.isNull() ? std::nullopt : std::optional(pointer));
        const FireflyParticle& p = field.particles()[0];
        QVERIFY2(near(p.position.y(), expected.y()) &&
                     (std::isnan(expected.x()) ? p.position.x() >= 0 && p.position.x() <= 800
                                               : near(p.position.x(), expected.x())),
                 qPrintable(QDebug::toString(p.position)));
        QCOMPARE(p.velocity, QPointF(0, 0));
    }

    void glowsDriftAndReturn() {
        const auto start = ClassicGlows::offsets(0);
        const auto there = ClassicGlows::offsets(8);
        const auto back = ClassicGlows::offsets(16);
        for (size_t i = 0; i < 3; ++i) {
            const ClassicGlows::Glow& glow = ClassicGlows::glows()[i];
            QCOMPARE(start[i], glow.from);
            QVERIFY(near(there[i].x(), glow.to.x(), 1e-6) && near(there[i].y(), glow.to.y(), 1e-6));
            QVERIFY(near(back[i].x(), glow.from.x(), 1e-6) && near(back[i].y(), glow.from.y(), 1e-6));
        }
        // Half way through a leg the ease-in-out is at its middle.
        QVERIFY(near(ClassicGlows::offsets(4)[0].x(), 0, 1e-3));
    }

    // The body breathes about its bottom and the tail swings ten degrees each way.
    void cat() {
        QCOMPARE(RestingCatView::bodySize(0), QSizeF(140, 100));
        QCOMPARE(RestingCatView::headOffset(0), -85.0);
        const QSizeF full = RestingCatView::bodySize(1);
        QVERIFY(near(full.width(), 133) && near(full.height(), 115));
        QCOMPARE(RestingCatView::headOffset(1), -95.0);
        QCOMPARE(RestingCatView::tailAngle(0), -10.0);
        QVERIFY(near(RestingCatView::tailAngle(2.2), 10, 1e-6));
        QVERIFY(near(RestingCatView::tailAngle(4.4), -10, 1e-6));
        for (double t = 0; t < 10; t += 0.07) {
            QVERIFY(std::abs(RestingCatView::tailAngle(t)) <= 10 + 1e-9);
        }
    }

    // Corners from the right middle on; a single side is just that point.
    void polygons() {
        const QPainterPath path = PolygonShape(3).path(QRectF(0, 0, 8, 6));
        QCOMPARE(path.elementCount(), 4); // three corners and the closing line
        const QPointF expected[] = {{7, 3}, {2.5, 3 + 1.5 * std::sqrt(3.0)}, {2.5, 3 - 1.5 * std::sqrt(3.0)}};
        for (int i = 0; i < 3; ++i) {
            const QPainterPath::Element e = path.elementAt(i);
            QVERIFY2(near(e.x, expected[i].x()) && near(e.y, expected[i].y()),
                     qPrintable(QStringLiteral("%1: %2, %3").arg(i).arg(e.x).arg(e.y)));
        }
        const QPainterPath point = PolygonShape(1).path(QRectF(0, 0, 10, 10));
        QCOMPARE(QPointF(point.elementAt(0)), QPointF(10, 5));
        QCOMPARE(point.boundingRect().width(), 0.0);
    }
};

QTEST_GUILESS_MAIN(RestArtworkTest)
#include "tst_restartwork.moc"
