#pragma once

#include "Application/AppDelegate.h"
#include "Platform/Settings.h"
#include "Wallpapers/WallpaperManager.h"
#include "support/ServicesFixture.h"
#include "support/TestPlatform.h"

#include <memory>
#include <optional>

// A delegate over the platform fakes and the faked services.
struct DelegateFixture : ServicesFixture {
    using ServicesFixture::ServicesFixture;
    ~DelegateFixture() { delegate.reset(); }

    Services services() {
        return {clock, prefs, store, [this]() -> WallpaperManager& {
                    if (!wallpapers) {
                        // Choosing the wallpaper theme fetches a photo: let it fail at once, never on the
                        // network.
                        prefs.setValue(Settings::wallpaperServiceBaseURL,
                                       QStringLiteral("http://127.0.0.1:9"));
                        wallpapers.emplace(dir.filePath(QStringLiteral("cache")), clock, prefs, nullptr);
                    }
                    return *wallpapers;
                }};
    }
    // A delegate that has not launched yet.
    AppDelegate& make() {
        delegate = std::make_unique<AppDelegate>(adapters, services());
        return *delegate;
    }
    AppDelegate& launch() {
        make().applicationDidFinishLaunching();
        return *delegate;
    }

    TestPlatform platform;
    // What the delegate gets; a suite may put another adapter in first.
    PlatformServices adapters = platform.services();
    std::optional<WallpaperManager> wallpapers;
    std::unique_ptr<AppDelegate> delegate;
};
