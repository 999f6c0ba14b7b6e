#include "Application/AppDelegate.h"

void AppDelegate::configureHydrationReminder() {}
void AppDelegate::configurePelvicFloorReminder() {}
void AppDelegate::configureReminderNotifications() {}
void AppDelegate::updateHydrationMenuItems() {}
void AppDelegate::updatePelvicFloorMenuItems() {}
void AppDelegate::updateReminderCountdownMenuTitles() {}
void AppDelegate::toggleHydrationReminder() {}
void AppDelegate::togglePelvicFloorReminder() {}
void AppDelegate::selectHydrationInterval(int) {}
void AppDelegate::selectPelvicFloorInterval(int) {}
void AppDelegate::showHydrationIntervalDialog() {}
void AppDelegate::showPelvicFloorIntervalDialog() {}
void AppDelegate::recordHydrationDrink() {}
void AppDelegate::recordPelvicFloorCompletion() {}
