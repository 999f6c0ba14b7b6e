#pragma once

#include "Platform/Screens.h"

class QScreen;

class QtScreens final : public Screens {
    Q_OBJECT
public:
    explicit QtScreens(QObject* parent = nullptr);
    QList<QRect> frames() const override;

    // The largest screen's size in device pixels; empty without screens.
    static QSize largestPixelSize();
    // The screen whose frame this is, or the one under its centre.
    static QScreen* screenFor(const QRect& frame);

private:
    void watch(QScreen* screen);
};
