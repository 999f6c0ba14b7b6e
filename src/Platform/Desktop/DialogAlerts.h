#pragma once

#include "Platform/Alerts.h"

// Alerts as stay-on-top dialogs.
class DialogAlerts final : public Alerts {
public:
    int run(const Alert& alert) override;
};
