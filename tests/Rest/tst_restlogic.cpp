// The rest view's plain logic: breathing, hold-to-skip, themes and layout.
#include "Platform/Settings.h"
#include "Rest/Models/BreathingCycle.h"
#include "Rest/Models/RestCopy.h"
#include "Rest/Models/RestLayout.h"
#include "Rest/Models/RestTheme.h"
#include "Rest/Models/SkipHold.h"
#include "support/FakeClock.h"

#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QtTest>

#include <cmath>

class RestLogicTest : public QObject {
    Q_OBJECT

private:
    // A hold on the fake clock that keeps the lines it reports.
    struct Hold {
        FakeClock clock;
        QStringList lines;
        SkipHold hold{clock, [this](const QString& line) { lines.append(line); }};
        double seconds() const { return static_cast<double>(clock.monotonicMs()) / 1000.0; }
    };

private Q_SLOTS:
    void breathingFollowsTheCycle_data() {
        QTest::addColumn<int>("ticks");
        QTest::addColumn<double>("value");
        QTest::addColumn<QString>("text");
        QTest::newRow("start") << 0 << 0.0 << QStringLiteral("吸气...");
        QTest::newRow("first tick") << 1 << 0.025 << QStringLiteral("慢吸气...");
        QTest::newRow("half way up") << 20 << 0.5 << QStringLiteral("慢吸气...");
        QTest::newRow("just below the top") << 39 << 0.975 << QStringLiteral("慢吸气...");
        QTest::newRow("top") << 40 << 1.0 << QStringLiteral("慢呼气...");
        QTest::newRow("falling") << 60 << 0.5 << QStringLiteral("慢呼气...");
        QTest::newRow("wrapped") << 81 << 0.025 << QStringLiteral("慢吸气...");
        QTest::newRow("many cycles") << 8 * 10 * 50 + 20 << 0.5 << QStringLiteral("慢吸气...");
    }
    void breathingFollowsTheCycle() {
        QFETCH(int, ticks);
        QFETCH(double, value);
        QFETCH(QString, text);
        BreathingCycle cycle;
        for (int i = 0; i < ticks; ++i) {
            cycle.tick();
        }
        QVERIFY2(std::abs(cycle.breathValue() - value) < 1e-6,
                 qPrintable(QString::number(cycle.breathValue())));
        QCOMPARE(cycle.breathText(), text);
        QVERIFY(cycle.breathTime() >= 0 && cycle.breathTime() < 8);
    }

