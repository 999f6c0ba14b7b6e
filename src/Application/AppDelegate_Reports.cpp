#include "Application/AppDelegate.h"

#include "Platform/Alerts.h"
#include "Platform/Clock.h"
#include "Stats/StatsReporter.h"
#include "Stats/StatsStore.h"
#include "Stats/UI/StatsReportWindow.h"

void AppDelegate::showTodayReport() {
    openReport(StatsReportScope::day(services.clock.now()));
}

void AppDelegate::showThisWeekReport() {
    openReport(StatsReportScope::week(services.clock.now()));
}

void AppDelegate::showThisMonthReport() {
    openReport(StatsReportScope::month(services.clock.now()));
}

void AppDelegate::openReport(const StatsReportScope& scope) {
    // The report is made once; an open window does not follow new events.
    auto* window = new StatsReportWindow(StatsReporter(services.stats, services.clock).makeReport(scope));
    // Top-level windows have no parent; the ones still open go with the delegate.
    connect(this, &QObject::destroyed, window, [window] { delete window; });
    window->present();
    statsReportWindow = window;
    setTransientStatus(QStringLiteral("📊 报表已打开，身体小本本已摊开"), 5.0);
}

void AppDelegate::showYesterdayReportPromptIfNeeded() {
    // A second later, so the status item and its menu are in place behind the alert.
    services.clock.callLater(this, 1.0, [this] {
        StatsStore& store = services.stats;
        const QDateTime now = services.clock.now();
        const QString today = StatsStore::dayKey(now);
        if (store.loadMeta().lastDailyReportPromptDay == today) {
            return;
        }
        const QDateTime yesterday = now.addDays(-1);
        if (!yesterday.isValid() || !store.hasEvents(yesterday)) {
            // Nothing to offer; the next launch looks again.
            return;
        }
        // Declining counts as offered too: once a day, whatever the answer.
        store.saveMeta(StatsMeta{today});
        if (!platform.alerts) {
            return;
        }
        const int answer = platform.alerts->run(Alert{
            QStringLiteral("昨天的身体维护日报已生成"),
            QStringLiteral("看看昨天休息、喝水、提肛有没有认真营业。"),
            AlertStyle::Informational,
            {QStringLiteral("查看日报"), QStringLiteral("稍后看")},
        });
        if (answer == Alerts::firstButton) {
            openReport(StatsReportScope::day(yesterday));
        }
    });
}
