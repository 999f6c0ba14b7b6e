#include "Application/AppDelegate.h"
#include "Platform/Log.h"
#include "Platform/Settings.h"
#include "Stats/StatsStore.h"
#include "support/DelegateFixture.h"
#include "support/FakeClock.h"
#include "support/FakeNotifications.h"
#include "support/TestPlatform.h"

#include <QAction>
#include <QLineEdit>
#include <QMenu>
#include <QTest>

// The status menu as built, and how its check marks follow the settings.
class MenuTest : public QObject {
    Q_OBJECT

private:
    struct Fixture : DelegateFixture {
        QMenu* menu() const { return delegate->statusMenu.get(); }
        // The submenu of the status menu's line with this title.
        QMenu* submenu(const QString& title) const {
            for (QAction* line : menu()->actions()) {
                if (line->text() == title && line->menu()) {
                    return line->menu();
                }
            }
            return nullptr;
        }
        // Opens a menu the way the tray does: its aboutToShow runs first.
        static void open(QMenu* menu) { Q_EMIT menu->aboutToShow(); }
        static QStringList checked(QMenu* menu) {
            QStringList titles;
            for (QAction* line : menu->actions()) {
                if (line->isChecked()) {
                    titles.append(line->text());
                }
            }
            return titles;
        }
    };

    // The visible lines as "title|on/off|checkable|checked|>submenu"; separators are "---".
    // Reminder lines whose titles the reminders write are "*".
    static QStringList describe(QMenu* menu, const QSet<QAction*>& untitled = {}) {
        QStringList lines;
        for (QAction* line : menu->actions()) {
            if (!line->isVisible()) {
                continue;
            }
            if (line->isSeparator()) {
                lines.append(QStringLiteral("---"));
                continue;
            }
            QString text = untitled.contains(line) ? QStringLiteral("*") : line->text();
            text += line->isEnabled() ? QStringLiteral("|on") : QStringLiteral("|off");
            if (line->isCheckable()) {
                text += QStringLiteral("|checkable");
            }
            if (line->isChecked()) {
                text += QStringLiteral("|checked");
            }
            if (line->menu()) {
                text += QStringLiteral("|>");
            }
            lines.append(text);
        }
        return lines;
    }

private Q_SLOTS:
    void buildsTheStatusMenuInOrder() {
        Fixture f;
        AppDelegate& d = f.launch();
        QCOMPARE(f.platform.statusItem.menu, f.menu());
        const QSet<QAction*> reminderLines = {
            d.hydrationStatusMenuItem,   d.hydrationToggleMenuItem,   d.hydrationIntervalMenuItem,
            d.pelvicFloorStatusMenuItem, d.pelvicFloorToggleMenuItem, d.pelvicFloorIntervalMenuItem,
        };
        const QStringList expected = {
            QStringLiteral("Tavo(塔沃)，祝你长生不老,永远塔沃🙏|off"),
            QStringLiteral("---"),
            QStringLiteral("👁 护眼休息|off"),
            QStringLiteral("*|off"), // the countdown line, showing the greeting
            QStringLiteral("    立即闭眼充能|on"),
            QStringLiteral("    ⏸ 暂停护眼|on|>"),
            QStringLiteral("    护眼节奏|on|>"),
            QStringLiteral("    切换休息主题|on|>"),
            QStringLiteral("---"),
            QStringLiteral("💧 喝水提醒|off"),
            QStringLiteral("*|off"),
            QStringLiteral("*|on|checkable|checked"),
            QStringLiteral("*|on|>"),
            QStringLiteral("    立即喝水|on"),
            QStringLiteral("---"),
            QStringLiteral("🫧 提肛提醒|off"),
            QStringLiteral("*|off"),
            QStringLiteral("*|on|checkable|checked"),
            QStringLiteral("*|on|>"),
            QStringLiteral("    立即提肛|on"),
            QStringLiteral("---"),
            QStringLiteral("📊 健康统计|on|>"),
            QStringLiteral("---"),
            QStringLiteral("开机自启|on|checkable"),
            QStringLiteral("---"),
            QStringLiteral("关于 Tavo|on"),
            QStringLiteral("退出|on"),
        };
        QCOMPARE(describe(f.menu(), reminderLines + QSet<QAction*>{d.statusMenuItem}), expected);
        for (QAction* line : f.menu()->actions()) {
            QVERIFY2(line->shortcut().isEmpty(), qPrintable(line->text()));
        }
    }

