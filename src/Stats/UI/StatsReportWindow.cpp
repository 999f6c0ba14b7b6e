#include "Stats/UI/StatsReportWindow.h"

#include "Stats/StatsReportText.h"
#include "Stats/UI/StatsReportView.h"

#include <QGuiApplication>
#include <QScreen>
#include <QVBoxLayout>

StatsReportWindow::StatsReportWindow(StatsReport report, QWidget* parent)
    : QWidget(parent, Qt::Window)
    , reportView(new StatsReportView(std::move(report), this)) {
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowTitle(StatsReportText::title(reportView->report().scope.kind));
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(reportView);
    resize(900, 720);
}

void StatsReportWindow::present() {
    if (const QScreen* screen = QGuiApplication::primaryScreen()) {
        QRect frame(QPoint(0, 0), size());
        frame.moveCenter(screen->availableGeometry().center());
        move(frame.topLeft());
    }
    show();
    raise();
    activateWindow();
}
