#pragma once

#include <QString>

class UltramanTigaView {
public:
    // One of the ten rest subtitles, uniformly at random; picked once per rest.
    static QString randomSubtitle();
};
