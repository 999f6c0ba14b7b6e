#pragma once

#include <QList>

// A rhythm: how long a work period lasts and how long the rest after it.
struct RestMode {
    int tag = 0;
    int workDuration = 0; // seconds
    int restDuration = 0; // seconds

    static constexpr int defaultTag = 120020;
    static constexpr int customTag = -1;

    static QList<RestMode> presets();

    friend bool operator==(const RestMode&, const RestMode&) = default;
};
