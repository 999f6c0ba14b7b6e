#include "Stats/StatsStore.h"

#include "Platform/Files.h"
#include "Platform/Log.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLocale>
#include <QSet>
#include <QStandardPaths>
#include <QUuid>

#include <nlohmann/json.hpp>

#include <algorithm>
#include <array>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <filesystem>
#include <system_error>

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

QString appVersion() {
    const QString version = QCoreApplication::applicationVersion();
    return version.isEmpty() ? QStringLiteral("unknown") : version;
}

QString systemError(const QString& what, int error) {
    return what + QStringLiteral(": ") + QString::fromLocal8Bit(std::strerror(error));
}

qsizetype lineBreakLength(QByteArrayView text, qsizetype at) {
    const auto byte = [&](qsizetype i) { return i < text.size() ? static_cast<unsigned char>(text[i]) : 0; };
    const unsigned char c = byte(at);
    if (c >= 0x0A && c <= 0x0D) {
        return 1; // LF, VT, FF, CR (CR LF gives an empty piece, dropped)
    }
    if (c == 0xC2 && byte(at + 1) == 0x85) {
        return 2; // NEL
    }
    if (c == 0xE2 && byte(at + 1) == 0x80 && (byte(at + 2) == 0xA8 || byte(at + 2) == 0xA9)) {
        return 3; // LINE SEPARATOR, PARAGRAPH SEPARATOR
    }
    return 0;
}

// Tries to take the lock a few times over a few milliseconds: another
// writer holds it only for one line, a program that holds it longer must not
// freeze the caller.
bool lockBriefly(int fd) {
    constexpr int attempts = 5;
    for (int attempt = 1;; ++attempt) {
        if (::flock(fd, LOCK_EX | LOCK_NB) == 0) {
            return true;
        }
        if (errno != EWOULDBLOCK) {
            return true; // a file system without locks: write unlocked, as ever
        }
        if (attempt == attempts) {
            return false;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
}

int openMonthFile(const QByteArray& path) {
    // Never through a link (it could point anywhere), never waiting on a pipe.
    constexpr int flags = O_RDWR | O_APPEND | O_CREAT | O_CLOEXEC | O_NOFOLLOW | O_NONBLOCK;
    int fd = ::open(path.constData(), flags, 0644);
    struct stat status {};
    if (fd < 0 && errno == ELOOP && ::lstat(path.constData(), &status) == 0 && S_ISLNK(status.st_mode)) {
        // A link in Tavo's own folder is replaced by a file of its own; its
        // target stays as it is.
        logLine(QStringLiteral("Tavo Stats: replacing the link %1 by a file").arg(QFile::decodeName(path)));
        if (::unlink(path.constData()) == 0) {
            fd = ::open(path.constData(), flags, 0644);
        }
    }
    return fd;
}

// Appends one line to a month file without ever blocking; the error when it
// could not (the line then is not in the file, or only a torn part of it).
std::optional<QString> appendLine(const QString& path, const QByteArray& line) {
    const QByteArray name = QFile::encodeName(path);
    const int fd = openMonthFile(name);
    if (fd < 0) {
        return systemError(QStringLiteral("open ") + path, errno);
    }
    const auto closeWith = [fd](std::optional<QString> error) {
        ::close(fd);
        return error;
    };
    struct stat status {};
    if (::fstat(fd, &status) != 0 || !S_ISREG(status.st_mode)) {
        return closeWith(path + QStringLiteral(": not a regular file"));
    }
    if (!lockBriefly(fd)) {
        return closeWith(path + QStringLiteral(": locked by another program"));
    }

    // A line cut off by a crash or a full disk must not swallow this one. The
    // lock keeps another process from being mid-line while the end is checked.
    QByteArray bytes = line;
    char last = '\n';
    if (::fstat(fd, &status) == 0 && status.st_size > 0 && ::pread(fd, &last, 1, status.st_size - 1) == 1 &&
        last != '\n') {
        bytes.prepend('\n');
    }

    // One write per line: with O_APPEND, lines of other processes stay whole.
    ssize_t written = -1;
    do {
        written = ::write(fd, bytes.constData(), std::size_t(bytes.size()));
    } while (written < 0 && errno == EINTR);
    const int writeError = errno;
    if (written < 0) {
        return closeWith(systemError(QStringLiteral("write ") + path, writeError));
    }
    // Stopped just before the line feed, the event is whole in the file; the
    // next line to come puts the line feed before itself. Written again, it
    // would be there twice. Cut off earlier, what is there reads as no event.
    if (written < bytes.size() - 1) {
        return closeWith(
            QStringLiteral("write %1: only %2 of %3 bytes written").arg(path).arg(written).arg(bytes.size()));
    }
    if (::close(fd) != 0) {
        return systemError(QStringLiteral("close ") + path, errno);
    }
    return std::nullopt;
}

// The file's bytes, or none. Only a regular file: a device or pipe in its
// place would never end. One far larger than the store writes is no file of
// ours, and read whole it might not fit in memory: it is left as it is.
QByteArray readStoreFile(const QString& path, qint64 largest) {
    QFile file(path);
    if (!QFileInfo(file).isFile() || !file.open(QIODevice::ReadOnly)) {
        return {};
    }
    QByteArray bytes = file.read(largest + 1);
    if (bytes.size() > largest) {
        logLine(QStringLiteral("Tavo Stats: not read, larger than %1 KB: %2").arg(largest / 1024).arg(path));
        return {};
    }
    return bytes;
}

} // namespace

QList<StatsEvent> decodeStatsEventLines(QByteArrayView text) {
    QList<StatsEvent> events;
    // Growing the list line by line would move every event read so far many
    // times over. Files end their lines with LF, and no readable line is
    // shorter than 100 bytes, so a file of blank lines reserves little.
    qsizetype lineFeeds = 0;
    for (qsizetype at = text.indexOf('\n'); at >= 0; at = text.indexOf('\n', at + 1)) {
        ++lineFeeds;
    }
    events.reserve(std::min(lineFeeds + 1, text.size() / 100 + 1));
    StatsEventDecoder decoder;
    qsizetype lineStart = 0;
    const auto takeLine = [&](qsizetype lineEnd) {
        if (lineEnd > lineStart) {
            if (auto event = decoder.decode(text.sliced(lineStart, lineEnd - lineStart))) {
                events.append(std::move(*event));
            }
        }
    };
    // Only these bytes can start a line break; the others are passed over in
    // a tight loop.
    static constexpr auto mayStartBreak = [] {
        std::array<bool, 256> table{};
        for (const unsigned char c : {0x0A, 0x0B, 0x0C, 0x0D, 0xC2, 0xE2}) {
            table[c] = true;
        }
        return table;
    }();
    for (qsizetype at = 0; at < text.size();) {
        if (!mayStartBreak[static_cast<unsigned char>(text[at])]) {
            ++at;
        } else if (const qsizetype length = lineBreakLength(text, at)) {
            takeLine(at);
            at += length;
            lineStart = at;
        } else {
            ++at;
        }
    }
    takeLine(text.size());
    return events;
}

StatsStore::StatsStore(const QString& rootDirectory, Access access)
    : root(rootDirectory)
    , access(access) {
    if (access == Access::readWrite) {
        ensureDirectories();
    }
}

QString StatsStore::defaultRootDirectory() {
    QString base = QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation);
    if (base.isEmpty()) {
        base = QDir::homePath();
    }
    return base + QStringLiteral("/Tavo/Stats");
}

