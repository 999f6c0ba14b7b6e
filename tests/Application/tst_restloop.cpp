#include "Application/AppDelegate.h"
#include "Platform/Log.h"
#include "Platform/Settings.h"
#include "Rest/RestWindow.h"
#include "support/DelegateFixture.h"
#include "support/FakeClock.h"
#include "support/TestPlatform.h"

#include <QAction>
#include <QApplication>
#include <QLineEdit>
#include <QMenu>
#include <QSignalSpy>
#include <QTest>

class RestLoopTest : public QObject {
    Q_OBJECT

private:
    struct Fixture : DelegateFixture {
        QString statusLine() const { return delegate->statusLine; }
    };

private Q_SLOTS:
    void loadsStoredRhythm_data() {
        QTest::addColumn<QVariantMap>("stored");
        QTest::addColumn<int>("tag");
        QTest::addColumn<int>("work");
        QTest::addColumn<int>("rest");
        const auto map = [](std::initializer_list<std::pair<const char*, QVariant>> pairs) {
            QVariantMap m;
            for (const auto& [k, v] : pairs) {
                m.insert(QString::fromLatin1(k), v);
            }
            return m;
        };
        QTest::newRow("empty") << QVariantMap() << 120020 << 1200 << 20;
        QTest::newRow("45-minute preset")
            << map({{"selectedRestModeTag", 2700300}}) << 2700300 << 2700 << 300;
        QTest::newRow("unknown tag") << map({{"selectedRestModeTag", 123}}) << 120020 << 1200 << 20;
        QTest::newRow("own rhythm without tag")
            << map({{"customRestModeWorkDuration", 1500}, {"customRestModeRestDuration", 45}}) << -1 << 1500
            << 45;
        QTest::newRow("own rhythm selected") << map({{"selectedRestModeTag", -1},
                                                     {"customRestModeWorkDuration", 60},
                                                     {"customRestModeRestDuration", 5}})
                                             << -1 << 60 << 5;
        QTest::newRow("own tag but no own rhythm")
            << map({{"selectedRestModeTag", -1}}) << 120020 << 1200 << 20;
        QTest::newRow("preset tag wins over own rhythm") << map({{"selectedRestModeTag", 3600600},
                                                                 {"customRestModeWorkDuration", 60},
                                                                 {"customRestModeRestDuration", 5}})
                                                         << 3600600 << 3600 << 600;
        QTest::newRow("tag of the wrong type") << map({{"selectedRestModeTag", QStringLiteral("fast")},
                                                       {"customRestModeWorkDuration", 600},
                                                       {"customRestModeRestDuration", 30}})
                                               << -1 << 600 << 30;
        QTest::newRow("own rhythm with zero rest")
            << map({{"customRestModeWorkDuration", 600}}) << 120020 << 1200 << 20;
        // Hand edits the dialog would refuse: a rest every other second, a rest of 68 years.
        QTest::newRow("own rhythm of 1 s / 1 s") << map({{"selectedRestModeTag", -1},
                                                         {"customRestModeWorkDuration", 1},
                                                         {"customRestModeRestDuration", 1}})
                                                 << 120020 << 1200 << 20;
        QTest::newRow("own rest of 2147483647 s") << map({{"selectedRestModeTag", -1},
                                                          {"customRestModeWorkDuration", 1200},
                                                          {"customRestModeRestDuration", 2147483647}})
                                                  << 120020 << 1200 << 20;
    }
    void loadsStoredRhythm() {
        QFETCH(QVariantMap, stored);
        Fixture f;
        for (auto it = stored.begin(); it != stored.end(); ++it) {
            f.storeRaw(it.key(), it.value());
        }
        // Read back through a fresh file handle, as the next launch would.
        Preferences reread(f.settingsPath);
        Services services = f.services();
        AppDelegate delegate(f.adapters, Services{f.clock, reread, f.store, services.wallpapers});
        delegate.loadRestModeConfiguration();
        QFETCH(int, tag);
        QCOMPARE(delegate.selectedRestModeTag, tag);
        QTEST(static_cast<int>(delegate.workDuration), "work");
        QTEST(static_cast<int>(delegate.restDuration), "rest");
    }

