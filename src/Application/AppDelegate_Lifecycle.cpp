#include "Application/AppDelegate.h"

#include "Platform/IdleTime.h"
#include "Platform/Preferences.h"
#include "Platform/Screens.h"
#include "Platform/SessionEvents.h"
#include "Platform/Settings.h"
#include "Platform/StatusItem.h"
#include "Rest/RestWindow.h"

#include <QGuiApplication>
#include <QSessionManager>

void AppDelegate::configureSystemLifecycleGuards() {
    // Holding up a log-out only delays it until the session kills the process: end as the quit line does.
    if (auto* app = qobject_cast<QGuiApplication*>(QCoreApplication::instance())) {
        connect(app, &QGuiApplication::commitDataRequest, this, [this](QSessionManager&) { quitApp(); });
    }
    if (platform.screens) {
        connect(platform.screens, &Screens::changed, this, &AppDelegate::updateRestWindowsForScreens);
    }
    // Idle time, where this desktop tells it, makes an absence a natural rest.
    if (platform.idleTime) {
        connect(platform.idleTime, &IdleTime::measured, this,
                [this](qint64 ms) { restCycle.setIdleTime(ms); });
        restCycle.setIdleTimeAvailable(true);
        platform.idleTime->setThreshold(*services.preferences.value(Settings::naturalRestIdleMinutes) * 60 *
                                        1000);
    }
    if (platform.sessionEvents) {
        connect(platform.sessionEvents, &SessionEvents::paused, this, &AppDelegate::handleSystemSessionPause);
        connect(platform.sessionEvents, &SessionEvents::resumed, this,
                &AppDelegate::handleSystemSessionResume);
    }
}

void AppDelegate::handleSystemSessionPause() {
    restCycle.systemPaused();
    // The rest keeps running (countdown, session, windows); only the overlay goes.
    if (restCycle.isResting()) {
        for (RestWindow* window : std::as_const(restWindows)) {
            window->orderOut();
        }
    }
}

void AppDelegate::handleSystemSessionResume() {
    // One wake brings up to three resumes; each recovery step is safe to repeat.
    QMetaObject::invokeMethod(this, &AppDelegate::recoverAfterSystemSessionResume, Qt::QueuedConnection);
}

void AppDelegate::recoverAfterSystemSessionResume() {
    restCycle.systemResumed();
    StatusItem* item = platform.statusItem;
    if (!item || !item->hasButton()) {
        configureStatusItem();
        setupMenu();
    } else if (!statusMenu) {
        setupMenu();
    }
    if (restCycle.isResting()) {
        for (RestWindow* window : std::as_const(restWindows)) {
            window->orderFrontAndFocus();
        }
    }
    startServices();
    if (!mainTimer) {
        startMainTimer();
    }
    startReminderManagers();
    updateReminderCountdownMenuTitles();
    updateStatusMenuTitle();
}
