#pragma once

#include "Application/AppDelegate.h"
#include "Platform/Log.h"
#include "Stats/StatsStore.h"
#include "Wallpapers/WallpaperManager.h"
#include "support/FakeClock.h"
#include "support/TestPlatform.h"

#include <QStringList>
#include <QTemporaryDir>

#include <memory>

// A delegate over the platform fakes, with its own fake clock, settings file
// and event folder, and the log lines it printed.
struct DelegateFixture {
    ScopedFakeClock clock;
    ScopedPreferences prefs;
    QTemporaryDir statsDir;
    StatsStore store{statsDir.path()};
    TestPlatform platform;
    QStringList log;
    std::unique_ptr<AppDelegate> delegate;

    DelegateFixture() {
        // Choosing the wallpaper theme fetches a photo: let it fail at once, never on the network.
        prefs->setValue(WallpaperManager::baseUrlKey, QStringLiteral("http://127.0.0.1:9"));
        StatsStore::setShared(&store);
        setLogSink([this](const QString& line) { log.append(line); });
    }
    ~DelegateFixture() {
        delegate.reset();
        setLogSink({});
        StatsStore::setShared(nullptr);
    }
    AppDelegate& launch() {
        delegate = std::make_unique<AppDelegate>(platform.services());
        delegate->applicationDidFinishLaunching();
        return *delegate;
    }
};
