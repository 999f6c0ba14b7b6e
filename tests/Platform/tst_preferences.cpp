#include "Platform/Preferences.h"

#include <QFile>
#include <QTemporaryDir>
#include <QTest>

// Settings survive a restart with their types, and a hand-edited value of the
// wrong type never reaches the program as a wrong number.
class PreferencesTest : public QObject {
    Q_OBJECT

private:
    QTemporaryDir dir;
    QString path() const { return dir.filePath(QStringLiteral("Tavo.conf")); }

private Q_SLOTS:
    void init() { QFile::remove(path()); }

    void valuesComeBackWithTheirTypesAfterARestart() {
        const QDateTime when(QDate(2026, 3, 2), QTime(9, 45, 30));
        {
            Preferences prefs(path());
            prefs.setValue(QStringLiteral("hydrationReminderIntervalMinutes"), 30);
            prefs.setValue(QStringLiteral("hydrationReminderEnabled"), false);
            prefs.setValue(QStringLiteral("wallpaperBlurRadius"), 12.5);
            prefs.setValue(QStringLiteral("selectedTheme"), QStringLiteral("ultraman"));
            prefs.setValue(QStringLiteral("hydrationReminderNextReminderAt"), when);
        }
        const Preferences prefs(path());
        QCOMPARE(prefs.integer(QStringLiteral("hydrationReminderIntervalMinutes")), 30);
        QCOMPARE(prefs.boolean(QStringLiteral("hydrationReminderEnabled")), false);
        QCOMPARE(prefs.number(QStringLiteral("wallpaperBlurRadius")), 12.5);
        QCOMPARE(prefs.string(QStringLiteral("selectedTheme")), QStringLiteral("ultraman"));
        QCOMPARE(prefs.date(QStringLiteral("hydrationReminderNextReminderAt")), when);
    }

    void handEditedValuesOfTheWrongTypeReadAsAbsent_data() {
        QTest::addColumn<QByteArray>("line");
        QTest::newRow("letters for a number") << QByteArray("n=fast");
        QTest::newRow("fraction for an integer") << QByteArray("n=1.5");
        QTest::newRow("word for a boolean") << QByteArray("b=maybe");
        QTest::newRow("number for a date") << QByteArray("d=12");
        QTest::newRow("not a finite number") << QByteArray("x=inf");
        QTest::newRow("a list for a string") << QByteArray("s=a, b");
    }
    void handEditedValuesOfTheWrongTypeReadAsAbsent() {
        QFETCH(QByteArray, line);
        QFile file(path());
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write("[General]\n" + line + "\n");
        file.close();
        Preferences prefs(path());
        prefs.registerDefaults({{QStringLiteral("n"), 45}, {QStringLiteral("b"), true}});
        const QString key = QString::fromLatin1(line.left(1));
        QVERIFY(prefs.contains(key));
        if (key == QLatin1String("n")) {
            QCOMPARE(prefs.integer(key), 45); // the registered default answers
        } else if (key == QLatin1String("b")) {
            QCOMPARE(prefs.boolean(key), true);
        } else if (key == QLatin1String("d")) {
            QVERIFY(!prefs.date(key));
        } else if (key == QLatin1String("x")) {
            QVERIFY(!prefs.number(key));
        } else {
            QVERIFY(!prefs.string(key));
        }
    }

    void textFormsOfNumbersAndBooleansAreAccepted() {
        QFile file(path());
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(
            "[General]\nselectedRestModeTag=-1\ncustomRestModeWorkDuration= 60 \nflag=TRUE\nradius=3\n");
        file.close();
        const Preferences prefs(path());
        QCOMPARE(prefs.integer(QStringLiteral("selectedRestModeTag")), -1);
        QCOMPARE(prefs.integer(QStringLiteral("customRestModeWorkDuration")), 60);
        QCOMPARE(prefs.boolean(QStringLiteral("flag")), true);
        QCOMPARE(prefs.number(QStringLiteral("radius")), 3.0);
    }

    void registeredDefaultsAreNeverWritten() {
        {
            Preferences prefs(path());
            prefs.registerDefaults({{QStringLiteral("pelvicFloorReminderIntervalMinutes"), 60}});
            QCOMPARE(prefs.integer(QStringLiteral("pelvicFloorReminderIntervalMinutes")), 60);
            QVERIFY(!prefs.contains(QStringLiteral("pelvicFloorReminderIntervalMinutes")));
            prefs.setValue(QStringLiteral("other"), 1);
        }
        const Preferences reread(path());
        QVERIFY(!reread.integer(QStringLiteral("pelvicFloorReminderIntervalMinutes")));
    }

    void removedKeysFallBackToTheDefault() {
        Preferences prefs(path());
        prefs.registerDefaults({{QStringLiteral("hydrationReminderEnabled"), true}});
        prefs.setValue(QStringLiteral("hydrationReminderEnabled"), false);
        QCOMPARE(prefs.boolean(QStringLiteral("hydrationReminderEnabled")), false);
        prefs.remove(QStringLiteral("hydrationReminderEnabled"));
        QCOMPARE(prefs.boolean(QStringLiteral("hydrationReminderEnabled")), true);
    }
};

QTEST_GUILESS_MAIN(PreferencesTest)
#include "tst_preferences.moc"
