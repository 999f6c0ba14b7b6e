#include "Reminders/HydrationReminderManager.h"

#include "Platform/Settings.h"

HydrationReminderManager::HydrationReminderManager(const ReminderServices& services, QObject* parent)
    : ReminderManager(hydrationConfiguration(), services, parent) {}

ReminderConfiguration HydrationReminderManager::hydrationConfiguration() {
    ReminderConfiguration c;
    c.enabledKey = Settings::hydrationReminderEnabled;
    c.intervalKey = Settings::hydrationReminderIntervalMinutes;
    c.nextReminderAtKey = Settings::hydrationReminderNextReminderAt;
    c.countKey = Settings::hydrationReminderDrinkCount;
    c.countDateKey = Settings::hydrationReminderDrinkCountDate;
    c.lastCompletedAtKey = Settings::hydrationReminderLastDrinkAt;
    c.dayStartedAtKey = Settings::hydrationReminderDayStartedAt;
    c.notificationIdentifier = QStringLiteral("hydration-reminder");
    c.categoryIdentifier = QStringLiteral("HYDRATION_REMINDER");
    c.confirmActionIdentifier = QStringLiteral("HYDRATION_DRANK");
    c.confirmTitle = QStringLiteral("水分充值 +1");
    c.reminderText = TavoCopy::hydrationReminder;
    c.skipMessages = {
        QStringLiteral("💧 水杯表示：我不是桌搭"),
        QStringLiteral("💧 跳过补水，身体先记一笔"),
        QStringLiteral("💧 咖啡不能顶所有水，别糊弄身体"),
        QStringLiteral("💧 本次水分充值延期，别让余额见底"),
        QStringLiteral("💧 已跳过喝水，水杯继续在旁边沉默"),
        QStringLiteral("💧 今天的水分 KPI 又被你鸽了一次"),
    };
    c.promptShownEvent = StatsEventType::hydrationPromptShown;
    c.completedEvent = StatsEventType::hydrationCompleted;
    c.skippedEvent = StatsEventType::hydrationSkipped;
    c.recordsGuidedSeconds = false;
    c.statusDue = QStringLiteral("💧 今日 %1 杯 · 水分余额不足");
    c.statusDisabled = QStringLiteral("💧 水分雷达：已下线");
    c.statusWaiting = QStringLiteral("💧 水分雷达待机中，等今天首次唤醒");
    c.statusNext = QStringLiteral("💧 今日 %1 杯 · 下次吨吨吨 %2");
    c.statusLoading = QStringLiteral("💧 今日 %1 杯 · 补水系统装填中");
    return c;
}