    // A hold as a script of steps: p press, r release, d space down, u space
    // up, R an auto-repeated release and press (as X11 sends them), a number
    // that many seconds. Every 0.05 s held adds 0.05 / 1.5 and the 31st
    // completes; a release rewinds, auto-repeat neither restarts nor ends the
    // hold, and while one hold runs the other input joins it on one timer.
    void holds_data() {
        QTest::addColumn<QString>("script");
        QTest::addColumn<double>("progress"); // -1: not looked at
        QTest::addColumn<QString>("state");
        const double fire = 0.05 / 1.5;
        QTest::newRow("30 fires") << "p 1.5" << -1.0 << "pressing";
        QTest::newRow("the 31st fire") << "p 1.55" << 1.0 << "completing";
        QTest::newRow("released") << "p 1 r" << 0.0 << "idle";
        QTest::newRow("pressed again from 0") << "p 1 r 0.3 p 0.05" << fire << "pressing";
        QTest::newRow("auto-repeat") << "d 0.5 R" << 10 * fire << "pressing";
        QTest::newRow("auto-repeat to the end") << "d 0.5 R 1.05" << 1.0 << "completing";
        QTest::newRow("space up of a mouse hold") << "p 0.5 u" << 10 * fire << "pressing";
        QTest::newRow("space joins the mouse") << "p 0.5 d 0.5" << 20 * fire << "pressing";
        QTest::newRow("a mouse release ends both") << "p 0.5 d 0.5 r" << 0.0 << "idle";
        QTest::newRow("a space up ends both") << "d 0.3 p u" << 0.0 << "idle";
    }
    void holds() {
        QFETCH(QString, script);
        QFETCH(double, progress);
        QFETCH(QString, state);
        Hold h;
        for (const QString& step : script.split(u' ')) {
            if (step == u"p") {
                h.hold.press();
            } else if (step == u"r") {
                h.hold.release();
            } else if (step == u"d") {
                h.hold.spaceDown(false);
            } else if (step == u"u") {
                h.hold.spaceUp(false);
            } else if (step == u"R") {
                h.hold.spaceUp(true);
                h.hold.spaceDown(true);
            } else {
                h.clock.advance(step.toDouble());
            }
        }
        QVERIFY2(progress < 0 || std::abs(h.hold.skipProgress() - progress) < 1e-9,
                 qPrintable(QString::number(h.hold.skipProgress())));
        QCOMPARE(h.hold.isPressingSkip(), state == u"pressing");
        QCOMPARE(h.hold.isCompletingSkip(), state == u"completing");
        if (state != u"completing") {
            QVERIFY(h.hold.skipProgress() < 1.0);
            QCOMPARE(h.clock.activeTimerCount(), state == u"pressing" ? 1 : 0);
        }
        // Let go: only a completed hold reports, once.
        h.hold.release();
        h.hold.spaceUp(false);
        h.clock.advance(5);
        QCOMPARE(h.lines.size(), state == u"completing" ? 1 : 0);
        QCOMPARE(h.clock.activeTimerCount(), 0);
    }

    // A completed hold reports its line 2 s later, once, whatever follows; a
    // released one runs the ring back from where it stood to 0 over 0.2 s.
    void afterAHold() {
        Hold h;
        h.hold.press();
        h.clock.advance(1.0);
        const double reached = h.hold.skipProgress();
        h.hold.release();
        QVERIFY(std::abs(h.hold.displayedProgress(h.seconds()) - reached) < 1e-9);
        h.clock.advance(0.1);
        const double midway = h.hold.displayedProgress(h.seconds());
        QVERIFY(midway > 0 && midway < reached);
        h.clock.advance(0.1);
        QVERIFY(h.hold.displayedProgress(h.seconds()) < 1e-6); // back at 0, but for rounding

        h.hold.press();
        h.clock.advance(1.55);
        QVERIFY(h.hold.skipFeedbackText());
        QVERIFY(RestCopy::skipFeedbackLines().contains(*h.hold.skipFeedbackText()));
        h.clock.advance(1.99);
        QVERIFY(h.lines.isEmpty());
        h.clock.advance(0.01);
        QCOMPARE(h.lines, QStringList{*h.hold.skipFeedbackText()});
        h.hold.release();
        h.hold.press();
        h.hold.spaceDown(false);
        h.clock.advance(5);
        QCOMPARE(h.lines.size(), 1);
        QVERIFY(h.hold.isCompletingSkip());
    }

    void themesParseExactly_data() {
        QTest::addColumn<QString>("raw");
        QTest::addColumn<int>("parsed"); // -1: none
        QTest::newRow("aurora") << "aurora" << 0;
        QTest::newRow("wallpaper") << "wallpaper" << 1;
        QTest::newRow("ultraman") << "ultraman" << 2;
        QTest::newRow("capitalised") << "Aurora" << -1;
        QTest::newRow("padded") << " ultraman" << -1;
        QTest::newRow("empty") << "" << -1;
    }
    // A stored name that is no theme reads as the aurora.
    void themesParseExactly() {
        QFETCH(QString, raw);
        QFETCH(int, parsed);
        const std::optional<RestTheme> theme = RestThemes::fromRawValue(raw);
        QCOMPARE(theme.has_value(), parsed >= 0);
        QTemporaryDir dir;
        Preferences prefs(dir.filePath(QStringLiteral("Tavo.conf")));
        prefs.setValue(Settings::selectedTheme, raw);
        QCOMPARE(RestThemes::stored(prefs), theme.value_or(RestTheme::Aurora));
        if (theme) {
            QCOMPARE(RestThemes::allCases().indexOf(*theme), parsed);
            QCOMPARE(RestThemes::rawValue(*theme), raw);
        }
    }

