#include "Application/AppDelegate.h"

void AppDelegate::configureMainMenuForTextEditing() {}
