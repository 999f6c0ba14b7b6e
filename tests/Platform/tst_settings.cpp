#include "Platform/Settings.h"
#include "support/DelegateFixture.h"
#include "support/Files.h"

#include <QMenu>
#include <QTest>

#include <functional>

namespace {

// A key's value as a QVariant, absent as an invalid one.
using Reader = std::function<QVariant(const Preferences&)>;
template <typename T> std::pair<QString, Reader> reader(const PreferenceKey<T>& key) {
    return {key.name, [key](const Preferences& prefs) {
                const std::optional<T> value = prefs.value(key);
                return value ? QVariant::fromValue(*value) : QVariant();
            }};
}

} // namespace

// Settings come back with their types after a restart, a hand-edited value of
// the wrong type or out of range never reaches the program as a wrong number,
// and a file from an older Tavo is brought up to date at start.
class SettingsTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void valuesComeBackWithTheirTypesAfterARestart() {
        ServicesFixture f;
        const QDateTime when(QDate(2026, 3, 2), QTime(9, 45, 30));
        {
            Preferences prefs(f.settingsPath);
            prefs.setValue(Settings::hydrationReminderIntervalMinutes, 30);
            prefs.setValue(Settings::hydrationReminderEnabled, false);
            prefs.setValue(Settings::wallpaperBlurRadius, 12.5);
            prefs.setValue(Settings::selectedTheme, QStringLiteral("ultraman"));
            prefs.setValue(Settings::hydrationReminderNextReminderAt, when);
        }
        const Preferences prefs(f.settingsPath);
        QCOMPARE(prefs.value(Settings::hydrationReminderIntervalMinutes), 30);
        QCOMPARE(prefs.value(Settings::hydrationReminderEnabled), false);
        QCOMPARE(prefs.value(Settings::wallpaperBlurRadius), 12.5);
        QCOMPARE(prefs.value(Settings::selectedTheme), QStringLiteral("ultraman"));
        QCOMPARE(prefs.value(Settings::hydrationReminderNextReminderAt), when);
    }

    void handEditedValues_data() {
        QTest::addColumn<QByteArray>("line");
        QTest::addColumn<QVariant>("reads"); // invalid: absent
        const QVariant absent;
        const auto integer = [](qint64 n) { return QVariant::fromValue(n); };
        // Of the wrong type: absent, so the default answers where there is one.
        QTest::newRow("letters for an interval")
            << QByteArray("hydrationReminderIntervalMinutes=fast") << integer(45);
        QTest::newRow("fraction for an interval")
            << QByteArray("pelvicFloorReminderIntervalMinutes=1.5") << integer(60);
        QTest::newRow("word for a switch") << QByteArray("hydrationReminderEnabled=maybe") << QVariant(true);
        QTest::newRow("number for a date") << QByteArray("hydrationReminderNextReminderAt=12") << absent;
        QTest::newRow("not a finite blur") << QByteArray("wallpaperBlurRadius=inf") << QVariant(15.0);
        QTest::newRow("word for a blur") << QByteArray("wallpaperBlurRadius=soft") << QVariant(15.0);
        QTest::newRow("list for a theme")
            << QByteArray("selectedTheme=a, b") << QVariant(QStringLiteral("aurora"));
        QTest::newRow("word for a rhythm") << QByteArray("customRestModeWorkDuration=abc") << absent;
        // Text forms of numbers and switches.
        QTest::newRow("negative tag") << QByteArray("selectedRestModeTag=-1") << integer(-1);
        QTest::newRow("blanks around") << QByteArray("customRestModeWorkDuration= 60 ") << integer(60);
        QTest::newRow("capital FALSE") << QByteArray("pelvicFloorReminderEnabled=FALSE") << QVariant(false);
        QTest::newRow("0 for off") << QByteArray("hydrationReminderEnabled=0") << QVariant(false);
        QTest::newRow("whole blur") << QByteArray("wallpaperBlurRadius=3") << QVariant(3.0);
        // Out of range: corrected where it is read.
        QTest::newRow("interval 0") << QByteArray("hydrationReminderIntervalMinutes=0") << integer(45);
        QTest::newRow("interval -5") << QByteArray("pelvicFloorReminderIntervalMinutes=-5") << integer(60);
        QTest::newRow("interval beyond int seconds")
            << QByteArray("hydrationReminderIntervalMinutes=99999999999") << integer(35791394);
        // The blur slider's 0…30.
        QTest::newRow("negative blur") << QByteArray("wallpaperBlurRadius=-3") << QVariant(0.0);
        QTest::newRow("blur 1e308") << QByteArray("wallpaperBlurRadius=1e308") << QVariant(30.0);
        // An own rhythm outside the dialog's 1–240 minutes and 5–3600 seconds is none.
        QTest::newRow("work of 1 s") << QByteArray("customRestModeWorkDuration=1") << absent;
        QTest::newRow("work of 241 min") << QByteArray("customRestModeWorkDuration=14460") << absent;
        QTest::newRow("rest of 1 s") << QByteArray("customRestModeRestDuration=1") << absent;
        QTest::newRow("rest of 2147483647 s")
            << QByteArray("customRestModeRestDuration=2147483647") << absent;
        QTest::newRow("longest rest") << QByteArray("customRestModeRestDuration=3600") << integer(3600);
        QTest::newRow("tag beyond int")
            << QByteArray("selectedRestModeTag=99999999999") << integer(2147483647);
        QTest::newRow("version 0") << QByteArray("settingsVersion=0") << absent;
    }
    void handEditedValues() {
        QFETCH(QByteArray, line);
        QFETCH(QVariant, reads);
        static const QHash<QString, Reader> readers = {
            reader(Settings::hydrationReminderIntervalMinutes),
            reader(Settings::pelvicFloorReminderIntervalMinutes),
            reader(Settings::hydrationReminderEnabled),
            reader(Settings::pelvicFloorReminderEnabled),
            reader(Settings::hydrationReminderNextReminderAt),
            reader(Settings::wallpaperBlurRadius),
            reader(Settings::selectedTheme),
            reader(Settings::selectedRestModeTag),
            reader(Settings::customRestModeWorkDuration),
            reader(Settings::customRestModeRestDuration),
            reader(Settings::settingsVersion),
        };
        ServicesFixture f;
        QVERIFY(writeFile(f.settingsPath, "[General]\n" + line + "\n"));
        const Preferences prefs(f.settingsPath);
        const QString key = QString::fromLatin1(line.left(line.indexOf('=')));
        QVERIFY(readers.contains(key));
        QCOMPARE(readers.value(key)(prefs), reads);
    }

    // Rewriting the file drops the user's comment lines: only a change writes.
    void onlyAChangeWritesTheFile_data() {
        QTest::addColumn<QString>("change");
        QTest::addColumn<bool>("written");
        QTest::newRow("same number again") << QStringLiteral("interval 30") << false;
        QTest::newRow("same switch, stored as text") << QStringLiteral("disable pelvic floor") << false;
        QTest::newRow("removing what is not there") << QStringLiteral("remove next") << false;
        QTest::newRow("a launch and its ticks") << QStringLiteral("launch") << false;
        QTest::newRow("another number") << QStringLiteral("interval 31") << true;
    }
    void onlyAChangeWritesTheFile() {
        QFETCH(QString, change);
        QFETCH(bool, written);
        DelegateFixture f;
        const QByteArray edited = "; kept by hand\n[General]\nsettingsVersion=1\n"
                                  "hydrationReminderEnabled=false\nhydrationReminderIntervalMinutes=30\n"
                                  "pelvicFloorReminderEnabled=false\n";
        QVERIFY(writeFile(f.settingsPath, edited));
        {
            Preferences prefs(f.settingsPath);
            if (change.startsWith(u"interval")) {
                prefs.setValue(Settings::hydrationReminderIntervalMinutes, change.section(u' ', 1).toInt());
            } else if (change == u"disable pelvic floor") {
                prefs.setValue(Settings::pelvicFloorReminderEnabled, false);
            } else if (change == u"remove next") {
                prefs.remove(Settings::hydrationReminderNextReminderAt);
            } else {
                AppDelegate d(f.adapters, Services{f.clock, prefs, f.store, f.services().wallpapers});
                d.applicationDidFinishLaunching();
                Q_EMIT d.statusMenu->aboutToShow(); // the reminder lines follow every tick
                f.advance(5);
            }
        }
        QCOMPARE(readFile(f.settingsPath) != edited, written);
    }

    // A default (read above for values of the wrong type) is never written, and
    // answers again once the key is removed; a key without one is absent.
    void defaultsAreNeverWritten() {
        ServicesFixture f;
        QVERIFY(!f.prefs.value(Settings::customRestModeWorkDuration));
        f.prefs.setValue(Settings::hydrationReminderEnabled, false);
        f.prefs.remove(Settings::hydrationReminderEnabled);
        QCOMPARE(f.prefs.value(Settings::hydrationReminderEnabled), true);
        QCOMPARE(f.prefs.value(Settings::pelvicFloorReminderIntervalMinutes), 60);
        QVERIFY(!f.prefs.contains(Settings::pelvicFloorReminderIntervalMinutes));
        QVERIFY(!readFile(f.settingsPath).contains("pelvicFloorReminderIntervalMinutes"));
    }

    // A file written before "settingsVersion" existed holds version 1.
    void fileFromBeforeVersionsKeepsEveryValue() {
        ServicesFixture f;
        const QString path = f.dir.filePath(QStringLiteral("old.conf"));
        const QByteArray old = readFile(QFINDTESTDATA("../data/Tavo-unversioned.conf"));
        QVERIFY(!old.isEmpty());
        QVERIFY(writeFile(path, old));

        Preferences prefs(path);
        Settings::migrate(prefs);
        QCOMPARE(prefs.value(Settings::settingsVersion), 1);
        // Nothing else was written: every line of the old file is still there.
        const QByteArray migrated = readFile(path);
        for (const QByteArray& line : old.split('\n')) {
            QVERIFY2(migrated.contains(line), line.constData());
        }
        const QDateTime started(QDate(2026, 3, 2), QTime(9, 0));
        QCOMPARE(prefs.value(Settings::selectedRestModeTag), -1);
        QCOMPARE(prefs.value(Settings::customRestModeWorkDuration), 1500);
        QCOMPARE(prefs.value(Settings::customRestModeRestDuration), 45);
        QCOMPARE(prefs.value(Settings::selectedTheme), QStringLiteral("wallpaper"));
        QCOMPARE(prefs.value(Settings::wallpaperBlurRadius), 22.5);
        QCOMPARE(prefs.value(Settings::hydrationReminderEnabled), false);
        QCOMPARE(prefs.value(Settings::hydrationReminderIntervalMinutes), 30);
        QCOMPARE(prefs.value(Settings::hydrationReminderNextReminderAt), started.addSecs(45 * 60));
        QCOMPARE(prefs.value(Settings::hydrationReminderDrinkCount), 3);
        QCOMPARE(prefs.value(Settings::hydrationReminderDrinkCountDate), started);
        QCOMPARE(prefs.value(Settings::hydrationReminderLastDrinkAt), started.addSecs(15 * 60));
        QCOMPARE(prefs.value(Settings::hydrationReminderDayStartedAt), started);
        QCOMPARE(prefs.value(Settings::pelvicFloorReminderEnabled), true);
        // Its hand edits read as they always did.
        QCOMPARE(prefs.value(Settings::pelvicFloorReminderIntervalMinutes), 60);
        QCOMPARE(prefs.value(Settings::pelvicFloorReminderCompletionCount), 0);
        QVERIFY(!prefs.value(Settings::pelvicFloorReminderDayStartedAt));

        // The next start finds nothing to do.
        Settings::migrate(prefs);
        QCOMPARE(readFile(path), migrated);
    }

    void versionAfterMigration_data() {
        QTest::addColumn<QByteArray>("stored");
        QTest::addColumn<qint64>("version");
        QTest::addColumn<bool>("written");
        QTest::newRow("fresh file") << QByteArray() << qint64(1) << true;
        QTest::newRow("unreadable version") << QByteArray("settingsVersion=x\n") << qint64(1) << true;
        QTest::newRow("current") << QByteArray("settingsVersion=1\n") << qint64(1) << false;
        QTest::newRow("a newer Tavo's file") << QByteArray("settingsVersion=7\n") << qint64(7) << false;
    }
    void versionAfterMigration() {
        QFETCH(QByteArray, stored);
        QFETCH(qint64, version);
        QFETCH(bool, written);
        ServicesFixture f;
        const QString path = f.dir.filePath(QStringLiteral("versioned.conf"));
        QVERIFY(writeFile(path, "[General]\nselectedTheme=ultraman\n" + stored));
        const QByteArray before = readFile(path);
        Preferences prefs(path);
        Settings::migrate(prefs);
        QCOMPARE(prefs.value(Settings::settingsVersion), version);
        QCOMPARE(readFile(path) != before, written);
        QCOMPARE(prefs.value(Settings::selectedTheme), QStringLiteral("ultraman"));
    }
};

QTEST_MAIN(SettingsTest)
#include "tst_settings.moc"
