#pragma once

#include <QImage>
#include <QSize>

#include <memory>

// A picture above every window near the top of the main output that takes
// neither input nor focus. Destroying it takes it off the screen.
class OverlayCard {
public:
    virtual ~OverlayCard() = default;
    // Shows this picture, of the card's size, in place of the last one.
    virtual void show(const QImage& picture) = 0;
};

// Where the desktop lets a program put such cards; elsewhere they are windows.
class OverlayCards {
public:
    virtual ~OverlayCards() = default;
    // A card centred horizontally, its top edge topMargin below the top of the
    // area panels leave free; nullptr when none can be made.
    virtual std::unique_ptr<OverlayCard> create(QSize size, int topMargin) = 0;
};