    void dialogInput_data() {
        QTest::addColumn<QString>("minutes");
        QTest::addColumn<QString>("seconds");
        QTest::addColumn<bool>("valid");
        QTest::newRow("blanks around") << " 25 \n"
                                       << "30" << true;
        QTest::newRow("bounds low") << "1"
                                    << "5" << true;
        QTest::newRow("bounds high") << "240"
                                     << "3600" << true;
        QTest::newRow("plus sign") << "+20"
                                   << "+20" << true;
        QTest::newRow("zero minutes") << "0"
                                      << "20" << false;
        QTest::newRow("241 minutes") << "241"
                                     << "20" << false;
        QTest::newRow("4 seconds") << "20"
                                   << "4" << false;
        QTest::newRow("3601 seconds") << "20"
                                      << "3601" << false;
        QTest::newRow("letters") << "2O"
                                 << "20" << false;
        QTest::newRow("empty") << ""
                               << "20" << false;
        QTest::newRow("decimal") << "20.5"
                                 << "20" << false;
        QTest::newRow("inner blank") << "2 0"
                                     << "20" << false;
        QTest::newRow("does not fit") << "99999999999999999999"
                                      << "20" << false;
        QTest::newRow("negative") << "-5"
                                  << "20" << false;
    }
    void dialogInput() {
        QFETCH(QString, minutes);
        QFETCH(QString, seconds);
        QFETCH(bool, valid);
        QCOMPARE(AppDelegate::parseCustomRestMode(minutes, seconds).has_value(), valid);
    }

    void ownRhythmDialogSavesAndRestarts() {
        Fixture f;
        AppDelegate& d = f.launch();
        f.platform.alerts.answer(Alerts::firstButton, {QStringLiteral(" 25 "), QStringLiteral("30")});
        d.showCustomRestModeDialog();
        QCOMPARE(d.selectedRestModeTag, -1);
        QCOMPARE(d.workDuration, 1500);
        QCOMPARE(d.restDuration, 30);
        QCOMPARE(d.workSecondsRemaining, 1500);
        QCOMPARE(f.prefs.value(Settings::customRestModeWorkDuration), 1500);
        QCOMPARE(f.prefs.value(Settings::selectedRestModeTag), -1);
        QCOMPARE(d.customRestModeMenuItem->text(),
                 QStringLiteral("自定义节奏：营业 25 分钟 / 眼睛下线 30 秒"));
        QVERIFY(d.customRestModeMenuItem->isEnabled());
        QVERIFY(d.customRestModeMenuItem->isChecked());

        // The dialog proposes what is active now; cancelling changes nothing.
        QStringList proposed;
        f.platform.alerts.responders.append([&proposed](const Alert& alert) {
            for (const QLineEdit* field : alert.accessory->findChildren<QLineEdit*>()) {
                proposed.append(field->text());
            }
            return 1;
        });
        d.showCustomRestModeDialog();
        QCOMPARE(proposed, (QStringList{QStringLiteral("25"), QStringLiteral("30")}));
        QCOMPARE(f.platform.alerts.shown.last().messageText, QStringLiteral("设置护眼节奏"));
        QCOMPARE(d.workDuration, 1500);
    }

