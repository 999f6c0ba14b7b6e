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

using namespace Qt::StringLiterals;

namespace {

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
    QMenu* rhythms() const { return submenu(u"    护眼节奏"_s); }
    QMenu* themes() const { return submenu(u"    切换休息主题"_s); }
    // Opens a menu the way the tray does: its aboutToShow runs first.
    static void open(QMenu* menu) { Q_EMIT menu->aboutToShow(); }
    // The titles of the checked lines, as the menu opens.
    static QStringList checked(QMenu* menu) {
        open(menu);
        QStringList titles;
        for (QAction* line : menu->actions()) {
            if (line->isChecked()) {
                titles.append(line->text());
            }
        }
        return titles;
    }
};

// The visible lines, one a line: their titles, "---" for separators, with " -" when disabled,
// " [ ]" or " [x]" when checkable and " >" for a submenu. Lines whose titles the cycle or the
// reminders write are "*".
QString describe(QMenu* menu, const QSet<QAction*>& untitled = {}) {
    QString lines;
    for (QAction* line : menu->actions()) {
        if (!line->isVisible()) {
            continue;
        }
        if (line->isSeparator()) {
            lines += u"---\n"_s;
            continue;
        }
        lines += untitled.contains(line) ? u"*"_s : line->text();
        lines += line->isEnabled() ? u""_s : u" -"_s;
        lines += line->isCheckable() ? (line->isChecked() ? u" [x]"_s : u" [ ]"_s) : u""_s;
        lines += line->menu() ? u" >\n"_s : u"\n"_s;
    }
    return lines;
}

} // namespace

// The status menu as built, and how its check marks follow the settings.
class MenuTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void buildsTheMenus() {
        Fixture f;
        AppDelegate& d = f.launch();
        const QSet<QAction*> untitled{d.statusMenuItem,
                                      d.hydrationStatusMenuItem,
                                      d.hydrationToggleMenuItem,
                                      d.hydrationIntervalMenuItem,
                                      d.pelvicFloorStatusMenuItem,
                                      d.pelvicFloorToggleMenuItem,
                                      d.pelvicFloorIntervalMenuItem};
        // The first "*" is the countdown line, showing the greeting.
        QCOMPARE(describe(f.menu(), untitled),
                 u"Tavo(塔沃)，祝你长生不老,永远塔沃🙏 -\n---\n"
                 u"👁 护眼休息 -\n* -\n    立即闭眼充能\n    ⏸ 暂停护眼 >\n"
                 u"    护眼节奏 >\n    切换休息主题 >\n---\n"
                 u"💧 喝水提醒 -\n* -\n* [x]\n* >\n    立即喝水\n---\n"
                 u"🫧 提肛提醒 -\n* -\n* [x]\n* >\n    立即提肛\n---\n"
                 u"📊 健康统计 >\n---\n开机自启 [ ]\n---\n关于 Tavo\n退出\n"_s);
        for (QAction* line : f.menu()->actions()) {
            QVERIFY2(line->shortcut().isEmpty(), qPrintable(line->text()));
        }
        QCOMPARE(describe(f.rhythms()),
                 u"当前节奏：营业 20 分钟 / 眼睛下线 20 秒 -\n---\n"
                 u"营业 20 分钟 / 眼睛下线 20 秒 [x]\n营业 45 分钟 / 眼睛下线 5 分钟 [ ]\n"
                 u"营业 60 分钟 / 眼睛下线 10 分钟 [ ]\n---\n"
                 u"自定义节奏：尚未设置 - [ ]\n手动输入时长...\n"_s);
        // No check mark on a theme before its submenu opens.
        QCOMPARE(describe(f.themes()), u"极光萤火虫 [ ]\n随机网络壁纸 [ ]\n光之巨人 [ ]\n"_s);
        // Choosing one stores it and moves the check mark.
        f.themes()->actions().at(2)->trigger();
        QCOMPARE(Fixture::checked(f.themes()), QStringList{u"光之巨人"_s});
        f.themes()->actions().at(0)->trigger();
        QCOMPARE(f.prefs.value(Settings::selectedTheme), u"aurora"_s);

