#include "Platform/Desktop/WindowSystem.h"

#include <QGuiApplication>

bool WindowSystem::isX11() {
    return QGuiApplication::platformName() == QLatin1String("xcb");
}

bool WindowSystem::isWayland() {
    return QGuiApplication::platformName().startsWith(QLatin1String("wayland"));
}
