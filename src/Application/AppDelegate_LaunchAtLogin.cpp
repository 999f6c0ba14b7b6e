#include "Application/AppDelegate.h"

bool AppDelegate::isLaunchAtLoginEnabled() const {
    return false;
}
void AppDelegate::toggleLaunchAtLogin() {}