        // A rebuild replaces the kept lines and gives the tray the new menu.
        QMenu* first = f.menu();
        QPointer<QAction> oldLine = d.modeMenuItems.value(120020);
        d.setupMenu();
        QVERIFY(f.menu() != first);
        QCOMPARE(f.platform.statusItem.menu, f.menu());
        QVERIFY(oldLine.isNull()); // went with the old menu
        QCOMPARE(d.statusMenuItem.data(), f.menu()->actions().at(3));
        QVERIFY(d.modeMenuItems.value(120020)->isChecked());
        QCOMPARE(describe(d.hydrationIntervalMenuItem->menu()),
                 u"每 30 分钟 [ ]\n每 45 分钟 [x]\n每 60 分钟 [ ]\n每 90 分钟 [ ]\n---\n手动输入间隔...\n"_s);
        QCOMPARE(
            describe(d.pelvicFloorIntervalMenuItem->menu()),
            u"每 30 分钟 [ ]\n每 60 分钟 [x]\n每 90 分钟 [ ]\n每 120 分钟 [ ]\n---\n手动输入间隔...\n"_s);
        QCOMPARE(describe(f.submenu(u"📊 健康统计"_s)), u"查看今日日报\n查看本周周报\n查看本月月报\n"_s);
    }

    // What the pause submenu offers, with and without the desktop's idle time and full-screen state.
    void pauseSubmenu_data() {
        QTest::addColumn<bool>("sources");
        QTest::addColumn<QString>("lines");
        const QString periods = u"30 分钟\n1 小时\n2 小时\n直到明天\n---\n"_s;
        QTest::newRow("idle time and full screen known")
            << true << periods + u"🌿 离开 5 分钟以上算作休息 [x]\n🎬 全屏时休息稍后开始 [x]\n"_s;
        QTest::newRow("neither known here")
            << false
            << periods +
                   u"🌿 离开算作休息：这个桌面读不到空闲时间 - [ ]\n🎬 全屏勿扰：这个桌面检测不到全屏 - [ ]\n"_s;
    }
    void pauseSubmenu() {
        QFETCH(bool, sources);
        Fixture f;
        if (sources) {
            f.adapters.idleTime = &f.platform.idleTime;
            f.adapters.fullScreen = &f.platform.fullScreen;
        }
        AppDelegate& d = f.launch();
        QMenu* pause = f.submenu(u"    ⏸ 暂停护眼"_s);
        f.open(pause);
        QTEST(describe(pause), "lines");
        if (!sources) {
            return;
        }
        // An hour's pause, then back; a setting switched off loses its check mark.
        pause->actions().at(1)->trigger();
        QCOMPARE(d.statusLine(), u"⏸ 已暂停，10:00 恢复"_s);
        f.open(pause);
        QVERIFY(d.resumeMenuItem->isVisible());
        d.resumeMenuItem->trigger();
        QCOMPARE(d.statusLine(), u"⏳ 距离眼睛下班还有 20:00"_s);
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
        const QString theme = u"selectedTheme"_s;
        const QString drink = u"hydrationReminderIntervalMinutes"_s;
        const QString exercise = u"pelvicFloorReminderIntervalMinutes"_s;
        QTest::newRow("no theme stored") << theme << QVariant() << u"极光萤火虫"_s;
        QTest::newRow("ultraman") << theme << QVariant(u"ultraman"_s) << u"光之巨人"_s;
        QTest::newRow("unknown theme") << theme << QVariant(u"sunset"_s) << QString();
        QTest::newRow("theme in the wrong case") << theme << QVariant(u"Wallpaper"_s) << QString();
        QTest::newRow("no drink interval") << drink << QVariant() << u"每 45 分钟"_s;
        QTest::newRow("drink preset") << drink << QVariant(90) << u"每 90 分钟"_s;
        QTest::newRow("drink interval of my own") << drink << QVariant(50) << QString();
        QTest::newRow("no exercise interval") << exercise << QVariant() << u"每 60 分钟"_s;
        QTest::newRow("exercise preset") << exercise << QVariant(120) << u"每 120 分钟"_s;
        QTest::newRow("exercise interval of my own") << exercise << QVariant(75) << QString();
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
                                                       : f.themes();
        QCOMPARE(Fixture::checked(menu), checked.isEmpty() ? QStringList() : QStringList{checked});
    }

    // Saved from its dialog: the rhythm runs from now and its line is checked.
    void savingTheOwnRhythmChecksItsLine() {
        Fixture f;
        AppDelegate& d = f.launch();
        QAction* dialog = f.rhythms()->actions().last();
        f.clock.advance(30);
        f.platform.alerts.answer(Alerts::firstButton, {u" 25 "_s, u"30"_s});
        dialog->trigger();
        QCOMPARE(d.restCycle.workDuration(), 1500);
        QCOMPARE(d.restCycle.restDuration(), 30);
        QCOMPARE(d.restCycle.workSecondsRemaining(), 1500);
        QCOMPARE(f.prefs.value(Settings::customRestModeWorkDuration), 1500);
        QCOMPARE(f.prefs.value(Settings::selectedRestModeTag), -1);
        QCOMPARE(Fixture::checked(f.rhythms()), QStringList{u"自定义节奏：营业 25 分钟 / 眼睛下线 30 秒"_s});
        QCOMPARE(d.restModeSummaryMenuItem->text(), u"当前节奏：营业 25 分钟 / 眼睛下线 30 秒"_s);

        // The dialog proposes what is active now; cancelling changes nothing.
        QStringList proposed;
        f.platform.alerts.responders.append([&proposed](const Alert& alert) {
            for (const QLineEdit* field : alert.accessory->findChildren<QLineEdit*>()) {
                proposed.append(field->text());
            }
            return 1;
        });
        dialog->trigger();
        QCOMPARE(proposed, (QStringList{u"25"_s, u"30"_s}));
        QCOMPARE(f.platform.alerts.shown.last().messageText, u"设置护眼节奏"_s);
        // Out of range: a warning, and nothing changes.
        f.clock.advance(10);
        f.platform.alerts.answer(Alerts::firstButton, {u"241"_s, u"30"_s});
        f.platform.alerts.answer(Alerts::firstButton);
        dialog->trigger();
        const Alert& invalid = f.platform.alerts.shown.last();
        QCOMPARE(invalid.messageText, u"护眼节奏无效"_s);
        QCOMPARE(invalid.style, AlertStyle::Warning);
        QCOMPARE(invalid.buttons, QStringList{u"好的"_s});
        QCOMPARE(d.restCycle.workSecondsRemaining(), 1490);
        QCOMPARE(f.prefs.value(Settings::customRestModeWorkDuration), 1500);

        // Back to a preset through its line: stored, and the countdown starts over.
        d.modeMenuItems.value(3600600)->trigger();
        QCOMPARE(d.restCycle.workSecondsRemaining(), 3600);
        QCOMPARE(f.prefs.value(Settings::selectedRestModeTag), 3600600);
        QCOMPARE(Fixture::checked(f.rhythms()), QStringList{u"营业 60 分钟 / 眼睛下线 10 分钟"_s});
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
            Fixture::open(f.rhythms());
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
        int changed = 0;
        for (QAction* line : {d.statusMenuItem, d.hydrationStatusMenuItem, d.pelvicFloorStatusMenuItem}) {
            connect(line, &QAction::changed, this, [&changed] { ++changed; });
        }
        f.clock.advance(30);
        QCOMPARE(changed, 0);

        f.menu()->popup(QPoint(0, 0));
        QCOMPARE(d.statusMenuItem->text(), u"💼 打工续航还剩 19:30"_s);
        QCOMPARE(d.hydrationStatusMenuItem->text(), u"💧 今日 0 杯 · 下次吨吨吨 44:30"_s);
        f.clock.advance(1);
        QCOMPARE(d.statusMenuItem->text(), u"💼 打工续航还剩 19:29"_s);
        QCOMPARE(d.pelvicFloorStatusMenuItem->text(), u"🫧 今日 0 次 · 下次保养 59:29"_s);

        f.menu()->hide();
        changed = 0;
        d.triggerRestNow();
        f.clock.advance(5);
        QCOMPARE(changed, 0);
        f.menu()->popup(QPoint(0, 0));
        QCOMPARE(d.statusMenuItem->text(), u"💆 眼睛已申请强制下线，正在闭眼充能"_s);
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
            QVERIFY(trayHost || notes.added.first().body.contains(u"托盘"_s));
            f.delegate.reset(); // before the notifications it was given
        }
    }
};

QTEST_MAIN(MenuTest)
#include "tst_menu.moc"
