#include "Platform/Files.h"
#include "Platform/LoginItem.h"
#include "Platform/Settings.h"
#include "support/DelegateFixture.h"
#include "support/Files.h"

#include <QMenu>
#include <QScopeGuard>
#include <QTemporaryDir>
#include <QTest>

#include <array>
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
    // What was set comes back typed after a restart; a default is never written
    // and answers again once its key is removed; a key without one is absent.
    void valuesComeBackWithTheirTypesAfterARestart() {
        ServicesFixture f;
        const QDateTime when(QDate(2026, 3, 2), QTime(9, 45, 30));
        QVERIFY(!f.prefs.value(Settings::customRestModeWorkDuration));
        {
            Preferences prefs(f.settingsPath);
            prefs.setValue(Settings::hydrationReminderIntervalMinutes, 30);
            prefs.setValue(Settings::hydrationReminderEnabled, false);
            prefs.setValue(Settings::wallpaperBlurRadius, 12.5);
            prefs.setValue(Settings::selectedTheme, QStringLiteral("ultraman"));
            prefs.setValue(Settings::hydrationReminderNextReminderAt, when);
            prefs.setValue(Settings::pelvicFloorReminderEnabled, false);
            prefs.remove(Settings::pelvicFloorReminderEnabled);
        }
        const Preferences prefs(f.settingsPath);
        QCOMPARE(prefs.value(Settings::hydrationReminderIntervalMinutes), 30);
        QCOMPARE(prefs.value(Settings::hydrationReminderEnabled), false);
        QCOMPARE(prefs.value(Settings::wallpaperBlurRadius), 12.5);
        QCOMPARE(prefs.value(Settings::selectedTheme), QStringLiteral("ultraman"));
        QCOMPARE(prefs.value(Settings::hydrationReminderNextReminderAt), when);
        QCOMPARE(prefs.value(Settings::pelvicFloorReminderEnabled), true);
        QCOMPARE(prefs.value(Settings::pelvicFloorReminderIntervalMinutes), 60);
        QVERIFY(!prefs.contains(Settings::pelvicFloorReminderIntervalMinutes));
        QVERIFY(!readFile(f.settingsPath).contains("pelvicFloor"));
    }

    void handEditedValues_data() {
        QTest::addColumn<QByteArray>("line");
        QTest::addColumn<QVariant>("reads"); // invalid: absent
        const QVariant absent;
        const auto row = [](const char* name, const char* line, const QVariant& reads) {
            QTest::newRow(name) << QByteArray(line) << reads;
        };
        const auto integer = [](qint64 n) { return QVariant::fromValue(n); };
        // Of the wrong type: absent, so the default answers where there is one.
        row("letters for an interval", "hydrationReminderIntervalMinutes=fast", integer(45));
        row("fraction for an interval", "pelvicFloorReminderIntervalMinutes=1.5", integer(60));
        row("word for a switch", "hydrationReminderEnabled=maybe", QVariant(true));
        row("number for a date", "hydrationReminderNextReminderAt=12", absent);
        row("not a finite blur", "wallpaperBlurRadius=inf", QVariant(15.0));
        row("word for a blur", "wallpaperBlurRadius=soft", QVariant(15.0));
        row("list for a theme", "selectedTheme=a, b", QVariant(QStringLiteral("aurora")));
        row("word for a rhythm", "customRestModeWorkDuration=abc", absent);
        // Text forms of numbers and switches.
        row("negative tag", "selectedRestModeTag=-1", integer(-1));
        row("blanks around", "customRestModeWorkDuration= 60 ", integer(60));
        row("capital FALSE", "pelvicFloorReminderEnabled=FALSE", QVariant(false));
        row("0 for off", "hydrationReminderEnabled=0", QVariant(false));
        row("whole blur", "wallpaperBlurRadius=3", QVariant(3.0));
        // Out of range: corrected where it is read.
        row("interval 0", "hydrationReminderIntervalMinutes=0", integer(45));
        row("interval -5", "pelvicFloorReminderIntervalMinutes=-5", integer(60));
        row("interval beyond int seconds", "hydrationReminderIntervalMinutes=99999999999", integer(35791394));
        // The blur slider's 0…30.
        row("negative blur", "wallpaperBlurRadius=-3", QVariant(0.0));
        row("blur 1e308", "wallpaperBlurRadius=1e308", QVariant(30.0));
        // An own rhythm outside the dialog's 1–240 minutes and 5–3600 seconds is none.
        row("work of 1 s", "customRestModeWorkDuration=1", absent);
        row("work of 241 min", "customRestModeWorkDuration=14460", absent);
        row("rest of 1 s", "customRestModeRestDuration=1", absent);
        row("rest of 2147483647 s", "customRestModeRestDuration=2147483647", absent);
        row("longest rest", "customRestModeRestDuration=3600", integer(3600));
        row("tag beyond int", "selectedRestModeTag=99999999999", integer(2147483647));
        row("version 0", "settingsVersion=0", absent);
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

    // A file written before "settingsVersion" existed holds version 1; one
    // that names a version is left as it is. No other line is written: every
    // value of an older Tavo reads as it always did, hand edits included, and
    // the next start finds nothing to do.
    void migration_data() {
        QTest::addColumn<QByteArray>("stored");
        QTest::addColumn<qint64>("version");
        QTest::addColumn<bool>("written");
        QTest::newRow("before versions") << QByteArray() << qint64(1) << true;
        QTest::newRow("unreadable version") << QByteArray("settingsVersion=x\n") << qint64(1) << true;
        QTest::newRow("current") << QByteArray("settingsVersion=1\n") << qint64(1) << false;
        QTest::newRow("a newer Tavo's file") << QByteArray("settingsVersion=7\n") << qint64(7) << false;
    }
    void migration() {
        QFETCH(QByteArray, stored);
        QFETCH(qint64, version);
        QFETCH(bool, written);
        ServicesFixture f;
        const QString path = f.dir.filePath(QStringLiteral("old.conf"));
        const QByteArray old = readFile(QFINDTESTDATA("../data/Tavo-unversioned.conf")) + stored;
        QVERIFY(old.startsWith("[General]\n") && writeFile(path, old));

        Preferences prefs(path);
        Settings::migrate(prefs);
        QCOMPARE(prefs.value(Settings::settingsVersion), version);
        const QByteArray migrated = readFile(path);
        QCOMPARE(migrated != old, written);
        for (const QByteArray& line : old.split('\n')) {
            QVERIFY2(line.startsWith("settingsVersion") || migrated.contains(line), line.constData());
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
        QCOMPARE(prefs.value(Settings::pelvicFloorReminderIntervalMinutes), 60);
        QCOMPARE(prefs.value(Settings::pelvicFloorReminderCompletionCount), 0);
        QVERIFY(!prefs.value(Settings::pelvicFloorReminderDayStartedAt));

        Settings::migrate(prefs);
        QCOMPARE(readFile(path), migrated);
    }

    // A relative XDG base folder (XDG_CONFIG_HOME=config) names no folder: it
    // is dropped before anything asks for a place, so the settings and the
    // autostart entry stay under $HOME/.config wherever Tavo was started from.
    // An absolute one stays.
    void relativeBaseFoldersAreIgnored() {
        QTemporaryDir home;
        const std::array<const char*, 5> names = {"HOME", "XDG_CONFIG_HOME", "XDG_DATA_HOME",
                                                  "XDG_CACHE_HOME", "XDG_RUNTIME_DIR"};
        QList<QByteArray> previous;
        for (const char* name : names) {
            previous.append(qgetenv(name));
        }
        const auto restore = qScopeGuard([&] {
            for (qsizetype i = 0; i < previous.size(); ++i) {
                if (previous.at(i).isNull()) {
                    qunsetenv(names.at(static_cast<size_t>(i)));
                } else {
                    qputenv(names.at(static_cast<size_t>(i)), previous.at(i));
                }
            }
        });
        const QByteArray data = home.filePath(QStringLiteral("data")).toUtf8();
        qputenv("HOME", home.path().toUtf8());
        qputenv("XDG_CONFIG_HOME", "config");
        qputenv("XDG_DATA_HOME", data);
        qputenv("XDG_CACHE_HOME", "cache");
        qputenv("XDG_RUNTIME_DIR", "run");
        ignoreRelativeBaseFolders();
        QVERIFY(!qEnvironmentVariableIsSet("XDG_CONFIG_HOME"));
        QCOMPARE(qgetenv("XDG_DATA_HOME"), data);
        QVERIFY(!qEnvironmentVariableIsSet("XDG_CACHE_HOME"));
        QVERIFY(!qEnvironmentVariableIsSet("XDG_RUNTIME_DIR"));
        QCOMPARE(Preferences::defaultFilePath(), home.path() + QStringLiteral("/.config/Tavo/Tavo.conf"));
        QCOMPARE(XdgAutostartLoginItem::entryPath(),
                 home.path() + QStringLiteral("/.config/autostart/tavo.desktop"));
    }
};

QTEST_MAIN(SettingsTest)
#include "tst_settings.moc"
