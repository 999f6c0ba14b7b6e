#include "Application/AppDelegate.h"
#include "Platform/Log.h"
#include "Platform/Settings.h"
#include "Rest/RestWindow.h"
#include "support/DelegateFixture.h"
#include "support/FakeClock.h"
#include "support/TestPlatform.h"

#include <QAction>
#include <QApplication>
#include <QMenu>
#include <QSignalSpy>
#include <QTest>

using namespace Qt::StringLiterals;

class RestLoopTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    // The stored tag, work and rest seconds (an invalid value is not stored), as the next launch
    // reads them, and the rhythm submenu's own line and check mark. Values out of the dialog's
    // range read as absent: see the settings suite.
    void loadsStoredRhythm_data() {
        QTest::addColumn<QVariantList>("stored");
        QTest::addColumn<int>("tag");
        QTest::addColumn<int>("work");
        QTest::addColumn<int>("rest");
        QTest::addColumn<QString>("own");
        QTest::addColumn<QString>("checked"); // empty: the own line
        const QVariant none;
        const QString unset = u"尚未设置"_s;
        const QString twenty = u"营业 20 分钟 / 眼睛下线 20 秒"_s;
        QTest::newRow("empty") << QVariantList{none, none, none} << 120020 << 1200 << 20 << unset << twenty;
        QTest::newRow("unknown tag") << QVariantList{123, none, none} << 120020 << 1200 << 20 << unset
                                     << twenty;
        QTest::newRow("own rhythm without tag") << QVariantList{none, 1500, 45} << -1 << 1500 << 45
                                                << u"营业 25 分钟 / 眼睛下线 45 秒"_s << QString();
        QTest::newRow("own rhythm selected")
            << QVariantList{-1, 60, 5} << -1 << 60 << 5 << u"营业 1 分钟 / 眼睛下线 5 秒"_s << QString();
        QTest::newRow("own tag but no own rhythm")
            << QVariantList{-1, none, none} << 120020 << 1200 << 20 << unset << twenty;
        QTest::newRow("preset tag wins over own rhythm")
            << QVariantList{3600600, 60, 3600} << 3600600 << 3600 << 600
            << u"营业 1 分钟 / 眼睛下线 60 分钟"_s << u"营业 60 分钟 / 眼睛下线 10 分钟"_s;
        QTest::newRow("tag of the wrong type") << QVariantList{"fast", 600, 30} << -1 << 600 << 30
                                               << u"营业 10 分钟 / 眼睛下线 30 秒"_s << QString();
        QTest::newRow("own rhythm with zero rest")
            << QVariantList{none, 600, none} << 120020 << 1200 << 20 << unset << twenty;
    }
    void loadsStoredRhythm() {
        QFETCH(QVariantList, stored);
        QFETCH(QString, own);
        QFETCH(QString, checked);
        DelegateFixture f;
        const QStringList keys = {u"selectedRestModeTag"_s, u"customRestModeWorkDuration"_s,
                                  u"customRestModeRestDuration"_s};
        for (int i = 0; i < keys.size(); ++i) {
            if (stored.at(i).isValid()) {
                f.storeRaw(keys.at(i), stored.at(i));
            }
        }
        // Read back through a fresh file handle, as the next launch would.
        Preferences reread(f.settingsPath);
        AppDelegate d(f.adapters, Services{f.clock, reread, f.store, f.services().wallpapers});
        d.applicationDidFinishLaunching();
        QTEST(d.selectedRestModeTag, "tag");
        QTEST(static_cast<int>(d.restCycle.workDuration()), "work");
        QTEST(static_cast<int>(d.restCycle.restDuration()), "rest");

        QMenu* rhythms = qobject_cast<QMenu*>(d.customRestModeMenuItem->parent());
        Q_EMIT rhythms->aboutToShow();
        QCOMPARE(d.customRestModeMenuItem->text(), u"自定义节奏："_s + own);
        QCOMPARE(d.customRestModeMenuItem->isEnabled(), own != u"尚未设置"_s);
        QStringList marked;
        for (QAction* line : rhythms->actions()) {
            if (line->isChecked()) {
                marked.append(line->text());
            }
        }
        QCOMPARE(marked, QStringList{checked.isEmpty() ? d.customRestModeMenuItem->text() : checked});
    }

    void dialogInput_data() {
        QTest::addColumn<QString>("minutes");
        QTest::addColumn<QString>("seconds");
        QTest::addColumn<bool>("valid");
        QTest::newRow("blanks around") << u" 25 \n"_s << u"30"_s << true;
        QTest::newRow("bounds low") << u"1"_s << u"5"_s << true;
        QTest::newRow("bounds high") << u"240"_s << u"3600"_s << true;
        QTest::newRow("plus sign") << u"+20"_s << u"+20"_s << true;
        QTest::newRow("zero minutes") << u"0"_s << u"20"_s << false;
        QTest::newRow("241 minutes") << u"241"_s << u"20"_s << false;
        QTest::newRow("4 seconds") << u"20"_s << u"4"_s << false;
        QTest::newRow("3601 seconds") << u"20"_s << u"3601"_s << false;
        QTest::newRow("letters") << u"2O"_s << u"20"_s << false;
        QTest::newRow("empty") << QString() << u"20"_s << false;
        QTest::newRow("decimal") << u"20.5"_s << u"20"_s << false;
        QTest::newRow("inner blank") << u"2 0"_s << u"20"_s << false;
        QTest::newRow("negative") << u"-5"_s << u"20"_s << false;
        QTest::newRow("does not fit") << u"99999999999999999999"_s << u"20"_s << false;
    }
    void dialogInput() {
        QFETCH(QString, minutes);
        QFETCH(QString, seconds);
        QTEST(AppDelegate::parseCustomRestMode(minutes, seconds).has_value(), "valid");
    }

    // A tray without a button has no tooltip but still gets the menu.
    void launchGreetsThenCounts_data() {
        QTest::addColumn<bool>("button");
        QTest::addColumn<QString>("toolTip");
        QTest::newRow("button") << true << u"Tavo: 菜单栏状态续命搭子"_s;
        QTest::newRow("no button") << false << QString();
    }
    void launchGreetsThenCounts() {
        QFETCH(bool, button);
        DelegateFixture f;
        f.platform.statusItem.button = button;
        AppDelegate& d = f.launch();
        const QStringList greetings = {u"今日状态：不硬撑，先活着"_s, u"今日策略：少熬一点，多眨几下"_s,
                                       u"今日装备：水杯、远眺、拒绝硬扛"_s,
                                       u"今日提醒：钱是老板的，眼睛是自己的"_s,
                                       u"今日开局：先把状态条保住"_s};
        QVERIFY2(greetings.contains(d.statusLine()), qPrintable(d.statusLine()));
        QTEST(f.platform.statusItem.toolTip, "toolTip");
        QCOMPARE(f.platform.statusItem.menu, d.statusMenu.get());
        f.clock.advance(5);
        QVERIFY(greetings.contains(d.statusLine()));
        f.clock.advance(1); // tick 6: the greeting has expired
        QCOMPARE(d.statusLine(), u"💼 打工续航还剩 19:54"_s);
    }

    // The cycle's own suite counts the loop through and its lines; here, what the screens show.
    void windowsReusedWhileScreenCountHolds() {
        DelegateFixture f;
        AppDelegate& d = f.launch();
        f.clock.advance(1201); // a scheduled rest covers the screen and goes
        QCOMPARE(f.log.filter(u"Tavo: "_s).last(), u"Tavo: Recreating rest windows"_s);
        RestWindow* first = d.restWindows.first();
        QVERIFY(first->isVisible());
        QCOMPARE(first->geometry(), QRect(0, 0, 1280, 800));
        QWidget* firstView = first->contentView();
        f.clock.advance(21);
        QVERIFY(!first->isVisible());

        d.triggerRestNow();
        QCOMPARE(f.log.last(), u"Tavo: Reusing existing rest windows"_s);
        QCOMPARE(d.restWindows, QList<RestWindow*>{first});
        QVERIFY(first->contentView() != firstView); // a fresh view for every rest
        d.stopRest(std::nullopt);

        // Another count of screens: new windows, one a screen, each on its own.
        for (const QList<QRect>& frames :
             {QList<QRect>{QRect(0, 0, 1280, 800), QRect(1280, 0, 1920, 1080)}, {QRect(0, 0, 1920, 1080)}}) {
            f.platform.screens.screenFrames = frames;
            d.triggerRestNow();
            QCOMPARE(f.log.last(), u"Tavo: Recreating rest windows"_s);
            QCOMPARE(d.restWindows.size(), frames.size());
            QCOMPARE(d.restWindows.last()->geometry(), frames.last());
            QCOMPARE(d.restWindows.last()->contentView()->size(), frames.last().size());
            d.stopRest(std::nullopt);
        }

        // No screen at all: the rest still runs and ends by the countdown.
        f.platform.screens.screenFrames = {};
        d.triggerRestNow();
        QVERIFY(d.restWindows.isEmpty());
        f.clock.advance(21);
        QVERIFY(!d.restCycle.isResting());
    }

    // Away from the desk on the twenty-minute rhythm, then the hour rhythm chosen from the
    // menu just back, before the next idle measurement: the hour's countdown runs from its start.
    void rhythmChosenWhileAwayStaysAfterTheReturn() {
        DelegateFixture f;
        f.adapters.idleTime = &f.platform.idleTime;
        AppDelegate& d = f.launch();
        f.clock.advance(600);
        f.platform.idleTime.idleMs = 400'000; // left alone for 400 s
        f.clock.advance(5);
        QVERIFY(d.restCycle.isAway());
        d.selectMode(3600600);
        QCOMPARE(d.statusLine(), u"⏳ 距离眼睛下班还有 60:00"_s);
        f.platform.idleTime.idleMs = 0; // input again
        f.clock.advance(5);
        QVERIFY(!d.restCycle.isAway());
        QCOMPARE(d.restCycle.workSecondsRemaining(), 3595);
        QCOMPARE(d.statusLine(), u"💼 打工续航还剩 59:55"_s);
    }

    // A rest held for a full-screen program; a rhythm chosen meanwhile starts a new work
    // period, whose countdown the status line shows once the program has left full screen,
    // and whose rest waits, as any other would, for a program full screen again.
    void rhythmChosenWhileARestIsHeldStartsAFreshPeriod() {
        DelegateFixture f;
        f.adapters.fullScreen = &f.platform.fullScreen;
        AppDelegate& d = f.launch();
        f.platform.fullScreen.fullScreen = true;
        f.clock.advance(1201);
        QCOMPARE(d.statusLine(), u"🎬 全屏中，休息稍后开始"_s);
        f.platform.fullScreen.fullScreen = false;
        d.selectMode(2700300);
        f.clock.advance(60);
        QCOMPARE(d.restCycle.workSecondsRemaining(), 2640);
        QCOMPARE(d.statusLine(), u"💼 打工续航还剩 44:00"_s);
        QVERIFY(!d.restCycle.isHoldingRestForFullScreen());
        f.clock.advance(2640);
        QCOMPARE(d.restCycle.workSecondsRemaining(), 0);
        f.platform.fullScreen.fullScreen = true;
        f.clock.advance(1);
        QVERIFY(!d.restCycle.isResting());
        QCOMPARE(d.statusLine(), u"🎬 全屏中，休息稍后开始"_s);
    }

    void screensAttachedOrDetachedDuringARestChangeTheWindowsAtOnce() {
        DelegateFixture f;
        const QRect left(0, 0, 1920, 1080);
        const QRect right(1920, 0, 1280, 800);
        f.platform.screens.screenFrames = {left, right};
        AppDelegate& d = f.launch();
        const auto screensBecome = [&f](const QList<QRect>& frames) {
            f.platform.screens.screenFrames = frames;
            Q_EMIT f.platform.screens.changed();
            QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        };
        // Between rests nothing changes until the next rest.
        screensBecome({left});
        QVERIFY(d.restWindows.isEmpty());

        screensBecome({left, right});
        d.triggerRestNow();
        const QPointer<RestWindow> onLeft = d.restWindows.at(0);
        const QPointer<RestWindow> onRight = d.restWindows.at(1);
        screensBecome({left});
        QVERIFY(onRight.isNull());
        QCOMPARE(d.restWindows, QList<RestWindow*>{onLeft});

        const QRect added(-1280, 0, 1280, 1024);
        screensBecome({added, left});
        QCOMPARE(d.restWindows.size(), 2);
        QCOMPARE(d.restWindows.at(1), onLeft.data());
        QCOMPARE(d.restWindows.at(0)->geometry(), added);
        QVERIFY(d.restWindows.at(0)->isVisible());
        QVERIFY(d.restCycle.isResting());

        // Quitting mid-rest closes every window.
        QSignalSpy terminate(&d, &AppDelegate::terminateRequested);
        d.quitApp();
        QCOMPARE(terminate.size(), 1);
        QVERIFY(d.restWindows.isEmpty());
        QVERIFY(d.isQuitting);
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        const auto topLevel = QApplication::topLevelWidgets();
        QVERIFY(std::none_of(topLevel.begin(), topLevel.end(),
                             [](QWidget* w) { return qobject_cast<RestWindow*>(w) != nullptr; }));
    }
};

QTEST_MAIN(RestLoopTest)
#include "tst_restloop.moc"
