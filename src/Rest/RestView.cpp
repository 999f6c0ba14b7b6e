#include "Rest/RestView.h"

#include "Platform/Clock.h"

#include <QPainter>

RestView::RestView(int totalRestSeconds, Binding secondsRemaining, QString ultramanSubtitle,
                   std::function<void(const QString&)> onSkip, QWidget* parent)
    : QWidget(parent)
    , totalRestSeconds(totalRestSeconds)
    , secondsRemaining(std::move(secondsRemaining))
    , ultramanSubtitle(std::move(ultramanSubtitle))
    , onSkip(std::move(onSkip))
{
    Timer* tick = Clock::instance().createTimer(this);
    connect(tick, &Timer::timeout, this, qOverload<>(&QWidget::update));
    tick->start(0.1, true);
}

void RestView::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.fillRect(rect(), QColor(8, 12, 24));
    painter.setPen(Qt::white);
    QFont font = painter.font();
    font.setPixelSize(96);
    painter.setFont(font);
    painter.drawText(rect(), Qt::AlignCenter, QString::number(secondsRemaining.read()));
}