    void blurLabelTruncates() {
        for (const auto& [radius, label] : {std::pair(14.9, "14"), {30.0, "30"}, {0.0, "0"}, {45.7, "45"}}) {
            QCOMPARE(RestThemes::blurRadiusLabel(radius), QString::fromLatin1(label));
        }
    }

    void layoutLeavesOutWhatTheThemeHides() {
        const QSizeF screen(1920, 1080);
        const RestLayout aurora = RestLayout::compute(screen, RestTheme::Aurora);
        QCOMPARE(aurora.spacing, 40.0);
        QCOMPARE(aurora.ring.size(), QSizeF(240, 240));
        QCOMPARE(aurora.cat.height(), 180.0);
        QCOMPARE(aurora.cat.top(), aurora.ring.bottom() + 40 + 20);
        QCOMPARE(aurora.tip.top(), aurora.cat.bottom() + 40);
        QCOMPARE(aurora.skipButton.bottom() + 12 + 14 + 50, 1080.0);
        // The two flexible spacers share the free height.
        QCOMPARE(aurora.ring.top() - 40, aurora.skipButton.top() - 40 - aurora.tip.bottom() - 40);

        const RestLayout wallpaper = RestLayout::compute(screen, RestTheme::Wallpaper);
        QVERIFY(wallpaper.cat.isEmpty());
        QCOMPARE(wallpaper.tip.top(), wallpaper.ring.bottom() + 40);

        const RestLayout ultraman = RestLayout::compute(screen, RestTheme::Ultraman);
        QCOMPARE(ultraman.spacing, 0.0);
        QVERIFY(ultraman.ring.isEmpty());
        QVERIFY(ultraman.tip.isEmpty());
        QCOMPARE(ultraman.ultraman.top(), 10.0);
        QCOMPARE(ultraman.ultraman.bottom(), ultraman.skipButton.top());
    }

    // Where 40-point gaps do not fit, they narrow evenly, and the tip never
    // reaches the skip button; without room even for the pieces, the column
    // ends on the skip area.
    void layoutNarrowsItsGapsOnShortScreens_data() {
        QTest::addColumn<double>("height");
        QTest::addColumn<double>("aurora");
        QTest::addColumn<double>("wallpaper");
        QTest::newRow("1366x768") << 768.0 << 20.4 << 40.0;
        QTest::newRow("1280x720 (1080p at 150 %)") << 720.0 << 10.8 << 40.0;
        QTest::newRow("1097x617 (1080p at 175 %)") << 617.0 << 0.0 << 37.75;
    }
    void layoutNarrowsItsGapsOnShortScreens() {
        QFETCH(double, height);
        QFETCH(double, aurora);
        QFETCH(double, wallpaper);
        for (const auto& [theme, spacing] :
             {std::pair(RestTheme::Aurora, aurora), {RestTheme::Wallpaper, wallpaper}}) {
            const RestLayout layout = RestLayout::compute(QSizeF(1366, height), theme);
            QCOMPARE(layout.spacing, spacing);
            const double tipToButton = layout.skipButton.top() - layout.tip.bottom();
            // Any height left over is shared by the spacers above and below.
            QCOMPARE(tipToButton - 2 * spacing, std::max(0.0, layout.ring.top() - spacing));
            QCOMPARE(layout.tip.top(), (layout.cat.isEmpty() ? layout.ring : layout.cat).bottom() + spacing);
        }
    }
};

QTEST_GUILESS_MAIN(RestLogicTest)
#include "tst_restlogic.moc"