    void buildsTheSubmenus() {
        Fixture f;
        AppDelegate& d = f.launch();
        QCOMPARE(describe(f.submenu(QStringLiteral("    护眼节奏"))),
                 QStringList({
                     QStringLiteral("当前节奏：营业 20 分钟 / 眼睛下线 20 秒|off"),
                     QStringLiteral("---"),
                     QStringLiteral("营业 20 分钟 / 眼睛下线 20 秒|on|checkable|checked"),
                     QStringLiteral("营业 45 分钟 / 眼睛下线 5 分钟|on|checkable"),
                     QStringLiteral("营业 60 分钟 / 眼睛下线 10 分钟|on|checkable"),
                     QStringLiteral("---"),
                     QStringLiteral("自定义节奏：尚未设置|off|checkable"),
                     QStringLiteral("手动输入时长...|on"),
                 }));
        QCOMPARE(describe(f.submenu(QStringLiteral("    切换休息主题"))),
                 // No check mark on a theme before its submenu opens.
                 QStringList({QStringLiteral("极光萤火虫|on|checkable"),
                              QStringLiteral("随机网络壁纸|on|checkable"),
                              QStringLiteral("光之巨人|on|checkable")}));
        QCOMPARE(
            describe(d.hydrationIntervalMenuItem->menu()),
            QStringList({QStringLiteral("每 30 分钟|on|checkable"),
                         QStringLiteral("每 45 分钟|on|checkable|checked"),
                         QStringLiteral("每 60 分钟|on|checkable"), QStringLiteral("每 90 分钟|on|checkable"),
                         QStringLiteral("---"), QStringLiteral("手动输入间隔...|on")}));
        QCOMPARE(describe(d.pelvicFloorIntervalMenuItem->menu()),
                 QStringList({QStringLiteral("每 30 分钟|on|checkable"),
                              QStringLiteral("每 60 分钟|on|checkable|checked"),
                              QStringLiteral("每 90 分钟|on|checkable"),
                              QStringLiteral("每 120 分钟|on|checkable"), QStringLiteral("---"),
                              QStringLiteral("手动输入间隔...|on")}));
        QCOMPARE(describe(f.submenu(QStringLiteral("📊 健康统计"))),
                 QStringList({QStringLiteral("查看今日日报|on"), QStringLiteral("查看本周周报|on"),
                              QStringLiteral("查看本月月报|on")}));
    }

    // What the pause submenu offers, with and without the desktop's idle time and full-screen state.
    void pauseSubmenu_data() {
        QTest::addColumn<bool>("sources");
        QTest::addColumn<QStringList>("lines");
        const QStringList periods = {QStringLiteral("30 分钟|on"), QStringLiteral("1 小时|on"),
                                     QStringLiteral("2 小时|on"), QStringLiteral("直到明天|on"),
                                     QStringLiteral("---")};
        QTest::newRow("idle time and full screen known")
            << true
            << periods + QStringList{QStringLiteral("🌿 离开 5 分钟以上算作休息|on|checkable|checked"),
                                     QStringLiteral("🎬 全屏时休息稍后开始|on|checkable|checked")};
        QTest::newRow("neither known here")
            << false
            << periods + QStringList{QStringLiteral("🌿 离开算作休息：这个桌面读不到空闲时间|off|checkable"),
                                     QStringLiteral("🎬 全屏勿扰：这个桌面检测不到全屏|off|checkable")};
    }
    void pauseSubmenu() {
        QFETCH(bool, sources);
        Fixture f;
        if (sources) {
            f.adapters.idleTime = &f.platform.idleTime;
            f.adapters.fullScreen = &f.platform.fullScreen;
        }
        AppDelegate& d = f.launch();
        QMenu* pause = f.submenu(QStringLiteral("    ⏸ 暂停护眼"));
        f.open(pause);
        QTEST(describe(pause), "lines");
        if (!sources) {
            return;
        }
        // An hour's pause, then back; a setting switched off loses its check mark.
        pause->actions().at(1)->trigger();
        QCOMPARE(d.statusLine(), QStringLiteral("⏸ 已暂停，10:00 恢复"));
        f.open(pause);
        QVERIFY(d.resumeMenuItem->isVisible());
        d.resumeMenuItem->trigger();
        QCOMPARE(d.statusLine(), QStringLiteral("⏳ 距离眼睛下班还有 20:00"));
        d.naturalRestMenuItem->trigger();
        f.open(pause);
        QVERIFY(!d.naturalRestMenuItem->isChecked());
        QCOMPARE(f.prefs.value(Settings::naturalRestEnabled), false);
    }

