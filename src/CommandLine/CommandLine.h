#pragma once

#include <QDBusConnection>
#include <QStringList>
#include <QTextStream>

#include <functional>

class Clock;

// `tavo COMMAND`: rest-now, status, drink, exercise and quit ask the running
// Tavo over the session bus; report reads the event files itself, whether or
// not Tavo runs, and writes nothing. Answers go to out, errors to err as one
// line each.
namespace CommandLine {

enum ExitCode : int {
    success = 0,
    noAnswer = 1,       // Tavo runs but the call failed or timed out
    badArgument = 2,    // unknown command or option, bad date; the accepted forms are named
    notRunning = 3,     // no Tavo on this session bus (or no session bus)
    unreadableData = 4, // the health log's folder or a month file cannot be read
};

// Whether the arguments after the program name ask for a command rather than
// for Tavo itself: anything but nothing, or the session manager's "-session".
bool isCommand(const QStringList& arguments);

struct Context {
    // Connected only by the commands that need Tavo: a report reaches no bus.
    std::function<QDBusConnection()> bus;
    QString statsRoot;
    const Clock& clock;
    QTextStream& out;
    QTextStream& err;
};

// Runs one command; arguments start with the program name. Returns the exit code.
int run(const QStringList& arguments, const Context& context);

} // namespace CommandLine
