#pragma once

#include <QList>
#include <QString>

#include <optional>

class Preferences;

// The three looks of the rest overlay, in menu and picker order.
enum class RestTheme { Aurora, Wallpaper, Ultraman };

namespace RestThemes {

inline const QString preferenceKey = QStringLiteral("selectedTheme");

QList<RestTheme> allCases();
QString rawValue(RestTheme theme);
QString displayName(RestTheme theme);
QString icon(RestTheme theme);
// Exact, case-sensitive match of the raw value.
std::optional<RestTheme> fromRawValue(const QString& raw);
// The stored theme; absent or unknown reads as aurora.
RestTheme stored(const Preferences& preferences);
// The stored raw string, or "aurora" when absent (kept verbatim for the stats payload).
QString storedRawValue(const Preferences& preferences);
void store(Preferences& preferences, RestTheme theme);

// The wallpaper blur edited by the theme picker.
inline const QString blurRadiusKey = QStringLiteral("wallpaperBlurRadius");
inline constexpr double defaultBlurRadius = 15;
inline constexpr double maximumBlurRadius = 30;
// The stored blur; absent, wrong-typed or not finite reads as the default.
double storedBlurRadius(const Preferences& preferences);
void storeBlurRadius(Preferences& preferences, double radius);
// The picker's value label: the radius truncated toward zero.
QString blurRadiusLabel(double radius);

} // namespace RestThemes
