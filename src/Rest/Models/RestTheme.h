#pragma once

#include <QList>
#include <QString>

#include <optional>

class Preferences;

// The three looks of the rest overlay, in menu and picker order.
enum class RestTheme { Aurora, Wallpaper, Ultraman };

namespace RestThemes {

QList<RestTheme> allCases();
QString rawValue(RestTheme theme);
QString displayName(RestTheme theme);
QString icon(RestTheme theme);
// Exact, case-sensitive match of the raw value.
std::optional<RestTheme> fromRawValue(const QString& raw);
// The stored theme; an unknown name reads as aurora.
RestTheme stored(const Preferences& preferences);
// The stored raw string, kept verbatim for the stats payload.
QString storedRawValue(const Preferences& preferences);
void store(Preferences& preferences, RestTheme theme);

// The end of the picker's blur slider.
inline constexpr double maximumBlurRadius = 30;
// The picker's value label: the radius truncated toward zero.
QString blurRadiusLabel(double radius);

} // namespace RestThemes
