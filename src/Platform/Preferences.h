#pragma once

#include <QDateTime>
#include <QString>

#include <memory>
#include <optional>
#include <type_traits>

class QSettings;

// What a stored value beyond one end of its key's range reads as.
enum class OutOfRange {
    Clamp,   // that end
    Default, // the key's default
    Absent,  // nothing
};

// The values a key accepts; a stored value outside is corrected where it is read.
template <typename T> struct Range {
    T lowest;
    T highest;
    OutOfRange below = OutOfRange::Clamp;
    OutOfRange above = OutOfRange::Clamp;
};

// One setting: its name in the file, its type, the default answered while
// nothing readable is stored (never written; without one such a key reads as
// absent) and its range. The keys themselves are the table in Settings.h.
template <typename T> struct PreferenceKey {
    QString name;
    std::optional<T> defaultValue = std::nullopt;
    std::optional<Range<T>> range = std::nullopt;
};

// The user's settings: an INI file read and written through typed keys. A
// stored value of the wrong type (a hand-edited "abc" where a number belongs)
// reads as absent. Keys are of type bool, qint64, double, QString or QDateTime.
class Preferences {
public:
    // The default file is $XDG_CONFIG_HOME/Tavo/Tavo.conf.
    explicit Preferences(const QString& filePath = defaultFilePath());
    ~Preferences();

    static QString defaultFilePath();

    template <typename T> std::optional<T> value(const PreferenceKey<T>& key) const;
    // Written at once (the process may be ended by a log-out at any time), and
    // only when it differs from what is stored, so the file keeps its comments.
    template <typename T> void setValue(const PreferenceKey<T>& key, const std::type_identity_t<T>& value);
    template <typename T> void remove(const PreferenceKey<T>& key) { remove(key.name); }
    // Whether anything is stored under the key, readable or not.
    template <typename T> bool contains(const PreferenceKey<T>& key) const { return contains(key.name); }

private:
    bool contains(const QString& name) const;
    void remove(const QString& name);

    std::unique_ptr<QSettings> settings;
};
