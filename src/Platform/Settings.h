#pragma once

#include "Platform/Preferences.h"

#include <limits>

// Every setting Tavo keeps, one row each: its name in the settings file, its
// type, the default answered while nothing readable is stored (never written;
// a key without one reads as absent) and the range a stored value is
// corrected into where it is read. A new setting is one more row here, named
// after its feature.
namespace Settings {

using BoolKey = PreferenceKey<bool>;
using IntKey = PreferenceKey<qint64>;
using NumberKey = PreferenceKey<double>;
using TextKey = PreferenceKey<QString>;
using DateKey = PreferenceKey<QDateTime>;

inline constexpr qint64 intMin = std::numeric_limits<int>::min();
inline constexpr qint64 intMax = std::numeric_limits<int>::max();
using enum OutOfRange;

// The format of the file, brought up to date by migrate().
inline const IntKey settingsVersion{
    QStringLiteral("settingsVersion"), {}, Range<qint64>{1, intMax, Absent, Absent}};

// The rhythm. A tag beyond int reads as the nearest int, which names no rhythm;
// an own rhythm the dialog would not accept (1 to 240 minutes of work, 5 to
// 3600 seconds of rest) is no own rhythm: a hand-edited 1 s / 1 s would start
// a rest every other second.
inline const IntKey selectedRestModeTag{
    QStringLiteral("selectedRestModeTag"), {}, Range<qint64>{intMin, intMax}};
inline const IntKey customRestModeWorkDuration{
    QStringLiteral("customRestModeWorkDuration"), {}, Range<qint64>{60, 240 * 60, Absent, Absent}};
inline const IntKey customRestModeRestDuration{
    QStringLiteral("customRestModeRestDuration"), {}, Range<qint64>{5, 3600, Absent, Absent}};

// The rest overlay.
inline const TextKey selectedTheme{QStringLiteral("selectedTheme"), QStringLiteral("aurora")};
// The blur slider's range; a hand-edited 1e308 would blacken the picture.
inline const NumberKey wallpaperBlurRadius{QStringLiteral("wallpaperBlurRadius"), 15.0, Range<double>{0, 30}};
// The photo service; a preference so that tests can point it at a local server.
inline const TextKey wallpaperServiceBaseURL{QStringLiteral("wallpaperServiceBaseURL"),
                                             QStringLiteral("https://picsum.photos")};

// The rest cycle: a long enough absence from keyboard and pointer counts as
// a rest, a rest waits while another program is full screen, and a pause
// holds everything until its end, also across a restart.
inline const BoolKey naturalRestEnabled{QStringLiteral("naturalRestEnabled"), true};
inline const IntKey naturalRestIdleMinutes{QStringLiteral("naturalRestIdleMinutes"), 5, Range<qint64>{1, 60}};
inline const BoolKey doNotDisturbFullScreenEnabled{QStringLiteral("doNotDisturbFullScreenEnabled"), true};
inline const DateKey restPausedUntil{QStringLiteral("restPausedUntil")};

// The reminders. An interval below a minute reads as the default; one so long
// that its seconds would not fit an int, as the longest that does. A day's
// count below zero reads as none; one too large to count on, as the largest.
inline const BoolKey hydrationReminderEnabled{QStringLiteral("hydrationReminderEnabled"), true};
inline const IntKey hydrationReminderIntervalMinutes{QStringLiteral("hydrationReminderIntervalMinutes"), 45,
                                                     Range<qint64>{1, intMax / 60, Default, Clamp}};
inline const DateKey hydrationReminderNextReminderAt{QStringLiteral("hydrationReminderNextReminderAt")};
inline const IntKey hydrationReminderDrinkCount{QStringLiteral("hydrationReminderDrinkCount"), 0,
                                                Range<qint64>{0, intMax - 1, Default, Clamp}};
inline const DateKey hydrationReminderDrinkCountDate{QStringLiteral("hydrationReminderDrinkCountDate")};
inline const DateKey hydrationReminderLastDrinkAt{QStringLiteral("hydrationReminderLastDrinkAt")};
inline const DateKey hydrationReminderDayStartedAt{QStringLiteral("hydrationReminderDayStartedAt")};

inline const BoolKey pelvicFloorReminderEnabled{QStringLiteral("pelvicFloorReminderEnabled"), true};
inline const IntKey pelvicFloorReminderIntervalMinutes{QStringLiteral("pelvicFloorReminderIntervalMinutes"),
                                                       60, Range<qint64>{1, intMax / 60, Default, Clamp}};
inline const DateKey pelvicFloorReminderNextReminderAt{QStringLiteral("pelvicFloorReminderNextReminderAt")};
inline const IntKey pelvicFloorReminderCompletionCount{QStringLiteral("pelvicFloorReminderCompletionCount"),
                                                       0, Range<qint64>{0, intMax - 1, Default, Clamp}};
inline const DateKey pelvicFloorReminderCompletionCountDate{
    QStringLiteral("pelvicFloorReminderCompletionCountDate")};
inline const DateKey pelvicFloorReminderLastCompletedAt{QStringLiteral("pelvicFloorReminderLastCompletedAt")};
inline const DateKey pelvicFloorReminderDayStartedAt{QStringLiteral("pelvicFloorReminderDayStartedAt")};

// Brings a file of an older version to the current one, one step per version
// (renaming, converting or dropping keys), and records the version. A file
// of a newer version is left alone.
void migrate(Preferences& preferences);

} // namespace Settings
