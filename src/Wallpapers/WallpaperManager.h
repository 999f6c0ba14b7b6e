#pragma once

#include <QObject>

// Fetches and caches the photograph behind the wallpaper theme.
class WallpaperManager : public QObject {
    Q_OBJECT
public:
    static WallpaperManager& shared();

    void prefetchNextWallpaper();
};
