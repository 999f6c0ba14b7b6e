#include "Application/AppDelegate.h"

#include <QGuiApplication>
#include <QSessionManager>

void AppDelegate::configureSystemLifecycleGuards() {
    // A log-out asks running programs to agree; only quitApp() ends this one.
    if (auto* app = qobject_cast<QGuiApplication*>(QCoreApplication::instance())) {
        connect(app, &QGuiApplication::commitDataRequest, this, [this](QSessionManager& manager) {
            if (!applicationShouldTerminate() && manager.allowsInteraction()) {
                manager.cancel();
            }
        });
    }
}