QString StatsStore::dayKey(const QDateTime& at) {
    return QLocale::c().toString(at.toLocalTime(), QStringLiteral("yyyy-MM-dd"));
}

QString StatsStore::monthKey(const QDateTime& at) {
    return QLocale::c().toString(at.toLocalTime(), QStringLiteral("yyyy-MM"));
}

void StatsStore::ensureDirectories() const {
    std::error_code error;
    for (const QString& directory : {eventsDirectory(), reportsDirectory()}) {
        std::filesystem::create_directories(QFile::encodeName(directory).toStdString(), error);
        if (error) {
            logLine(QStringLiteral("Tavo Stats: failed to create directories: ") + directory +
                    QStringLiteral(": ") + QString::fromLocal8Bit(error.message()));
            return;
        }
    }
}

void StatsStore::record(StatsEventType type, StatsEventSource source, const std::optional<QString>& sessionId,
                        const StatsPayload& payload, const QDateTime& at) {
    if (access == Access::readOnly) {
        return;
    }
    ensureDirectories();

    const StatsEvent event{QUuid::createUuid().toString(QUuid::WithoutBraces).toUpper(),
                           at,
                           dayKey(at),
                           monthKey(at),
                           type,
                           source,
                           sessionId,
                           payload,
                           appVersion()};
    QString error;
    const std::optional<QByteArray> json = encodeStatsEvent(event, &error);
    if (!json) {
        logLine(QStringLiteral("Tavo Stats: failed to record event: ") + error);
        return;
    }
    append(event.monthKey, *json + '\n');
}

void StatsStore::append(const QString& monthKey, const QByteArray& line) {
    const QMutexLocker lock(&appendMutex);
    pending.append({eventsDirectory() + u'/' + monthKey + QStringLiteral(".jsonl"), line, {}});
    writePending();
    if (pending.isEmpty() || writerRunning || closing) {
        return;
    }
    if (writer.joinable()) {
        writer.join(); // it has let go of the lock for the last time
    }
    writerRunning = true;
    writer = std::thread([this] { retryUntilWritten(); });
}

