#pragma once

#include "Stats/StatsReporter.h"

#include <QWidget>

class StatsReportView;

// A titled, resizable window around one report view, 900 × 720 at first.
// It frees itself when closed; it is the one kind of window Tavo shows with
// a taskbar entry.
class StatsReportWindow : public QWidget {
    Q_OBJECT
public:
    explicit StatsReportWindow(StatsReport report, QWidget* parent = nullptr);

    StatsReportView* view() const { return reportView; }

    // Centres the window on the primary screen, shows it and brings it to the front.
    void present();

private:
    StatsReportView* reportView;
};
