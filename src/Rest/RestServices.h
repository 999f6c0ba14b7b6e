#pragma once

#include <functional>

class Clock;
class Preferences;
class QRandomGenerator;
class WallpaperManager;

// What a rest view needs from its owner.
struct RestServices {
    Clock& clock;
    // The theme and the wallpaper blur, which the picker writes and every view follows.
    Preferences& preferences;
    // Asked for only when the wallpaper theme is on screen.
    std::function<WallpaperManager&()> wallpapers;
    // Places the fireflies and the stars; nullptr means the system's
    // generator. A benchmark seeds its own, the same on every run.
    QRandomGenerator* random = nullptr;
};
