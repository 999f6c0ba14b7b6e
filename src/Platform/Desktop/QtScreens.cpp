#include "Platform/Desktop/QtScreens.h"

#include <QGuiApplication>
#include <QScreen>

QList<QRect> QtScreens::frames() const {
    QList<QRect> result;
    for (const QScreen* screen : QGuiApplication::screens()) {
        result.append(screen->geometry());
    }
    return result;
}
