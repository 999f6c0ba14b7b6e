#include "Reminders/PelvicFloorReminderManager.h"

#include "Platform/Settings.h"

PelvicFloorReminderManager::PelvicFloorReminderManager(const ReminderServices& services, QObject* parent)
    : ReminderManager(pelvicFloorConfiguration(), services, parent) {}

ReminderConfiguration PelvicFloorReminderManager::pelvicFloorConfiguration() {
    ReminderConfiguration c;
    c.enabledKey = Settings::pelvicFloorReminderEnabled;
    c.intervalKey = Settings::pelvicFloorReminderIntervalMinutes;
    c.nextReminderAtKey = Settings::pelvicFloorReminderNextReminderAt;
    c.countKey = Settings::pelvicFloorReminderCompletionCount;
    c.countDateKey = Settings::pelvicFloorReminderCompletionCountDate;
    c.lastCompletedAtKey = Settings::pelvicFloorReminderLastCompletedAt;
    c.dayStartedAtKey = Settings::pelvicFloorReminderDayStartedAt;
    c.notificationIdentifier = QStringLiteral("pelvic-floor-reminder");
    c.categoryIdentifier = QStringLiteral("PELVIC_FLOOR_REMINDER");
    c.confirmActionIdentifier = QStringLiteral("PELVIC_FLOOR_COMPLETE");
    c.confirmTitle = QStringLiteral("底盘保养 +1");
    c.reminderText = TavoCopy::pelvicFloorReminder;
    c.skipMessages = {
        QStringLiteral("🫧 底盘保养已跳过，久坐账本 +1"),
        QStringLiteral("🫧 这组先欠着，别把身体当固定资产"),
        QStringLiteral("🫧 已跳过，身体维护单暂时挂起"),
        QStringLiteral("🫧 低调维护失败一次，下次补上"),
        QStringLiteral("🫧 久坐人已忽略保养提醒，系统轻微叹气"),
        QStringLiteral("🫧 底盘续航未更新，先给你记个待办"),
    };
    c.promptShownEvent = StatsEventType::pelvicPromptShown;
    c.completedEvent = StatsEventType::pelvicCompleted;
    c.skippedEvent = StatsEventType::pelvicSkipped;
    c.recordsGuidedSeconds = true;
    c.statusDue = QStringLiteral("🫧 今日 %1 次 · 底盘保养时间到");
    c.statusDisabled = QStringLiteral("🫧 底盘保养：已下线");
    c.statusWaiting = QStringLiteral("🫧 底盘保养待机中，等今天首次唤醒");
    c.statusNext = QStringLiteral("🫧 今日 %1 次 · 下次保养 %2");
    c.statusLoading = QStringLiteral("🫧 今日 %1 次 · 下一组装填中");
    return c;
}
