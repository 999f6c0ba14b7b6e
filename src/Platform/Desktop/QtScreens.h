#pragma once

#include "Platform/Screens.h"

class QtScreens final : public Screens {
public:
    QList<QRect> frames() const override;
};