    void invalidDialogInputChangesNothing() {
        Fixture f;
        AppDelegate& d = f.launch();
        f.clock.advance(100);
        f.platform.alerts.answer(Alerts::firstButton, {QStringLiteral("241"), QStringLiteral("30")});
        f.platform.alerts.answer(Alerts::firstButton);
        d.showCustomRestModeDialog();
        QCOMPARE(f.platform.alerts.shown.size(), 2);
        QCOMPARE(f.platform.alerts.shown.at(1).messageText, QStringLiteral("护眼节奏无效"));
        QCOMPARE(f.platform.alerts.shown.at(1).style, AlertStyle::Warning);
        QCOMPARE(f.platform.alerts.shown.at(1).buttons, QStringList{QStringLiteral("好的")});
        QCOMPARE(d.workDuration, 1200);
        QCOMPARE(d.workSecondsRemaining, 1100);
        QVERIFY(!f.prefs.contains(Settings::customRestModeWorkDuration));
        QCOMPARE(d.customRestModeMenuItem->text(), QStringLiteral("自定义节奏：尚未设置"));
        QVERIFY(!d.customRestModeMenuItem->isEnabled());
    }

    void choosingRhythmRestartsCountdown() {
        Fixture f;
        AppDelegate& d = f.launch();
        f.clock.advance(30);
        d.selectMode(120020);
        QCOMPARE(d.workSecondsRemaining, 1200);
        d.selectMode(2700300);
        QCOMPARE(d.workSecondsRemaining, 2700);
        QCOMPARE(d.restModeSummaryMenuItem->text(),
                 QStringLiteral("当前节奏：营业 45 分钟 / 眼睛下线 5 分钟"));
        QVERIFY(d.modeMenuItems.value(2700300)->isChecked());
        QVERIFY(!d.modeMenuItems.value(120020)->isChecked());
        d.selectMode(555); // unknown line: nothing
        QCOMPARE(d.selectedRestModeTag, 2700300);
        QCOMPARE(f.prefs.value(Settings::selectedRestModeTag), 2700300);
        // The own-rhythm line without an own rhythm opens the dialog instead.
        d.selectMode(-1);
        QCOMPARE(f.platform.alerts.shown.size(), 1);
        QCOMPARE(d.selectedRestModeTag, 2700300);
    }

    void statusTemplatesFollowTheMinute_data() {
        QTest::addColumn<int>("seconds");
        QTest::addColumn<QString>("title");
        QTest::newRow("3:05") << 185 << QStringLiteral("🫡 护眼倒计时 03:05");
        QTest::newRow("4:00") << 240 << QStringLiteral("💼 打工续航还剩 04:00");
        QTest::newRow("4:59") << 299 << QStringLiteral("💼 打工续航还剩 04:59");
        QTest::newRow("5:00") << 300 << QStringLiteral("⏳ 距离眼睛下班还有 05:00");
        QTest::newRow("0:00") << 0 << QStringLiteral("⏳ 距离眼睛下班还有 00:00");
        QTest::newRow("1:59") << 119 << QStringLiteral("👁 视网膜续航剩 01:59");
        QTest::newRow("2:00") << 120 << QStringLiteral("🧃 再营业 02:00 就强制充电");
        QTest::newRow("240:00") << 14400 << QStringLiteral("⏳ 距离眼睛下班还有 240:00");
    }
    void statusTemplatesFollowTheMinute() {
        QFETCH(int, seconds);
        QTEST(AppDelegate::statusTitle(seconds), "title");
    }

    void launchGreetsThenCounts() {
        Fixture f;
        AppDelegate& d = f.launch();
        QVERIFY(AppDelegate::launchGreetings().contains(f.statusLine()));
        QCOMPARE(f.platform.statusItem.toolTip, QStringLiteral("Tavo: 菜单栏状态续命搭子"));
        QVERIFY(!f.platform.statusItem.icon.isNull());
        QCOMPARE(f.platform.statusItem.menu, d.statusMenu.get());
        f.clock.advance(5);
        QVERIFY(AppDelegate::launchGreetings().contains(f.statusLine()));
        f.clock.advance(1); // tick 6: the greeting has expired
        QCOMPARE(f.statusLine(), QStringLiteral("💼 打工续航还剩 19:54"));
        QVERIFY(!d.transientStatusMessage);
    }

