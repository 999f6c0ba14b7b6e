#pragma once

#include <QObject>

class QSocketNotifier;

// SIGTERM, SIGHUP and SIGINT as a Qt signal on the thread that created this
// object. The handler itself only writes the signal number into a socket
// pair; the event loop reads it there, where calling Qt is safe. One instance
// at a time; destroying it gives the three signals their default action back.
class TerminationSignals final : public QObject {
    Q_OBJECT
public:
    explicit TerminationSignals(QObject* parent = nullptr);
    ~TerminationSignals() override;

Q_SIGNALS:
    void received(int signalNumber);

private:
    void readPending();

    QSocketNotifier* notifier = nullptr;
};
