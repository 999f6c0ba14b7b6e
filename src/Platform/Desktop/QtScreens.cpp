#include "Platform/Desktop/QtScreens.h"

#include <QGuiApplication>
#include <QScreen>

QtScreens::QtScreens(QObject* parent)
    : Screens(parent) {
    for (QScreen* screen : QGuiApplication::screens()) {
        watch(screen);
    }
    // Direct: a rest window must leave a detached screen before Qt moves it to another one.
    connect(qGuiApp, &QGuiApplication::screenAdded, this, [this](QScreen* screen) {
        watch(screen);
        Q_EMIT changed();
    });
    connect(qGuiApp, &QGuiApplication::screenRemoved, this, &Screens::changed);
}

void QtScreens::watch(QScreen* screen) {
    connect(screen, &QScreen::geometryChanged, this, &Screens::changed);
}

QList<QRect> QtScreens::frames() const {
    QList<QRect> result;
    for (const QScreen* screen : QGuiApplication::screens()) {
        result.append(screen->geometry());
    }
    return result;
}

QSize QtScreens::largestPixelSize() {
    QSize largest;
    for (const QScreen* screen : QGuiApplication::screens()) {
        largest = largest.expandedTo(screen->size() * screen->devicePixelRatio());
    }
    return largest;
}

QScreen* QtScreens::screenFor(const QRect& frame) {
    for (QScreen* screen : QGuiApplication::screens()) {
        if (screen->geometry() == frame) {
            return screen;
        }
    }
    return QGuiApplication::screenAt(frame.center());
}
