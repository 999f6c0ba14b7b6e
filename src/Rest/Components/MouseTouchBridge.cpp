#include "Rest/Components/MouseTouchBridge.h"

#include <QMouseEvent>
#include <QRegion>

MouseTouchBridge::MouseTouchBridge(QWidget* parent)
    : QWidget(parent) {}

void MouseTouchBridge::mousePressEvent(QMouseEvent* event) {
    event->accept();
    if (event->button() == Qt::LeftButton && onDown) {
        onDown();
    }
}

void MouseTouchBridge::mouseReleaseEvent(QMouseEvent* event) {
    event->accept();
    if (event->button() == Qt::LeftButton && onUp) {
        onUp();
    }
}

void MouseTouchBridge::resizeEvent(QResizeEvent*) {
    setMask(QRegion(rect(), QRegion::Ellipse));
}
