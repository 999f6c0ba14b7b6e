#pragma once

#include <QObject>

// The moments the user goes away from the screen and comes back: the system
// going to sleep and waking, the session being locked and unlocked, the
// screen saver starting and stopping. One wake may bring several resumes.
class SessionEvents : public QObject {
    Q_OBJECT
public:
    using QObject::QObject;

Q_SIGNALS:
    void paused();
    void resumed();
};
