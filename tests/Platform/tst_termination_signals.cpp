#include "Platform/TerminationSignals.h"

#include <QSignalSpy>
#include <QTest>

#include <csignal>

// The three ways a session asks a program to end arrive in the event loop.
class TerminationSignalsTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void arrivesInTheEventLoop_data() {
        QTest::addColumn<int>("signalNumber");
        QTest::newRow("service manager") << int(SIGTERM);
        QTest::newRow("terminal closed") << int(SIGHUP);
        QTest::newRow("Ctrl+C") << int(SIGINT);
    }
    void arrivesInTheEventLoop() {
        QFETCH(int, signalNumber);
        TerminationSignals termination;
        QSignalSpy received(&termination, &TerminationSignals::received);
        // Twice: the second must not be lost behind the first.
        std::raise(signalNumber);
        std::raise(signalNumber);
        QVERIFY(received.isEmpty()); // nothing runs inside the handler
        QTRY_COMPARE(received.size(), 2);
        QCOMPARE(received.at(0).at(0).toInt(), signalNumber);
        QCOMPARE(received.at(1).at(0).toInt(), signalNumber);
    }
};

QTEST_GUILESS_MAIN(TerminationSignalsTest)
#include "tst_termination_signals.moc"
