#include "Rest/Models/RestTheme.h"

#include "Platform/Settings.h"

#include <cmath>

namespace RestThemes {

QList<RestTheme> allCases() {
    return {RestTheme::Aurora, RestTheme::Wallpaper, RestTheme::Ultraman};
}

QString rawValue(RestTheme theme) {
    switch (theme) {
    case RestTheme::Aurora:
        return QStringLiteral("aurora");
    case RestTheme::Wallpaper:
        return QStringLiteral("wallpaper");
    case RestTheme::Ultraman:
        return QStringLiteral("ultraman");
    }
    return {};
}

QString displayName(RestTheme theme) {
    switch (theme) {
    case RestTheme::Aurora:
        return QStringLiteral("极光萤火虫");
    case RestTheme::Wallpaper:
        return QStringLiteral("随机网络壁纸");
    case RestTheme::Ultraman:
        return QStringLiteral("光之巨人");
    }
    return {};
}

QString icon(RestTheme theme) {
    switch (theme) {
    case RestTheme::Aurora:
        return QStringLiteral("\u2728");
    case RestTheme::Wallpaper:
        return QStringLiteral("\U0001F3DE\uFE0F");
    case RestTheme::Ultraman:
        return QStringLiteral("\u26A1\uFE0F");
    }
    return {};
}

std::optional<RestTheme> fromRawValue(const QString& raw) {
    for (RestTheme theme : allCases()) {
        if (rawValue(theme) == raw) {
            return theme;
        }
    }
    return std::nullopt;
}

RestTheme stored(const Preferences& preferences) {
    return fromRawValue(storedRawValue(preferences)).value_or(RestTheme::Aurora);
}

QString storedRawValue(const Preferences& preferences) {
    return preferences.value(Settings::selectedTheme).value();
}

void store(Preferences& preferences, RestTheme theme) {
    preferences.setValue(Settings::selectedTheme, rawValue(theme));
}

QString blurRadiusLabel(double radius) {
    return QString::number(static_cast<qint64>(std::trunc(radius)));
}

} // namespace RestThemes
