#pragma once

#include <QDateTime>
#include <QString>
#include <QVariantMap>

#include <memory>
#include <optional>

class QSettings;

// The user's settings: an INI file plus an in-memory registration map that
// answers for absent keys and is never written. A stored value of the wrong
// type (a hand-edited "abc" where a number belongs) reads as absent.
class Preferences {
public:
    // The default file is $XDG_CONFIG_HOME/Tavo/Tavo.conf.
    explicit Preferences(const QString& filePath = defaultFilePath());
    ~Preferences();

    static QString defaultFilePath();

    void registerDefaults(const QVariantMap& defaults);

    // Whether a value is stored for the key, of whatever type.
    bool contains(const QString& key) const;
    std::optional<qint64> integer(const QString& key) const;
    std::optional<bool> boolean(const QString& key) const;
    std::optional<double> number(const QString& key) const;
    std::optional<QString> string(const QString& key) const;
    std::optional<QDateTime> date(const QString& key) const;

    void setValue(const QString& key, const QVariant& value);
    void remove(const QString& key);

private:
    QVariant stored(const QString& key) const;
    QVariant lookup(const QString& key, bool (*convert)(const QVariant&, QVariant&)) const;

    std::unique_ptr<QSettings> settings;
    QVariantMap registered;
};
