#include "Platform/Settings.h"

#include <array>

namespace Settings {

namespace {

// steps[n - 1] turns a file of version n into one of version n + 1. Version 1
// is the first; the day a key is renamed or converted, its step goes here.
using Step = void (*)(Preferences&);
constexpr std::array<Step, 0> steps = {};
constexpr qint64 currentVersion = qint64(steps.size()) + 1;

} // namespace

void migrate(Preferences& preferences) {
    const std::optional<qint64> stored = preferences.value(settingsVersion);
    qint64 version = stored.value_or(1);
    if (version > currentVersion) {
        return; // written by a newer Tavo: read what it can, change nothing
    }
    for (; version < currentVersion; ++version) {
        steps.at(static_cast<size_t>(version - 1))(preferences);
    }
    if (stored != currentVersion) {
        preferences.setValue(settingsVersion, currentVersion);
    }
}

} // namespace Settings
