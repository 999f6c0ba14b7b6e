#pragma once

#include "Stats/StatsReporter.h"

#include <QColor>
#include <QList>
#include <QString>
#include <QWidget>

class QPaintEvent;

// What one metric card of the overview shows.
struct StatsMetricCard {
    QString title;
    QString value;
    QString subtitle;
    QColor accent;

    friend bool operator==(const StatsMetricCard&, const StatsMetricCard&) = default;
};

// One day row: items done and skipped, and their shares of the busiest day.
struct StatsDayBar {
    QString dayKey;
    qint64 done = 0;
    qint64 skipped = 0;
    double doneShare = 0;
    double skippedShare = 0;
};

// The dark, scrollable page of one report: header with the maintenance
// score, four metric cards, one bar row per day and, for a day, the timeline.
// The report is fixed at creation; a new report needs a new view. The words
// and figures it draws come from StatsReportText and the static functions
// below, which need no display.
class StatsReportView : public QWidget {
    Q_OBJECT
public:
    explicit StatsReportView(StatsReport report, QWidget* parent = nullptr);

    const StatsReport& report() const { return shown; }

    static QList<StatsMetricCard> metricCards(const StatsDaySummary& total);
    // Long values (a rest time such as "1 小时 0 分钟") get the smaller size.
    static int metricValuePixelSize(const QString& value);
    static QList<StatsDayBar> dayBars(const QList<StatsDaySummary>& days);
    static bool showsTimeline(const StatsReportScope& scope);

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QWidget* makeHeader();
    QWidget* makeOverview();
    QWidget* makeDailySection();
    QWidget* makeTimelineSection();

    StatsReport shown;
};
