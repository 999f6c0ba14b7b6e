#include "Application/AppDelegate.h"

#include "Platform/Clock.h"
#include "Platform/FullScreen.h"
#include "Platform/IdleTime.h"
#include "Platform/Log.h"
#include "Platform/Preferences.h"
#include "Platform/Screens.h"
#include "Platform/Settings.h"
#include "Rest/Components/UltramanTigaView.h"
#include "Rest/Models/RestTheme.h"
#include "Rest/RestView.h"
#include "Rest/RestWindow.h"
#include "Wallpapers/WallpaperManager.h"

#include <QAction>
#include <QPointer>

void AppDelegate::startMainTimer() {
    delete mainTimer;
    mainTimer = services.clock.createTimer(this);
    connect(mainTimer, &Timer::timeout, this, &AppDelegate::tick);
    mainTimer->start(1.0, true);
}

void AppDelegate::tick() {
    clockJumps->check();
    restCycle.tick();
    updateReminderCountdownMenuTitles();
    // The reminders' countdowns, part of what a status bar shows, move with every tick.
    notifyStatusChanged();
}

void AppDelegate::updateStatusMenuTitle() {
    restCycle.updateStatusLine();
}

void AppDelegate::setTransientStatus(const QString& message, double duration) {
    restCycle.setTransientStatus(message, duration);
}

void AppDelegate::showStatusLine() {
    if (isStatusMenuOpen && statusMenuItem) {
        statusMenuItem->setText(statusLine());
    }
    notifyStatusChanged();
}

void AppDelegate::triggerRestNow() {
    restCycle.triggerRestNow();
}

void AppDelegate::startRest(StatsEventSource source) {
    restCycle.startRest(source);
}

void AppDelegate::stopRest(const std::optional<QString>& skipMessage) {
    restCycle.stopRest(skipMessage);
}

void AppDelegate::pauseRest(const QDateTime& until) {
    restCycle.pauseUntil(until);
}

void AppDelegate::showRest() {
    currentRestSubtitle = UltramanTigaView::randomSubtitle();
    const QList<QRect> frames = platform.screens ? platform.screens->frames() : QList<QRect>();
    if (!restWindows.isEmpty() && restWindows.size() == frames.size()) {
        logLine(QStringLiteral("Tavo: Reusing existing rest windows"));
        for (int i = 0; i < frames.size(); ++i) {
            restWindows.at(i)->setContentView(makeRestView(frames.at(i), currentRestSubtitle));
            restWindows.at(i)->setFrame(frames.at(i));
        }
    } else {
        logLine(QStringLiteral("Tavo: Recreating rest windows"));
        for (RestWindow* window : std::as_const(restWindows)) {
            closeRestWindow(window);
        }
        restWindows.clear();
        for (const QRect& frame : frames) {
            restWindows.append(makeRestWindow(frame, currentRestSubtitle));
        }
    }
    for (RestWindow* window : std::as_const(restWindows)) {
        window->orderFrontAndFocus();
    }
}

void AppDelegate::hideRest() {
    // The windows stay alive for the next rest.
    for (RestWindow* window : std::as_const(restWindows)) {
        window->orderOut();
    }
}

void AppDelegate::releaseReminders() {
    hydrationManager->retryDeferredReminderAfterRest();
    pelvicFloorManager->retryDeferredReminderAfterRest();
}

void AppDelegate::restApproaching() {
    // A fresh photo ready when the rest begins a minute later.
    if (RestThemes::stored(services.preferences) == RestTheme::Wallpaper) {
        services.wallpapers().prefetchNextWallpaper();
    }
}

bool AppDelegate::otherProgramFullScreen() {
    return platform.fullScreen && platform.fullScreen->otherProgramFullScreen();
}

void AppDelegate::measureIdleTime() {
    if (platform.idleTime) {
        // The setting may have changed since the last measurement.
        platform.idleTime->setThreshold(*services.preferences.value(Settings::naturalRestIdleMinutes) * 60 *
                                        1000);
        platform.idleTime->request();
    }
}

RestWindow* AppDelegate::makeRestWindow(const QRect& frame, const QString& subtitle) {
    auto* window = new RestWindow(frame);
    window->setContentView(makeRestView(frame, subtitle));
    window->setFrame(frame);
    return window;
}

void AppDelegate::closeRestWindow(RestWindow* window) {
    window->orderOut();
    window->close();
    window->deleteLater();
}

void AppDelegate::updateRestWindowsForScreens() {
    if (!restCycle.isResting() || !platform.screens) {
        return;
    }
    // Windows stay on the screens that are still there; the list follows the screen order.
    QList<RestWindow*> left = restWindows;
    QList<RestWindow*> windows;
    for (const QRect& frame : platform.screens->frames()) {
        const auto same = std::find_if(left.begin(), left.end(), [&frame](RestWindow* window) {
            return window->screenFrame() == frame;
        });
        if (same != left.end()) {
            windows.append(*same);
            left.erase(same);
            continue;
        }
        RestWindow* window = makeRestWindow(frame, currentRestSubtitle);
        // Over a locked session it waits, as the others do, for the unlock.
        if (!restCycle.isSystemPaused()) {
            window->orderFrontAndFocus();
        }
        windows.append(window);
    }
    for (RestWindow* window : std::as_const(left)) {
        closeRestWindow(window);
    }
    restWindows = windows;
}

QWidget* AppDelegate::makeRestView(const QRect& frame, const QString& subtitle) {
    const QPointer<AppDelegate> self(this);
    RestView::Binding seconds{
        [self] { return self ? static_cast<int>(self->restCycle.restSecondsRemaining()) : 0; },
        [self](int value) {
            if (self) {
                self->restCycle.setRestSecondsRemaining(value);
            }
        },
    };
    auto* view = new RestView(RestServices{services.clock, services.preferences, services.wallpapers},
                              static_cast<int>(restCycle.restDuration()), std::move(seconds), subtitle,
                              [self](const QString& message) {
                                  if (self) {
                                      self->stopRest(message);
                                  }
                              });
    view->resize(frame.size());
    return view;
}