    // A submenu's check mark as it opens, after a hand edit of the settings.
    void checkMarkFollowsTheStoredValue_data() {
        QTest::addColumn<QString>("key");
        QTest::addColumn<QVariant>("stored");
        QTest::addColumn<QString>("checked"); // empty: none
        const QString theme = QStringLiteral("selectedTheme");
        const QString hydration = QStringLiteral("hydrationReminderIntervalMinutes");
        const QString pelvicFloor = QStringLiteral("pelvicFloorReminderIntervalMinutes");
        QTest::newRow("no theme stored") << theme << QVariant() << QStringLiteral("极光萤火虫");
        QTest::newRow("ultraman") << theme << QVariant(QStringLiteral("ultraman"))
                                  << QStringLiteral("光之巨人");
        QTest::newRow("unknown theme") << theme << QVariant(QStringLiteral("sunset")) << QString();
        QTest::newRow("theme in the wrong case")
            << theme << QVariant(QStringLiteral("Wallpaper")) << QString();
        QTest::newRow("no drink interval") << hydration << QVariant() << QStringLiteral("每 45 分钟");
        QTest::newRow("drink preset") << hydration << QVariant(90) << QStringLiteral("每 90 分钟");
        QTest::newRow("drink interval of my own") << hydration << QVariant(50) << QString();
        QTest::newRow("no exercise interval") << pelvicFloor << QVariant() << QStringLiteral("每 60 分钟");
        QTest::newRow("exercise preset") << pelvicFloor << QVariant(120) << QStringLiteral("每 120 分钟");
        QTest::newRow("exercise interval of my own") << pelvicFloor << QVariant(75) << QString();
    }
    void checkMarkFollowsTheStoredValue() {
        QFETCH(QString, key);
        QFETCH(QVariant, stored);
        QFETCH(QString, checked);
        Fixture f;
        if (stored.isValid()) {
            f.storeRaw(key, stored);
        }
        AppDelegate& d = f.launch();
        QMenu* menu = key.startsWith(u"hydration")     ? d.hydrationIntervalMenuItem->menu()
                      : key.startsWith(u"pelvicFloor") ? d.pelvicFloorIntervalMenuItem->menu()
                                                       : f.submenu(QStringLiteral("    切换休息主题"));
        Fixture::open(menu);
        QCOMPARE(Fixture::checked(menu), checked.isEmpty() ? QStringList() : QStringList{checked});
    }

    // Choosing a theme stores it and moves the check mark.
    void choosingAThemeMovesTheCheckMark() {
        Fixture f;
        f.launch();
        QMenu* themes = f.submenu(QStringLiteral("    切换休息主题"));
        themes->actions().at(2)->trigger();
        Fixture::open(themes);
        QCOMPARE(Fixture::checked(themes), QStringList{QStringLiteral("光之巨人")});
        themes->actions().at(0)->trigger();
        QCOMPARE(f.prefs.value(Settings::selectedTheme), QStringLiteral("aurora"));
    }

