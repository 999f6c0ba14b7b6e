#include "Platform/Preferences.h"

#include <QSettings>
#include <QStandardPaths>

#include <cmath>

namespace {

// INI files keep plain values as text, so a number written as 45 reads back
// as the string "45"; each converter accepts its own type and its text form.
bool toInteger(const QVariant& v, QVariant& out) {
    switch (v.typeId()) {
    case QMetaType::Int:
    case QMetaType::LongLong:
    case QMetaType::UInt:
        out = v.toLongLong();
        return true;
    case QMetaType::QString: {
        bool ok = false;
        const qlonglong n = v.toString().trimmed().toLongLong(&ok);
        out = n;
        return ok;
    }
    default:
        return false;
    }
}

bool toBoolean(const QVariant& v, QVariant& out) {
    if (v.typeId() == QMetaType::Bool) {
        out = v.toBool();
        return true;
    }
    if (v.typeId() == QMetaType::QString) {
        const QString text = v.toString().trimmed().toLower();
        if (text == QLatin1String("true") || text == QLatin1String("1")) {
            out = true;
            return true;
        }
        if (text == QLatin1String("false") || text == QLatin1String("0")) {
            out = false;
            return true;
        }
    }
    return false;
}

bool toNumber(const QVariant& v, QVariant& out) {
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
    ok = ok && std::isfinite(d);
    out = d;
    return ok;
}

bool toText(const QVariant& v, QVariant& out) {
    if (v.typeId() != QMetaType::QString) {
        return false;
    }
    out = v;
    return true;
}

bool toDate(const QVariant& v, QVariant& out) {
    if (v.typeId() != QMetaType::QDateTime || !v.toDateTime().isValid()) {
        return false;
    }
    out = v;
    return true;
}

} // namespace

Preferences::Preferences(const QString& filePath)
    : settings(std::make_unique<QSettings>(filePath, QSettings::IniFormat)) {}

Preferences::~Preferences() = default;

QString Preferences::defaultFilePath() {
    return QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation) +
           QStringLiteral("/Tavo/Tavo.conf");
}

void Preferences::registerDefaults(const QVariantMap& defaults) {
    for (auto it = defaults.begin(); it != defaults.end(); ++it) {
        registered.insert(it.key(), it.value());
    }
}

bool Preferences::contains(const QString& key) const {
    return settings->contains(key);
}

QVariant Preferences::stored(const QString& key) const {
    return settings->value(key);
}

QVariant Preferences::lookup(const QString& key, bool (*convert)(const QVariant&, QVariant&)) const {
    QVariant out;
    if (convert(stored(key), out)) {
        return out;
    }
    const auto it = registered.constFind(key);
    if (it != registered.constEnd() && convert(*it, out)) {
        return out;
    }
    return {};
}

std::optional<qint64> Preferences::integer(const QString& key) const {
    const QVariant v = lookup(key, toInteger);
    return v.isValid() ? std::optional<qint64>(v.toLongLong()) : std::nullopt;
}

std::optional<bool> Preferences::boolean(const QString& key) const {
    const QVariant v = lookup(key, toBoolean);
    return v.isValid() ? std::optional<bool>(v.toBool()) : std::nullopt;
}

std::optional<double> Preferences::number(const QString& key) const {
    const QVariant v = lookup(key, toNumber);
    return v.isValid() ? std::optional<double>(v.toDouble()) : std::nullopt;
}

std::optional<QString> Preferences::string(const QString& key) const {
    const QVariant v = lookup(key, toText);
    return v.isValid() ? std::optional<QString>(v.toString()) : std::nullopt;
}

std::optional<QDateTime> Preferences::date(const QString& key) const {
    const QVariant v = lookup(key, toDate);
    return v.isValid() ? std::optional<QDateTime>(v.toDateTime()) : std::nullopt;
}

void Preferences::setValue(const QString& key, const QVariant& value) {
    settings->setValue(key, value);
    // Written at once: the process may be ended by a log-out at any time.
    settings->sync();
}

void Preferences::remove(const QString& key) {
    settings->remove(key);
    settings->sync();
}
