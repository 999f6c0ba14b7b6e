#pragma once

#include <QList>
#include <QObject>
#include <QRect>

// The attached screens in the platform's order, as frames in the virtual desktop.
class Screens : public QObject {
    Q_OBJECT
public:
    using QObject::QObject;
    virtual QList<QRect> frames() const = 0;

Q_SIGNALS:
    // A screen was attached or detached, or its frame moved or resized.
    void changed();
};