    void ownRhythmLine_data() {
        QTest::addColumn<QVariantMap>("stored");
        QTest::addColumn<QString>("title");
        QTest::addColumn<bool>("enabled");
        QTest::addColumn<QStringList>("checked");
        const QString twenty = QStringLiteral("营业 20 分钟 / 眼睛下线 20 秒");
        QTest::newRow("none saved") << QVariantMap() << QStringLiteral("自定义节奏：尚未设置") << false
                                    << QStringList{twenty};
        QTest::newRow("saved, a preset active")
            << QVariantMap{{QStringLiteral("selectedRestModeTag"), 120020},
                           {QStringLiteral("customRestModeWorkDuration"), 1500},
                           {QStringLiteral("customRestModeRestDuration"), 45}}
            << QStringLiteral("自定义节奏：营业 25 分钟 / 眼睛下线 45 秒") << true << QStringList{twenty};
        QTest::newRow("saved and active")
            << QVariantMap{{QStringLiteral("selectedRestModeTag"), -1},
                           {QStringLiteral("customRestModeWorkDuration"), 60},
                           {QStringLiteral("customRestModeRestDuration"), 3600}}
            << QStringLiteral("自定义节奏：营业 1 分钟 / 眼睛下线 60 分钟") << true
            << QStringList{QStringLiteral("自定义节奏：营业 1 分钟 / 眼睛下线 60 分钟")};
    }
    void ownRhythmLine() {
        QFETCH(QVariantMap, stored);
        QFETCH(QString, title);
        QFETCH(bool, enabled);
        QFETCH(QStringList, checked);
        Fixture f;
        for (auto it = stored.begin(); it != stored.end(); ++it) {
            f.storeRaw(it.key(), it.value());
        }
        AppDelegate& d = f.launch();
        QMenu* rhythms = f.submenu(QStringLiteral("    护眼节奏"));
        Fixture::open(rhythms);
        QCOMPARE(d.customRestModeMenuItem->text(), title);
        QCOMPARE(d.customRestModeMenuItem->isEnabled(), enabled);
        QCOMPARE(Fixture::checked(rhythms), checked);
    }

    // Saved from its dialog: the rhythm runs from now and its line is checked.
    void savingTheOwnRhythmChecksItsLine() {
        Fixture f;
        AppDelegate& d = f.launch();
        f.clock.advance(30);
        f.platform.alerts.answer(Alerts::firstButton, {QStringLiteral(" 25 "), QStringLiteral("30")});
        QMenu* rhythms = f.submenu(QStringLiteral("    护眼节奏"));
        rhythms->actions().last()->trigger();
        QCOMPARE(d.restCycle.workDuration(), 1500);
        QCOMPARE(d.restCycle.restDuration(), 30);
        QCOMPARE(d.restCycle.workSecondsRemaining(), 1500);
        QCOMPARE(f.prefs.value(Settings::customRestModeWorkDuration), 1500);
        QCOMPARE(f.prefs.value(Settings::selectedRestModeTag), -1);
        Fixture::open(rhythms);
        QCOMPARE(Fixture::checked(rhythms),
                 QStringList{QStringLiteral("自定义节奏：营业 25 分钟 / 眼睛下线 30 秒")});
        QCOMPARE(d.restModeSummaryMenuItem->text(),
                 QStringLiteral("当前节奏：营业 25 分钟 / 眼睛下线 30 秒"));

        // The dialog proposes what is active now; cancelling changes nothing.
        QStringList proposed;
        f.platform.alerts.responders.append([&proposed](const Alert& alert) {
            for (const QLineEdit* field : alert.accessory->findChildren<QLineEdit*>()) {
                proposed.append(field->text());
            }
            return 1;
        });
        rhythms->actions().last()->trigger();
        QCOMPARE(proposed, (QStringList{QStringLiteral("25"), QStringLiteral("30")}));
        QCOMPARE(f.platform.alerts.shown.last().messageText, QStringLiteral("设置护眼节奏"));
        // Out of range: a warning, and nothing changes.
        f.clock.advance(10);
        f.platform.alerts.answer(Alerts::firstButton, {QStringLiteral("241"), QStringLiteral("30")});
        f.platform.alerts.answer(Alerts::firstButton);
        rhythms->actions().last()->trigger();
        const Alert& invalid = f.platform.alerts.shown.last();
        QCOMPARE(invalid.messageText, QStringLiteral("护眼节奏无效"));
        QCOMPARE(invalid.style, AlertStyle::Warning);
        QCOMPARE(invalid.buttons, QStringList{QStringLiteral("好的")});
        QCOMPARE(d.restCycle.workSecondsRemaining(), 1490);
        QCOMPARE(f.prefs.value(Settings::customRestModeWorkDuration), 1500);

        // Back to a preset through its line: stored, and the countdown starts over.
        d.modeMenuItems.value(3600600)->trigger();
        QCOMPARE(d.restCycle.workSecondsRemaining(), 3600);
        QCOMPARE(f.prefs.value(Settings::selectedRestModeTag), 3600600);
        Fixture::open(rhythms);
        QCOMPARE(Fixture::checked(rhythms), QStringList{QStringLiteral("营业 60 分钟 / 眼睛下线 10 分钟")});
        QVERIFY(d.customRestModeMenuItem->isEnabled());
    }

