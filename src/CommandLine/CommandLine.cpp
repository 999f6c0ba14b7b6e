#include "CommandLine/CommandLine.h"

#include "Platform/Clock.h"
#include "Platform/RemoteControl.h"
#include "Stats/StatsReportText.h"
#include "Stats/StatsReporter.h"
#include "Stats/StatsStore.h"
#include "tavo_control_proxy.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QDBusConnectionInterface>
#include <QDBusServiceWatcher>
#include <QEventLoop>
#include <QFile>
#include <QLocale>
#include <QTimer>

#include <nlohmann/json.hpp>

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <optional>

#include <unistd.h>

namespace CommandLine {

namespace {

const QString commandList = QStringLiteral("rest-now, pause, resume, status, drink, exercise, report, quit");

const QString description = QStringLiteral(
    "Tavo: eye rests, drinking water and pelvic-floor exercises.\n"
    "Without a command Tavo runs in the system tray. A command asks the running Tavo:\n"
    "\n"
    "  rest-now                  start an eye rest now\n"
    "  pause 30m|1h|2h|tomorrow  hold eye rests and reminders for that long (tomorrow: until 06:00)\n"
    "  resume                    end a pause; the work period starts again from full\n"
    "  status [--json] [--follow]\n"
    "                            what the status line shows; --json as a status bar reads it\n"
    "                            (text, tooltip, class, percentage), --follow one line per change\n"
    "  drink                     count a drink of water\n"
    "  exercise                  count a set of pelvic-floor exercises\n"
    "  report day|week|month [--date yyyy-MM-dd] [--json]\n"
    "                            the health report, read from the event files (Tavo need not run)\n"
    "  quit                      end Tavo\n"
    "\n"
    "Exit status: 0 done, 1 Tavo did not answer, 2 bad argument, 3 Tavo is not running,\n"
    "4 the health log cannot be read.");

// The last instant of waiting for a quitting Tavo to leave the bus.
constexpr int quitWaitMs = 10000;

int fail(const Context& context, int code, const QString& message) {
    context.err << QStringLiteral("Tavo: ") << message << u'\n';
    context.err.flush();
    return code;
}

QString statusLine(const StatusSnapshot& status, bool json) {
    if (!json) {
        return status.text;
    }
    const nlohmann::ordered_json object = {
        {"text", status.text.toStdString()},
        {"tooltip", status.tooltip.toStdString()},
        {"class", status.state.toStdString()},
        {"percentage", status.percentage},
    };
    return QString::fromStdString(object.dump());
}

// The exit for a failed call: no Tavo, or one that did not answer.
int callFailed(const Context& context, const QDBusError& error) {
    if (error.type() == QDBusError::ServiceUnknown) {
        return fail(context, notRunning, QStringLiteral("not running (start it with: tavo)"));
    }
    return fail(context, noAnswer, QStringLiteral("no answer: ") + error.message());
}

// Why the health log of the interval cannot be read, or none. A folder or
// file that does not exist yet is no problem: there are no events.
std::optional<QString> unreadable(const StatsStore& store, const StatsDateInterval& interval) {
    namespace fs = std::filesystem;
    const auto problem = [](const QString& path, bool folder) -> std::optional<QString> {
        const QByteArray name = QFile::encodeName(path);
        std::error_code error;
        const fs::file_status status = fs::status(name.toStdString(), error);
        if (status.type() == fs::file_type::not_found) {
            return std::nullopt;
        }
        if (error) {
            return path + QStringLiteral(": ") + QString::fromLocal8Bit(error.message());
        }
        if (folder ? !fs::is_directory(status) : !fs::is_regular_file(status)) {
            return path + (folder ? QStringLiteral(": not a folder") : QStringLiteral(": not a file"));
        }
        if (::access(name.constData(), folder ? R_OK | X_OK : R_OK) != 0) {
            return path + QStringLiteral(": ") + QString::fromLocal8Bit(std::strerror(errno));
        }
        return std::nullopt;
    };
    for (const QString& folder : {store.rootDirectory(), store.eventsDirectory()}) {
        if (auto found = problem(folder, true)) {
            return found;
        }
    }
    for (const QString& month : StatsStore::monthKeys(interval.start, interval.end)) {
        if (auto found = problem(store.eventsDirectory() + u'/' + month + QStringLiteral(".jsonl"), false)) {
            return found;
        }
    }
    return std::nullopt;
}

int report(const Context& context, const QStringList& words, bool json, const std::optional<QString>& date) {
    static const QMap<QString, StatsReportScope::Kind> kinds = {
        {QStringLiteral("day"), StatsReportScope::Kind::day},
        {QStringLiteral("week"), StatsReportScope::Kind::week},
        {QStringLiteral("month"), StatsReportScope::Kind::month},
    };
    if (words.size() != 1 || !kinds.contains(words.first())) {
        return fail(context, badArgument,
                    QStringLiteral("report needs one of: day, week, month (tavo report day|week|month "
                                   "[--date yyyy-MM-dd] [--json])"));
    }
    QDateTime at = context.clock.now();
    if (date) {
        const QDate day = QLocale::c().toDate(*date, QStringLiteral("yyyy-MM-dd"));
        if (!day.isValid() || day.toString(Qt::ISODate) != *date) {
            return fail(context, badArgument,
                        QStringLiteral("bad date \"%1\": use yyyy-MM-dd, e.g. 2026-03-31").arg(*date));
        }
        at = day.startOfDay();
    }
    const StatsStore store(context.statsRoot, StatsStore::Access::readOnly);
    const StatsReporter reporter(store, context.clock);
    const StatsReportScope scope{kinds.value(words.first()), at};
    if (const std::optional<QString> problem = unreadable(store, reporter.dateInterval(scope))) {
        return fail(context, unreadableData, QStringLiteral("cannot read the health log: ") + *problem);
    }
    const StatsReport made = reporter.makeReport(scope);
    if (json) {
        context.out << QString::fromUtf8(StatsReportText::json(made));
    } else {
        context.out << StatsReportText::plainText(made);
    }
    context.out.flush();
    return success;
}

StatusSnapshot snapshotOf(const QDBusPendingReply<QString, QString, QString, int>& reply) {
    return {reply.argumentAt<0>(), reply.argumentAt<1>(), reply.argumentAt<2>(), reply.argumentAt<3>()};
}

int status(const Context& context, TavoControlProxy& tavo, bool json, bool follow) {
    QString printed;
    bool anything = false;
    const auto print = [&](const StatusSnapshot& status) {
        const QString line = statusLine(status, json);
        if (anything && line == printed) {
            return;
        }
        context.out << line << u'\n';
        // A bar reads line by line; nothing may wait in a buffer.
        context.out.flush();
        printed = line;
        anything = true;
    };

    QEventLoop loop;
    int code = success;
    QDBusServiceWatcher watcher(RemoteControlBus::serviceName, tavo.connection(),
                                QDBusServiceWatcher::WatchForUnregistration);
    if (follow) {
        QObject::connect(
            &tavo, &TavoControlProxy::StatusChanged, &loop,
            [&](const QString& text, const QString& tooltip, const QString& state, int percentage) {
                print({text, tooltip, state, percentage});
            });
        // An empty status clears the bar's module, then the bar may start this again.
        QObject::connect(&watcher, &QDBusServiceWatcher::serviceUnregistered, &loop, [&] {
            print({});
            code = fail(context, notRunning, QStringLiteral("not running any more"));
            loop.quit();
        });
        QDBusPendingReply<> subscribed = tavo.Subscribe();
        subscribed.waitForFinished();
        if (subscribed.isError()) {
            return callFailed(context, subscribed.error());
        }
    }
    QDBusPendingReply<QString, QString, QString, int> reply = tavo.Status();
    reply.waitForFinished();
    if (reply.isError()) {
        return callFailed(context, reply.error());
    }
    print(snapshotOf(reply));
    if (follow) {
        loop.exec();
    }
    return code;
}

int quit(const Context& context, TavoControlProxy& tavo) {
    QEventLoop loop;
    QDBusServiceWatcher watcher(RemoteControlBus::serviceName, tavo.connection(),
                                QDBusServiceWatcher::WatchForUnregistration);
    QObject::connect(&watcher, &QDBusServiceWatcher::serviceUnregistered, &loop, &QEventLoop::quit);
    QDBusPendingReply<> reply = tavo.Quit();
    reply.waitForFinished();
    const bool gone = !tavo.connection().interface()->isServiceRegistered(RemoteControlBus::serviceName);
    // A Tavo that ended before its reply went out has quit all the same; with
    // none there when the call was made, nothing has.
    if (reply.isError() && (!gone || reply.error().type() == QDBusError::ServiceUnknown)) {
        return callFailed(context, reply.error());
    }
    // Returns once Tavo has left, so `tavo quit && tavo` starts a new one.
    if (!gone) {
        QTimer::singleShot(quitWaitMs, &loop, [&loop] { loop.exit(1); });
        if (loop.exec() != 0) {
            return fail(context, noAnswer, QStringLiteral("Tavo did not end"));
        }
    }
    return success;
}

// Prints the line a call answers with.
int printed(const Context& context, QDBusPendingReply<QString> reply) {
    reply.waitForFinished();
    if (reply.isError()) {
        return callFailed(context, reply.error());
    }
    context.out << reply.value() << u'\n';
    context.out.flush();
    return success;
}

int askTavo(const Context& context, const QString& command, const QString& argument, bool json, bool follow) {
    const QDBusConnection bus = context.bus();
    if (!bus.isConnected()) {
        return fail(context, notRunning, QStringLiteral("not running (no session bus)"));
    }
    TavoControlProxy tavo(RemoteControlBus::serviceName, RemoteControlBus::objectPath, bus);
    if (command == QLatin1String("status")) {
        return status(context, tavo, json, follow);
    }
    if (command == QLatin1String("quit")) {
        return quit(context, tavo);
    }
    if (command == QLatin1String("pause") || command == QLatin1String("resume")) {
        QDBusPendingReply<QString> reply =
            command == QLatin1String("pause") ? tavo.Pause(argument) : tavo.Resume();
        return printed(context, reply);
    }
    if (command == QLatin1String("rest-now")) {
        QDBusPendingReply<> reply = tavo.RestNow();
        reply.waitForFinished();
        return reply.isError() ? callFailed(context, reply.error()) : success;
    }
    return printed(context, command == QLatin1String("drink") ? tavo.Drink() : tavo.Exercise());
}

} // namespace

bool isCommand(const QStringList& arguments) {
    return !arguments.isEmpty() && arguments.first() != QLatin1String("-session") &&
           arguments.first() != QLatin1String("--session");
}

int run(const QStringList& arguments, const Context& context) {
    QCommandLineParser parser;
    parser.setApplicationDescription(description);
    parser.addPositionalArgument(QStringLiteral("command"), QStringLiteral("One of ") + commandList + u'.',
                                 QStringLiteral("COMMAND"));
    const QCommandLineOption help = parser.addHelpOption();
    const QCommandLineOption version = parser.addVersionOption();
    const QCommandLineOption json(QStringLiteral("json"), QStringLiteral("status and report: print JSON."));
    const QCommandLineOption follow(QStringLiteral("follow"),
                                    QStringLiteral("status: print a line whenever the status changes."));
    const QCommandLineOption date(
        QStringLiteral("date"),
        QStringLiteral("report: the day, week or month of this day (default: today)."),
        QStringLiteral("yyyy-MM-dd"));
    parser.addOptions({json, follow, date});

    if (!parser.parse(arguments)) {
        return fail(context, badArgument, parser.errorText() + QStringLiteral(" (see tavo --help)"));
    }
    if (parser.isSet(help)) {
        context.out << parser.helpText();
        context.out.flush();
        return success;
    }
    if (parser.isSet(version)) {
        context.out << QStringLiteral("tavo ") << QCoreApplication::applicationVersion() << u'\n';
        context.out.flush();
        return success;
    }

    QStringList words = parser.positionalArguments();
    if (words.isEmpty()) {
        return fail(context, badArgument, QStringLiteral("no command; commands: ") + commandList);
    }
    const QString command = words.takeFirst();
    // The options each command takes.
    static const QMap<QString, QStringList> commands = {
        {QStringLiteral("rest-now"), {}},
        {QStringLiteral("pause"), {}},
        {QStringLiteral("resume"), {}},
        {QStringLiteral("status"), {QStringLiteral("json"), QStringLiteral("follow")}},
        {QStringLiteral("drink"), {}},
        {QStringLiteral("exercise"), {}},
        {QStringLiteral("report"), {QStringLiteral("json"), QStringLiteral("date")}},
        {QStringLiteral("quit"), {}},
    };
    if (!commands.contains(command)) {
        return fail(context, badArgument,
                    QStringLiteral("unknown command \"%1\"; commands: %2").arg(command, commandList));
    }
    for (const QString& option : parser.optionNames()) {
        if (!commands.value(command).contains(option)) {
            return fail(context, badArgument,
                        QStringLiteral("%1 takes no --%2 (see tavo --help)").arg(command, option));
        }
    }
    if (command == QLatin1String("report")) {
        return report(context, words, parser.isSet(json),
                      parser.isSet(date) ? std::optional(parser.value(date)) : std::nullopt);
    }
    QString argument;
    if (command == QLatin1String("pause")) {
        static const QStringList lengths = {QStringLiteral("30m"), QStringLiteral("1h"), QStringLiteral("2h"),
                                            QStringLiteral("tomorrow")};
        if (words.size() != 1 || !lengths.contains(words.first())) {
            return fail(
                context, badArgument,
                QStringLiteral("pause needs one of: 30m, 1h, 2h, tomorrow (tavo pause 30m|1h|2h|tomorrow)"));
        }
        argument = words.takeFirst();
    }
    if (!words.isEmpty()) {
        return fail(context, badArgument,
                    QStringLiteral("%1 takes no argument \"%2\"").arg(command, words.first()));
    }
    return askTavo(context, command, argument, parser.isSet(json), parser.isSet(follow));
}

} // namespace CommandLine
