#pragma once

#include <QObject>

// How long the user has left keyboard and pointer alone, from whichever
// source this desktop offers (the X server, a desktop's D-Bus service, a
// Wayland protocol). main() picks one at start; none means no natural rests.
class IdleTime : public QObject {
    Q_OBJECT
public:
    using QObject::QObject;
    // Asks for the idle time now; measured() answers, at once or a little later.
    virtual void request() = 0;
    // The idle time that matters. Sources that only say when a set idle time
    // is reached (the Wayland ones) need it; the others ignore it.
    virtual void setThreshold(qint64 ms) { Q_UNUSED(ms) }

Q_SIGNALS:
    void measured(qint64 idleMs);
};