    // The status menu reads the reminder switches and the login item as it opens;
    // a submenu opening leaves them.
    void checkMarksAreReadWhenTheStatusMenuOpens() {
        Fixture f;
        f.platform.loginItem.enabled = true;
        AppDelegate& d = f.launch();
        QVERIFY(d.launchAtLoginItem->isChecked());
        for (const bool hydration : {false, true}) {
            f.prefs.setValue(Settings::hydrationReminderEnabled, hydration);
            f.prefs.setValue(Settings::pelvicFloorReminderEnabled, !hydration);
            f.platform.loginItem.enabled = hydration;
            Fixture::open(f.submenu(QStringLiteral("    护眼节奏")));
            QCOMPARE(d.launchAtLoginItem->isChecked(), !hydration);
            Fixture::open(f.menu());
            QCOMPARE(d.hydrationToggleMenuItem->isChecked(), hydration);
            QCOMPARE(d.pelvicFloorToggleMenuItem->isChecked(), !hydration);
            QCOMPARE(d.launchAtLoginItem->isChecked(), hydration);
        }
        QCOMPARE(f.platform.loginItem.requests, 0);
    }

    // Every change of a line goes to an SNI tray host over the bus: the
    // countdown lines move only while the menu is open.
    void countdownLinesMoveOnlyWhileTheMenuIsOpen() {
        Fixture f;
        AppDelegate& d = f.launch();
        const QList<QAction*> moving = {d.statusMenuItem, d.hydrationStatusMenuItem,
                                        d.pelvicFloorStatusMenuItem};
        int changed = 0;
        for (QAction* line : moving) {
            connect(line, &QAction::changed, this, [&changed] { ++changed; });
        }
        f.clock.advance(30);
        QCOMPARE(changed, 0);

        f.menu()->popup(QPoint(0, 0));
        QCOMPARE(d.statusMenuItem->text(), QStringLiteral("💼 打工续航还剩 19:30"));
        QCOMPARE(d.hydrationStatusMenuItem->text(), QStringLiteral("💧 今日 0 杯 · 下次吨吨吨 44:30"));
        f.clock.advance(1);
        QCOMPARE(d.statusMenuItem->text(), QStringLiteral("💼 打工续航还剩 19:29"));
        QCOMPARE(d.pelvicFloorStatusMenuItem->text(),
                 QStringLiteral("🫧 今日 0 次 · 下次保养 59:29"));

        f.menu()->hide();
        changed = 0;
        d.triggerRestNow();
        f.clock.advance(5);
        QCOMPARE(changed, 0);
        f.menu()->popup(QPoint(0, 0));
        QCOMPARE(d.statusMenuItem->text(), QStringLiteral("💆 眼睛已申请强制下线，正在闭眼充能"));
        f.menu()->hide();
    }

    void withoutATrayHostOneNotificationExplains() {
        for (const bool trayHost : {true, false}) {
            Fixture f;
            FakeNotifications notes;
            f.platform.statusItem.trayHost = trayHost;
            f.adapters.notifications = &notes;
            f.launch();
            f.clock.advance(9.5);
            QCOMPARE(notes.added.size(), 0);
            f.clock.advance(60);
            QCOMPARE(notes.added.size(), trayHost ? 0 : 1);
            QVERIFY(trayHost || notes.added.first().body.contains(QStringLiteral("托盘")));
            f.delegate.reset(); // before the notifications it was given
        }
    }

    void rebuildingReplacesTheKeptLines() {
        Fixture f;
        AppDelegate& d = f.launch();
        QMenu* first = f.menu();
        QPointer<QAction> oldLine = d.modeMenuItems.value(120020);
        d.setupMenu();
        QVERIFY(f.menu() != first);
        QCOMPARE(f.platform.statusItem.menu, f.menu());
        QVERIFY(oldLine.isNull()); // went with the old menu
        QCOMPARE(d.statusMenuItem.data(), f.menu()->actions().at(3));
        QVERIFY(d.modeMenuItems.value(120020)->isChecked());
    }
};

QTEST_MAIN(MenuTest)
#include "tst_menu.moc"
