#include "Application/AppDelegate.h"

void AppDelegate::showAbout() {}
