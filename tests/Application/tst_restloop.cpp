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

class RestLoopTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void loadsStoredRhythm_data() {
        QTest::addColumn<QVariantList>("stored");
        QTest::addColumn<int>("tag");
        QTest::addColumn<int>("work");
        QTest::addColumn<int>("rest");
        // The stored tag, work and rest seconds; an invalid value is not stored. (Values out of
        // the dialog's range read as absent: see the settings suite.)
        const QVariant none;
        QTest::newRow("empty") << QVariantList{none, none, none} << 120020 << 1200 << 20;
        QTest::newRow("unknown tag") << QVariantList{123, none, none} << 120020 << 1200 << 20;
        QTest::newRow("own rhythm without tag") << QVariantList{none, 1500, 45} << -1 << 1500 << 45;
        QTest::newRow("own rhythm selected") << QVariantList{-1, 60, 5} << -1 << 60 << 5;
        QTest::newRow("own tag but no own rhythm") << QVariantList{-1, none, none} << 120020 << 1200 << 20;
        QTest::newRow("preset tag wins over own rhythm")
            << QVariantList{3600600, 60, 5} << 3600600 << 3600 << 600;
        QTest::newRow("tag of the wrong type") << QVariantList{"fast", 600, 30} << -1 << 600 << 30;
        QTest::newRow("own rhythm with zero rest") << QVariantList{none, 600, none} << 120020 << 1200 << 20;
    }
    void loadsStoredRhythm() {
        QFETCH(QVariantList, stored);
        DelegateFixture f;
        const QString keys[] = {QStringLiteral("selectedRestModeTag"),
                                QStringLiteral("customRestModeWorkDuration"),
                                QStringLiteral("customRestModeRestDuration")};
        for (int i = 0; i < 3; ++i) {
            if (stored.at(i).isValid()) {
                f.storeRaw(keys[i], stored.at(i));
            }
        }
        // Read back through a fresh file handle, as the next launch would.
        Preferences reread(f.settingsPath);
        Services services = f.services();
        AppDelegate delegate(f.adapters, Services{f.clock, reread, f.store, services.wallpapers});
        delegate.loadRestModeConfiguration();
        QTEST(delegate.selectedRestModeTag, "tag");
        QTEST(static_cast<int>(delegate.restCycle.workDuration()), "work");
        QTEST(static_cast<int>(delegate.restCycle.restDuration()), "rest");
    }

    void dialogInput_data() {
        QTest::addColumn<QString>("minutes");
        QTest::addColumn<QString>("seconds");
        QTest::addColumn<bool>("valid");
        const struct {
            const char* name;
            const char* minutes;
            const char* seconds;
            bool valid;
        } rows[] = {
            {"blanks around", " 25 \n", "30", true}, {"bounds low", "1", "5", true},
            {"bounds high", "240", "3600", true},    {"plus sign", "+20", "+20", true},
            {"zero minutes", "0", "20", false},      {"241 minutes", "241", "20", false},
            {"4 seconds", "20", "4", false},         {"3601 seconds", "20", "3601", false},
            {"letters", "2O", "20", false},          {"empty", "", "20", false},
            {"decimal", "20.5", "20", false},        {"inner blank", "2 0", "20", false},
            {"negative", "-5", "20", false},         {"does not fit", "99999999999999999999", "20", false},
        };
        for (const auto& row : rows) {
            QTest::newRow(row.name) << QString::fromLatin1(row.minutes) << QString::fromLatin1(row.seconds)
                                    << row.valid;
        }
    }
    void dialogInput() {
        QFETCH(QString, minutes);
        QFETCH(QString, seconds);
        QFETCH(bool, valid);
        QCOMPARE(AppDelegate::parseCustomRestMode(minutes, seconds).has_value(), valid);
    }

    // A tray without a button has no tooltip but still gets the menu.
    void launchGreetsThenCounts_data() {
        QTest::addColumn<bool>("button");
        QTest::addColumn<QString>("toolTip");
        QTest::newRow("button") << true << QStringLiteral("Tavo: 菜单栏状态续命搭子");
        QTest::newRow("no button") << false << QString();
    }
    void launchGreetsThenCounts() {
        QFETCH(bool, button);
        DelegateFixture f;
        f.platform.statusItem.button = button;
        AppDelegate& d = f.launch();
        QVERIFY(AppDelegate::launchGreetings().contains(d.statusLine()));
        QTEST(f.platform.statusItem.toolTip, "toolTip");
        QCOMPARE(f.platform.statusItem.menu, d.statusMenu.get());
        f.clock.advance(5);
        QVERIFY(AppDelegate::launchGreetings().contains(d.statusLine()));
        f.clock.advance(1); // tick 6: the greeting has expired
        QCOMPARE(d.statusLine(), QStringLiteral("💼 打工续航还剩 19:54"));
    }

    // The cycle's own suite counts the loop through and its lines; here, what the screens show.
    void windowsReusedWhileScreenCountHolds() {
        DelegateFixture f;
        AppDelegate& d = f.launch();
        f.clock.advance(1201); // a scheduled rest covers the screen and goes
        QCOMPARE(f.log.filter(QStringLiteral("Tavo: ")).last(),
                 QStringLiteral("Tavo: Recreating rest windows"));
        RestWindow* first = d.restWindows.first();
        QVERIFY(first->isVisible());
        QCOMPARE(first->geometry(), QRect(0, 0, 1280, 800));
        QWidget* firstView = first->contentView();
        f.clock.advance(21);
        QVERIFY(!first->isVisible());
        QVERIFY(RestCycle::restEndMessages().contains(d.statusLine()));

        d.triggerRestNow();
        QCOMPARE(f.log.last(), QStringLiteral("Tavo: Reusing existing rest windows"));
        QCOMPARE(d.restWindows.size(), 1);
        QCOMPARE(d.restWindows.first(), first);
        QVERIFY(first->contentView() != firstView); // a fresh view for every rest
        d.stopRest(std::nullopt);

        f.platform.screens.screenFrames = {QRect(0, 0, 1280, 800), QRect(1280, 0, 1920, 1080)};
        d.triggerRestNow();
        QCOMPARE(f.log.last(), QStringLiteral("Tavo: Recreating rest windows"));
        QCOMPARE(d.restWindows.size(), 2);
        QCOMPARE(d.restWindows.at(1)->geometry(), QRect(1280, 0, 1920, 1080));
        QCOMPARE(d.restWindows.at(1)->contentView()->size(), QSize(1920, 1080));
        d.stopRest(std::nullopt);

        f.platform.screens.screenFrames = {QRect(0, 0, 1920, 1080)};
        d.triggerRestNow();
        QCOMPARE(f.log.last(), QStringLiteral("Tavo: Recreating rest windows"));
        QCOMPARE(d.restWindows.size(), 1);
        d.stopRest(std::nullopt);

        // No screen at all: the rest still runs and ends by the countdown.
        f.platform.screens.screenFrames = {};
        d.triggerRestNow();
        QVERIFY(d.restWindows.isEmpty());
        f.clock.advance(21);
        QVERIFY(!d.restCycle.isResting());
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
