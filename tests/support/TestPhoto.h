#pragma once

#include <QImage>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>

// A stand-in photograph: sky, sun, mountains and a lake, 1920 x 1080.
inline QImage testLandscape() {
    QImage image(1920, 1080, QImage::Format_RGB32);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    QLinearGradient sky(0, 0, 0, 700);
    sky.setColorAt(0, QColor(40, 90, 170));
    sky.setColorAt(1, QColor(250, 190, 140));
    painter.fillRect(image.rect(), sky);
    painter.setPen(Qt::NoPen);
    painter.setBrush(QColor(255, 230, 170));
    painter.drawEllipse(QPointF(1400, 420), 90, 90);
    QPainterPath ridge;
    ridge.moveTo(0, 760);
    ridge.lineTo(380, 420);
    ridge.lineTo(700, 640);
    ridge.lineTo(1100, 360);
    ridge.lineTo(1500, 620);
    ridge.lineTo(1920, 450);
    ridge.lineTo(1920, 1080);
    ridge.lineTo(0, 1080);
    painter.setBrush(QColor(40, 60, 70));
    painter.drawPath(ridge);
    painter.fillRect(QRect(0, 820, 1920, 260), QColor(60, 110, 140));
    return image;
}
