#pragma once

#include "Stats/StatsEvent.h"

#include <QByteArray>
#include <QDateTime>
#include <QList>
#include <QMutex>
#include <QString>
#include <QWaitCondition>

#include <optional>
#include <thread>

// The small record kept beside the events for the daily report prompt.
struct StatsMeta {
    // Day key ("yyyy-MM-dd") of the day on which yesterday's report was last offered.
    std::optional<QString> lastDailyReportPromptDay;

    friend bool operator==(const StatsMeta&, const StatsMeta&) = default;
};

// The event log: one JSON line per event in a file per local
// calendar month, "<root>/events/yyyy-MM.jsonl", plus "<root>/meta.json".
// Every read goes to the files. Failures are printed as one "Tavo Stats: "
// line and swallowed. record() may be called from any thread and never
// waits: a month file another program holds locked, or one that is not a
// regular file, keeps the event in memory until a later append or a writer
// thread can write it; events still unwritten at the end are reported lost.
class StatsStore {
public:
    // A read-only store (the command line's reports) never touches the disk:
    // it creates no folder and records or saves nothing.
    enum class Access { readWrite, readOnly };

    // A store for writing creates the folders under root at once.
    explicit StatsStore(const QString& rootDirectory, Access access = Access::readWrite);
    // Makes a last attempt at events still in memory.
    ~StatsStore();
    StatsStore(const StatsStore&) = delete;
    StatsStore& operator=(const StatsStore&) = delete;

    // "<GenericDataLocation, or home>/Tavo/Stats".
    static QString defaultRootDirectory();

    QString rootDirectory() const { return root; }
    QString eventsDirectory() const { return root + QStringLiteral("/events"); }
    QString reportsDirectory() const { return root + QStringLiteral("/reports"); }
    QString metaPath() const { return root + QStringLiteral("/meta.json"); }

    // Local calendar day ("yyyy-MM-dd") and month ("yyyy-MM") of an instant.
    static QString dayKey(const QDateTime& at);
    static QString monthKey(const QDateTime& at);

    // Appends one event that happened at the given time.
    void record(StatsEventType type, StatsEventSource source, const std::optional<QString>& sessionId,
                const StatsPayload& payload, const QDateTime& at);

    // Every readable event with start <= timestamp < end, by month file, then
    // in append order (not sorted by timestamp).
    QList<StatsEvent> events(const QDateTime& start, const QDateTime& end) const;
    // Whether the local calendar day containing date has any event.
    bool hasEvents(const QDateTime& date) const;

    // Missing or undecodable meta.json reads as an empty meta.
    StatsMeta loadMeta() const;
    // Replaces meta.json in one step; a reader never sees half a file.
    void saveMeta(const StatsMeta& meta);

    // Month keys of the files an interval touches; an empty interval still
    // gives the month of start, and an end at midnight on the 1st excludes
    // that month.
    static QList<QString> monthKeys(const QDateTime& start, const QDateTime& end);

    // How often the writer thread tries again while events wait in memory.
    static constexpr int retryIntervalMs = 100;

private:
    struct PendingLine {
        QString path;
        QByteArray line;
        QString error; // why it is still waiting; empty before the first attempt
    };

    void ensureDirectories() const;
    void append(const QString& monthKey, const QByteArray& line);
    // Writes the waiting lines that can be written now, in order per file.
    void writePending();
    void retryUntilWritten();
    QList<StatsEvent> events(const QString& monthKey) const;

    QString root;
    Access access;
    // Serialises appends inside the process; O_APPEND and one write per line
    // keep other processes' lines whole. Guards everything below.
    QMutex appendMutex;
    QList<PendingLine> pending;
    QWaitCondition wakeWriter;
    std::thread writer;
    bool writerRunning = false;
    bool closing = false;
};

// Every readable event in the text of a month file, in file order. Lines end
// at LF, CR, CR LF, VT, FF, U+0085, U+2028 or U+2029; blank lines and lines
// that do not decode are skipped.
QList<StatsEvent> decodeStatsEventLines(QByteArrayView text);

// JSON of the meta record: an absent day is an empty object.
QByteArray encodeStatsMeta(const StatsMeta& meta);
std::optional<StatsMeta> decodeStatsMeta(QByteArrayView json);