    void transientMessageHidesCountdownUntilExpiry() {
        Fixture f;
        AppDelegate& d = f.launch();
        f.clock.advance(10);
        f.clock.advance(0.5);
        d.setTransientStatus(QStringLiteral("稍等"), 5.0);
        QCOMPARE(f.statusLine(), QStringLiteral("稍等"));
        f.clock.advance(4.5); // tick at +15 s: 0.5 s short of the expiry
        QCOMPARE(f.statusLine(), QStringLiteral("稍等"));
        f.clock.advance(1.0);
        QCOMPARE(f.statusLine(), AppDelegate::statusTitle(1200 - 16));
    }

    void tickSequenceOfTwentyMinuteRhythm() {
        Fixture f;
        AppDelegate& d = f.launch();
        f.clock.advance(1200);
        QVERIFY(!d.isResting);
        QCOMPARE(d.workSecondsRemaining, 0);
        QCOMPARE(f.statusLine(), QStringLiteral("⏳ 距离眼睛下班还有 00:00"));

        f.clock.advance(1); // tick 1201
        QVERIFY(d.isResting);
        QVERIFY(d.currentRestSessionId.has_value());
        QCOMPARE(d.currentRestSessionId->size(), 36);
        QCOMPARE(*d.currentRestSessionId, d.currentRestSessionId->toUpper());
        QCOMPARE(d.currentRestSource, StatsEventSource::scheduled);
        QCOMPARE(f.statusLine(), QStringLiteral("💆 眼睛已申请强制下线，正在闭眼充能"));
        QCOMPARE(d.restWindows.size(), 1);
        QVERIFY(d.restWindows.first()->isVisible());
        QCOMPARE(d.restWindows.first()->geometry(), QRect(0, 0, 1280, 800));
        QCOMPARE(d.restSecondsRemaining, 20);
        QList<StatsEvent> events = f.events();
        QCOMPARE(events.size(), 2);
        QCOMPARE(events.at(0).type, StatsEventType::appLaunched);
        QCOMPARE(events.at(1).type, StatsEventType::restStarted);
        QCOMPARE(events.at(1).source, StatsEventSource::scheduled);
        QCOMPARE(events.at(1).sessionId, d.currentRestSessionId);
        QCOMPARE(events.at(1).timestamp, QDateTime(QDate(2026, 3, 2), QTime(9, 20, 1)));
        QCOMPARE(payloadInt(events.at(1), QStringLiteral("plannedSeconds")), 20);
        QCOMPARE(payloadInt(events.at(1), QStringLiteral("workDurationSeconds")), 1200);
        QCOMPARE(payloadInt(events.at(1), QStringLiteral("actualSeconds")), 0);
        const std::optional<QString> session = d.currentRestSessionId;

        f.clock.advance(20); // ticks 1202…1221
        QVERIFY(d.isResting);
        QCOMPARE(d.restSecondsRemaining, 0);
        QCOMPARE(f.statusLine(), QStringLiteral("💆 眼睛已申请强制下线，正在闭眼充能"));

        f.clock.advance(1); // tick 1222
        QVERIFY(!d.isResting);
        QVERIFY(!d.currentRestSessionId);
        QVERIFY(!d.restWindows.first()->isVisible());
        QVERIFY(AppDelegate::restEndMessages().contains(f.statusLine()));
        QCOMPARE(d.workSecondsRemaining, 1200);
        events = f.events();
        QCOMPARE(events.size(), 3);
        QCOMPARE(events.at(2).type, StatsEventType::restCompleted);
        QCOMPARE(events.at(2).source, StatsEventSource::scheduled);
        QCOMPARE(events.at(2).sessionId, session);
        QCOMPARE(payloadInt(events.at(2), QStringLiteral("actualSeconds")), 20);
        QCOMPARE(payloadInt(events.at(2), QStringLiteral("skippedSeconds")), 0);
        f.clock.advance(5);
        QCOMPARE(f.statusLine(), AppDelegate::statusTitle(1195));
    }

