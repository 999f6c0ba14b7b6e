#include "support/ServicesFixture.h"

#include "Platform/Log.h"

#include <QCoreApplication>
#include <QSettings>

QString eventKind(const StatsEvent& event) {
    return rawValue(event.type) + QLatin1Char('/') + rawValue(event.source);
}

QString eventLine(const StatsEvent& event) {
    QString line = eventKind(event);
    for (auto it = event.payload.cbegin(); it != event.payload.cend(); ++it) {
        line += QLatin1Char(' ') + it.key() + QLatin1Char('=') + it->stringValue();
    }
    return line;
}

ServicesFixture::ServicesFixture(const QDateTime& start)
    : clock(start) {
    setLogSink([this](const QString& line) { log.append(line); });
}

ServicesFixture::~ServicesFixture() {
    setLogSink({});
}

void ServicesFixture::advance(double seconds) {
    clock.advance(seconds);
    QCoreApplication::processEvents();
}

void ServicesFixture::advanceTo(const QDateTime& time) {
    clock.advanceTo(time);
    QCoreApplication::processEvents();
}

QList<StatsEvent> ServicesFixture::events() const {
    return store.events(QDateTime(QDate(2000, 1, 1), QTime()), QDateTime(QDate(2100, 1, 1), QTime()));
}

void ServicesFixture::storeRaw(const QString& key, const QVariant& value) {
    // Another handle on the same file: the preferences see the change at once.
    QSettings(settingsPath, QSettings::IniFormat).setValue(key, value);
}
