#pragma once

#include <QString>

#include <functional>
#include <optional>

// What a status bar shows of Tavo now, read and compared as a whole.
struct StatusSnapshot {
    QString text;       // the menu's status line: countdown, rest, or a message in its place
    QString tooltip;    // that line and the two reminders' lines
    QString state;      // "working", "resting", "paused" or "idle": a bar's style class
    int percentage = 0; // of the work period gone; 100 during a rest

    friend bool operator==(const StatusSnapshot&, const StatusSnapshot&) = default;
};

// Where the running Tavo serves its control interface (resources/org.tavo.Tavo.xml):
// on the session bus of the user who runs it, nowhere else.
namespace RemoteControlBus {
inline const QString serviceName = QStringLiteral("org.tavo.Tavo");
inline const QString objectPath = QStringLiteral("/org/tavo/Tavo");
} // namespace RemoteControlBus

// What programs outside Tavo may ask of it (the session bus service and,
// through it, the command line). The application delegate implements it.
class RemoteControl {
public:
    virtual ~RemoteControl() = default;

    virtual StatusSnapshot statusSnapshot() = 0;
    // As the menu line: a rest now, nothing during one.
    virtual void triggerRestNow() = 0;
    // Counts a drink or an exercise set as confirmed now, without a dialog;
    // the line the status line shows for it.
    virtual QString drink() = 0;
    virtual QString exercise() = 0;
    // As the pause menu: rests and reminders wait for 30m, 1h, 2h or until
    // tomorrow (06:00); the status line then, or none for another length.
    virtual std::optional<QString> pause(const QString& length) = 0;
    // Ends a pause, the work period from full; the status line then.
    virtual QString resume() = 0;
    virtual void quitApp() = 0;

    // Called whenever what statusSnapshot() answers may have changed.
    std::function<void()> onStatusChanged;
};
