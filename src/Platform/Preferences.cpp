#include "Platform/Preferences.h"

#include <QSettings>
#include <QStandardPaths>

#include <cmath>

namespace {

// INI files keep plain values as text, so a number written as 45 reads back
// as the string "45"; each reader accepts its own type and its text form.
std::optional<qint64> read(const QVariant& v, qint64*) {
    switch (v.typeId()) {
    case QMetaType::Int:
    case QMetaType::LongLong:
    case QMetaType::UInt:
        return v.toLongLong();
    case QMetaType::QString: {
        bool ok = false;
        const qlonglong n = v.toString().trimmed().toLongLong(&ok);
        return ok ? std::optional<qint64>(n) : std::nullopt;
    }
    default:
        return std::nullopt;
    }
}

std::optional<bool> read(const QVariant& v, bool*) {
    if (v.typeId() == QMetaType::Bool) {
        return v.toBool();
    }
    if (v.typeId() == QMetaType::QString) {
        const QString text = v.toString().trimmed().toLower();
        if (text == QLatin1String("true") || text == QLatin1String("1")) {
            return true;
        }
        if (text == QLatin1String("false") || text == QLatin1String("0")) {
            return false;
        }
    }
    return std::nullopt;
}

std::optional<double> read(const QVariant& v, double*) {
    bool ok = false;
    double d = 0;
    switch (v.typeId()) {
    case QMetaType::Double:
    case QMetaType::Float:
    case QMetaType::Int:
    case QMetaType::LongLong:
    case QMetaType::UInt:
        d = v.toDouble(&ok);
        break;
    case QMetaType::QString:
        d = v.toString().trimmed().toDouble(&ok);
        break;
    default:
        break;
    }
    return ok && std::isfinite(d) ? std::optional<double>(d) : std::nullopt;
}

std::optional<QString> read(const QVariant& v, QString*) {
    return v.typeId() == QMetaType::QString ? std::optional<QString>(v.toString()) : std::nullopt;
}

std::optional<QDateTime> read(const QVariant& v, QDateTime*) {
    return v.typeId() == QMetaType::QDateTime && v.toDateTime().isValid()
               ? std::optional<QDateTime>(v.toDateTime())
               : std::nullopt;
}

template <typename T>
std::optional<T> corrected(const PreferenceKey<T>& key, const T& bound, OutOfRange rule) {
    switch (rule) {
    case OutOfRange::Clamp:
        return bound;
    case OutOfRange::Default:
        return key.defaultValue;
    case OutOfRange::Absent:
        break;
    }
    return std::nullopt;
}

} // namespace

Preferences::Preferences(const QString& filePath)
    : settings(std::make_unique<QSettings>(filePath, QSettings::IniFormat)) {}

Preferences::~Preferences() = default;

QString Preferences::defaultFilePath() {
    return QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation) +
           QStringLiteral("/Tavo/Tavo.conf");
}

template <typename T> std::optional<T> Preferences::value(const PreferenceKey<T>& key) const {
    std::optional<T> stored = read(settings->value(key.name), static_cast<T*>(nullptr));
    if (!stored) {
        return key.defaultValue;
    }
    if (key.range && *stored < key.range->lowest) {
        return corrected(key, key.range->lowest, key.range->below);
    }
    if (key.range && key.range->highest < *stored) {
        return corrected(key, key.range->highest, key.range->above);
    }
    return stored;
}

template <typename T>
void Preferences::setValue(const PreferenceKey<T>& key, const std::type_identity_t<T>& value) {
    // Rewriting the file drops the user's comment lines and touches the disk
    // once a second for counts that stay the same, so an unchanged value
    // (as stored, before any range correction) writes nothing.
    if (read(settings->value(key.name), static_cast<T*>(nullptr)) == value) {
        return;
    }
    settings->setValue(key.name, QVariant::fromValue(value));
    settings->sync();
}

bool Preferences::contains(const QString& name) const {
    return settings->contains(name);
}

void Preferences::remove(const QString& name) {
    // QSettings rewrites the file for a key that is not there, too.
    if (!settings->contains(name)) {
        return;
    }
    settings->remove(name);
    settings->sync();
}

// The five value types a key may have.
template std::optional<bool> Preferences::value(const PreferenceKey<bool>&) const;
template std::optional<qint64> Preferences::value(const PreferenceKey<qint64>&) const;
template std::optional<double> Preferences::value(const PreferenceKey<double>&) const;
template std::optional<QString> Preferences::value(const PreferenceKey<QString>&) const;
template std::optional<QDateTime> Preferences::value(const PreferenceKey<QDateTime>&) const;
template void Preferences::setValue(const PreferenceKey<bool>&, const bool&);
template void Preferences::setValue(const PreferenceKey<qint64>&, const qint64&);
template void Preferences::setValue(const PreferenceKey<double>&, const double&);
template void Preferences::setValue(const PreferenceKey<QString>&, const QString&);
template void Preferences::setValue(const PreferenceKey<QDateTime>&, const QDateTime&);
