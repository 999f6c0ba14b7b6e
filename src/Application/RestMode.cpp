#include "Application/RestMode.h"

QList<RestMode> RestMode::presets() {
    return {
        {120020, 1200, 20},
        {2700300, 2700, 300},
        {3600600, 3600, 600},
    };
}
