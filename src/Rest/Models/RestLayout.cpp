#include "Rest/Models/RestLayout.h"

#include <algorithm>
#include <vector>

RestLayout RestLayout::compute(QSizeF size, RestTheme theme) {
    RestLayout layout;
    const double width = size.width();
    const double height = size.height();
    const bool ultraman = theme == RestTheme::Ultraman;
    layout.spacing = ultraman ? 0 : 40;

    // Bottom up: the skip area has fixed heights.
    const double hintTop = height - skipBottomPadding - hintHeight;
    layout.hint = QRectF(0, hintTop, width, hintHeight);
    const double buttonTop = hintTop - skipSpacing - skipButtonSide;
    layout.skipButton = QRectF((width - skipButtonSide) / 2, buttonTop, skipButtonSide, skipButtonSide);

    if (ultraman) {
        // The figure takes all the room above the skip area.
        layout.ultraman = QRectF(0, ultramanTopPadding, width, std::max(0.0, buttonTop - ultramanTopPadding));
        return layout;
    }

    // Children of the column between the two flexible spacers.
    std::vector<double> middle = {ringSide};
    if (theme == RestTheme::Aurora) {
        middle.push_back(catTopPadding + catHeight);
    }
    middle.push_back(tipHeight);
    double fixed = 0;
    for (double h : middle) {
        fixed += h;
    }
    // Gaps: spacer, middle children, spacer, skip area. On a screen too
    // short for them at full width (1366x768, or 1080p at 150 %) the gaps
    // narrow, so that the tip never runs into the skip button; if the pieces
    // alone are too tall, the column ends above the skip area and its top
    // goes off the screen.
    const double gapCount = static_cast<double>(middle.size() + 2);
    layout.spacing = std::clamp((buttonTop - fixed) / gapCount, 0.0, layout.spacing);
    const double free = buttonTop - fixed - layout.spacing * gapCount;
    double y = (free > 0 ? free / 2 : free) + layout.spacing;

    layout.ring = QRectF((width - ringSide) / 2, y, ringSide, ringSide);
    y += ringSide + layout.spacing;
    if (theme == RestTheme::Aurora) {
        layout.cat = QRectF(0, y + catTopPadding, width, catHeight);
        y += catTopPadding + catHeight + layout.spacing;
    }
    layout.tip = QRectF(tipHorizontalPadding, y, std::max(0.0, width - 2 * tipHorizontalPadding), tipHeight);
    return layout;
}
