#include "Copywriting/TavoCopy.h"

#include <QSet>
#include <QTest>

#include <functional>

Q_DECLARE_METATYPE(std::function<QString()>)

class TavoCopyTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void tableSizes() {
        QCOMPARE(TavoCopy::hydrationReminders().size(), 15);
        QCOMPARE(TavoCopy::pelvicFloorReminders().size(), 14);
        QCOMPARE(TavoCopy::hydrationLoggedLines().size(), 4);
        QCOMPARE(TavoCopy::pelvicFloorLoggedLines().size(), 4);
    }

    void everyRowIsReachable_data() {
        QTest::addColumn<std::function<QString()>>("draw");
        QTest::addColumn<int>("rows");
        QTest::newRow("hydration reminders")
            << std::function<QString()>([] { return TavoCopy::hydrationReminder().title; }) << 15;
        QTest::newRow("pelvic-floor reminders")
            << std::function<QString()>([] { return TavoCopy::pelvicFloorReminder().title; }) << 14;
        QTest::newRow("hydration logged")
            << std::function<QString()>([] { return TavoCopy::hydrationLoggedLine(2); }) << 4;
        QTest::newRow("pelvic-floor logged")
            << std::function<QString()>([] { return TavoCopy::pelvicFloorLoggedLine(2); }) << 4;
    }
    void everyRowIsReachable() {
        QFETCH(std::function<QString()>, draw);
        QFETCH(int, rows);
        QSet<QString> seen;
        for (int i = 0; i < 2000 && seen.size() < rows; ++i) {
            seen.insert(draw());
        }
        QCOMPARE(seen.size(), rows);
    }

    void titleAndBodyComeFromOneRow() {
        for (int i = 0; i < 200; ++i) {
            const TavoCopy::ReminderText text = TavoCopy::hydrationReminder();
            bool paired = false;
            for (const TavoCopy::ReminderText& row : TavoCopy::hydrationReminders()) {
                paired = paired || (row.title == text.title && row.body == text.body);
            }
            QVERIFY(paired);
        }
    }

    void loggedLineFillsTheCount_data() {
        QTest::addColumn<bool>("pelvicFloor");
        QTest::addColumn<QString>("filled");
        QTest::newRow("hydration") << false << QStringLiteral("💧 今日第 3 杯到账，继续保持");
        QTest::newRow("pelvic floor")
            << true << QStringLiteral("🫧 今日第 3 次完成，提肛小练到账");
    }
    void loggedLineFillsTheCount() {
        QFETCH(bool, pelvicFloor);
        QFETCH(QString, filled);
        const QStringList& table =
            pelvicFloor ? TavoCopy::pelvicFloorLoggedLines() : TavoCopy::hydrationLoggedLines();
        QCOMPARE(table.filter(QStringLiteral("%d")).size(), 1);
        bool sawFilled = false;
        for (int i = 0; i < 400; ++i) {
            const QString line =
                pelvicFloor ? TavoCopy::pelvicFloorLoggedLine(3) : TavoCopy::hydrationLoggedLine(3);
            QVERIFY(!line.contains(QStringLiteral("%d")));
            QVERIFY2(line == filled || table.contains(line), qPrintable(line));
            sawFilled = sawFilled || line == filled;
        }
        QVERIFY(sawFilled);
    }

    void pelvicBodyEndsWithTheHowTo() {
        for (int i = 0; i < 200; ++i) {
            const QString body = TavoCopy::pelvicFloorReminder().body;
            QVERIFY(body.endsWith(QStringLiteral("不舒服就停。")));
            const QStringList parts = body.split(QStringLiteral("\n\n"));
            QCOMPARE(parts.size(), 2);
            QVERIFY(!parts.first().contains(QLatin1Char('\n')));
            QCOMPARE(parts.last(), TavoCopy::pelvicFloorHowTo());
        }
    }
};

QTEST_APPLESS_MAIN(TavoCopyTest)
#include "tst_tavo_copy.moc"
