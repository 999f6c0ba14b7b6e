#include "Application/AppDelegate.h"

void AppDelegate::showTodayReport() {}
void AppDelegate::showThisWeekReport() {}
void AppDelegate::showThisMonthReport() {}
void AppDelegate::showYesterdayReportPromptIfNeeded() {}
