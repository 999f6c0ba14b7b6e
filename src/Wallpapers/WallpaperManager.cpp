#include "Wallpapers/WallpaperManager.h"

WallpaperManager& WallpaperManager::shared()
{
    static WallpaperManager manager;
    return manager;
}

void WallpaperManager::prefetchNextWallpaper() {}
