#pragma once

#include <QList>
#include <QRect>

// The attached screens in the platform's order, as frames in the virtual desktop.
class Screens {
public:
    virtual ~Screens() = default;
    virtual QList<QRect> frames() const = 0;
};
