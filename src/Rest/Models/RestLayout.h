#pragma once

#include "Rest/Models/RestTheme.h"

#include <QRectF>
#include <QSizeF>

// Where the rest view's content column puts its pieces on a screen of the
// given size: flexible space above and below the middle group, the skip area
// at the bottom. Empty rectangles are pieces the theme leaves out.
struct RestLayout {
    static constexpr double ringSide = 240;
    static constexpr double catHeight = 180;
    static constexpr double catTopPadding = 20;
    static constexpr double ultramanTopPadding = 10;
    static constexpr double tipHeight = 60;
    static constexpr double tipHorizontalPadding = 40;
    static constexpr double skipButtonSide = 90;
    static constexpr double skipSpacing = 12;
    static constexpr double hintHeight = 14;
    static constexpr double skipBottomPadding = 50;

    static RestLayout compute(QSizeF size, RestTheme theme);

    double spacing = 0;
    QRectF ring;
    QRectF cat;
    QRectF ultraman;
    QRectF tip;
    QRectF skipButton;
    QRectF hint;
};