void StatsStore::writePending() {
    // A line that cannot be written holds back the later lines of its file,
    // which keeps every file in recording order.
    QSet<QString> blocked;
    for (auto it = pending.begin(); it != pending.end();) {
        if (blocked.contains(it->path)) {
            ++it;
            continue;
        }
        const std::optional<QString> error = appendLine(it->path, it->line);
        if (!error) {
            it = pending.erase(it);
            continue;
        }
        if (it->error.isEmpty()) {
            logLine(QStringLiteral("Tavo Stats: failed to record event: ") + *error +
                    QStringLiteral(" (kept to write later)"));
        }
        it->error = *error;
        blocked.insert(it->path);
        ++it;
    }
}

void StatsStore::retryUntilWritten() {
    const QMutexLocker lock(&appendMutex);
    while (!pending.isEmpty() && !closing) {
        wakeWriter.wait(&appendMutex, QDeadlineTimer(retryIntervalMs));
        if (!closing) {
            writePending();
        }
    }
    writerRunning = false;
}

StatsStore::~StatsStore() {
    {
        const QMutexLocker lock(&appendMutex);
        closing = true;
        wakeWriter.wakeAll();
    }
    if (writer.joinable()) {
        writer.join();
    }
    const QMutexLocker lock(&appendMutex);
    writePending();
    if (!pending.isEmpty()) {
        logLine(QStringLiteral("Tavo Stats: %1 event(s) lost at exit, never written: %2")
                    .arg(pending.size())
                    .arg(pending.constFirst().error));
    }
}

QList<StatsEvent> StatsStore::events(const QString& monthKey) const {
    // A month of events is a few megabytes.
    constexpr qint64 largestMonth = 64 * 1024 * 1024;
    return decodeStatsEventLines(
        readStoreFile(eventsDirectory() + u'/' + monthKey + QStringLiteral(".jsonl"), largestMonth));
}

QList<QString> StatsStore::monthKeys(const QDateTime& start, const QDateTime& end) {
    if (!start.isValid() || !end.isValid()) {
        return {};
    }
    const QDateTime lastInstant = std::max(end.addSecs(-1), start);
    const QDate first = start.toLocalTime().date();
    const QDate last = lastInstant.toLocalTime().date();
    const QDate lastMonth(last.year(), last.month(), 1);

    QList<QString> keys;
    for (QDate cursor(first.year(), first.month(), 1); cursor.isValid() && cursor <= lastMonth;
         cursor = cursor.addMonths(1)) {
        keys.append(QLocale::c().toString(cursor, QStringLiteral("yyyy-MM")));
    }
    return keys;
}

QList<StatsEvent> StatsStore::events(const QDateTime& start, const QDateTime& end) const {
    // Plain numbers: comparing a local time with a UTC one converts on every call.
    const qint64 first = start.toMSecsSinceEpoch();
    const qint64 last = end.toMSecsSinceEpoch();
    QList<StatsEvent> result;
    for (const QString& key : monthKeys(start, end)) {
        QList<StatsEvent> monthEvents = events(key);
        result.reserve(result.size() + monthEvents.size());
        for (StatsEvent& event : monthEvents) {
            const qint64 at = event.timestamp.toMSecsSinceEpoch();
            if (first <= at && at < last) {
                result.append(std::move(event));
            }
        }
    }
    return result;
}

bool StatsStore::hasEvents(const QDateTime& date) const {
    const QDate day = date.toLocalTime().date();
    const QDateTime start = day.startOfDay();
    const QDateTime end = day.addDays(1).startOfDay();
    if (!start.isValid() || !end.isValid()) {
        return false;
    }
    return !events(start, end).isEmpty();
}

StatsMeta StatsStore::loadMeta() const {
    // It holds a date and a version.
    constexpr qint64 largestMeta = 64 * 1024;
    return decodeStatsMeta(readStoreFile(metaPath(), largestMeta)).value_or(StatsMeta{});
}

void StatsStore::saveMeta(const StatsMeta& meta) {
    if (access == Access::readOnly) {
        return;
    }
    ensureDirectories();
    if (const std::optional<QString> error = replaceFile(metaPath(), encodeStatsMeta(meta))) {
        logLine(QStringLiteral("Tavo Stats: failed to save meta: ") + metaPath() + QStringLiteral(": ") +
                *error);
    }
}

QByteArray encodeStatsMeta(const StatsMeta& meta) {
    nlohmann::json object = nlohmann::json::object();
    if (meta.lastDailyReportPromptDay) {
        object["lastDailyReportPromptDay"] = meta.lastDailyReportPromptDay->toStdString();
    }
    return QByteArray::fromStdString(object.dump());
}

std::optional<StatsMeta> decodeStatsMeta(QByteArrayView json) {
    const nlohmann::json object = nlohmann::json::parse(json.begin(), json.end(), nullptr, false);
    if (!object.is_object()) {
        return std::nullopt;
    }
    StatsMeta meta;
    const auto day = object.find("lastDailyReportPromptDay");
    if (day != object.end() && !day->is_null()) {
        if (!day->is_string()) {
            return std::nullopt;
        }
        meta.lastDailyReportPromptDay = QString::fromStdString(day->get<std::string>());
    }
    return meta;
}
