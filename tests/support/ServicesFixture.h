#pragma once

#include "Platform/Preferences.h"
#include "Stats/StatsStore.h"
#include "support/FakeClock.h"

#include <QStringList>
#include <QTemporaryDir>
#include <QVariant>

// An integer of an event's payload; -1 when it has none under the key.
inline qint64 payloadInt(const StatsEvent& event, const QString& key) {
    const auto found = event.payload.constFind(key);
    return found == event.payload.cend() ? -1 : found->intValue().value_or(-1);
}

// An event as "type/source".
QString eventKind(const StatsEvent& event);
// An event as "type/source key=value ...", its payload in key order.
QString eventLine(const StatsEvent& event);

// The services every suite fakes: a clock that stands still until a test
// moves it, a folder of its own holding the settings file and the event
// store, and the log lines printed meanwhile (instead of on standard output).
struct ServicesFixture {
    explicit ServicesFixture(const QDateTime& start = FakeClock::defaultStart);
    ~ServicesFixture();
    ServicesFixture(const ServicesFixture&) = delete;
    ServicesFixture& operator=(const ServicesFixture&) = delete;

    // Moves the clock on, firing the timers that fall due, then runs what they queued.
    void advance(double seconds);
    void advanceTo(const QDateTime& time);
    // Every event recorded so far, in the order of the files.
    QList<StatsEvent> events() const;
    // Writes a value into the settings file as a hand edit would, of whatever type.
    void storeRaw(const QString& key, const QVariant& value);

    FakeClock clock;
    QTemporaryDir dir;
    QString settingsPath = dir.filePath(QStringLiteral("Tavo.conf"));
    Preferences prefs{settingsPath};
    StatsStore store{dir.filePath(QStringLiteral("Stats"))};
    QStringList log;
};