    void skipRecordsLeftSecondsAndShowsMessage() {
        Fixture f;
        AppDelegate& d = f.launch();
        d.triggerRestNow();
        QCOMPARE(d.currentRestSource, StatsEventSource::manual);
        const QString session = *d.currentRestSessionId;
        d.triggerRestNow(); // already resting: nothing
        QCOMPARE(*d.currentRestSessionId, session);
        f.clock.advance(8);
        QCOMPARE(d.restSecondsRemaining, 12);
        f.prefs.setValue(Settings::selectedTheme, QStringLiteral("ultraman"));
        d.stopRest(QStringLiteral("跳过也行，下次别硬扛"));
        const StatsEvent skipped = f.events().last();
        QCOMPARE(skipped.type, StatsEventType::restSkipped);
        QCOMPARE(skipped.source, StatsEventSource::manual);
        QCOMPARE(skipped.sessionId.value_or(QString()), session);
        QCOMPARE(skipped.payload.size(), 5);
        QCOMPARE(payloadInt(skipped, QStringLiteral("actualSeconds")), 8);
        QCOMPARE(payloadInt(skipped, QStringLiteral("skippedSeconds")), 12);
        QCOMPARE(skipped.payload.find(QStringLiteral("theme"))->stringValue(), QStringLiteral("ultraman"));
        QVERIFY(!d.isResting);
        QCOMPARE(f.statusLine(), QStringLiteral("跳过也行，下次别硬扛"));
        // A second screen reporting the same skip changes nothing.
        d.stopRest(QStringLiteral("另一块屏幕"));
        QCOMPARE(f.statusLine(), QStringLiteral("跳过也行，下次别硬扛"));
        QCOMPARE(f.events().size(), 3);
    }

    void windowsReusedWhileScreenCountHolds() {
        Fixture f;
        AppDelegate& d = f.launch();
        d.triggerRestNow();
        QCOMPARE(f.log.filter(QStringLiteral("Tavo: ")).last(),
                 QStringLiteral("Tavo: Recreating rest windows"));
        RestWindow* first = d.restWindows.first();
        QWidget* firstView = first->contentView();
        d.stopRest(std::nullopt);

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
        QVERIFY(!d.isResting);
    }

    void screensAttachedOrDetachedDuringARestChangeTheWindowsAtOnce() {
        Fixture f;
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
        QVERIFY(d.isResting);
    }

    void quittingClosesWindows() {
        Fixture f;
        AppDelegate& d = f.launch();
        QVERIFY(!d.isQuitting);
        f.platform.screens.screenFrames = {QRect(0, 0, 800, 600), QRect(800, 0, 800, 600)};
        d.triggerRestNow();
        QCOMPARE(d.restWindows.size(), 2);
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

    void servicesStartOnce() {
        Fixture f;
        AppDelegate& d = f.launch();
        f.clock.advance(100);
        const int timers = f.clock.activeTimerCount();
        d.startServices();
        QCOMPARE(d.workSecondsRemaining, 1100);
        QCOMPARE(f.clock.activeTimerCount(), timers);
        const QList<StatsEvent> events = f.events();
        QCOMPARE(std::count_if(events.begin(), events.end(),
                               [](const StatsEvent& e) { return e.type == StatsEventType::appLaunched; }),
                 1);
    }

    void statusItemWithoutButtonStillGetsMenu() {
        Fixture f;
        f.platform.statusItem.button = false;
        AppDelegate& d = f.launch();
        QVERIFY(f.platform.statusItem.toolTip.isEmpty());
        QCOMPARE(f.platform.statusItem.menu, d.statusMenu.get());
    }
};

QTEST_MAIN(RestLoopTest)
#include "tst_restloop.moc"
