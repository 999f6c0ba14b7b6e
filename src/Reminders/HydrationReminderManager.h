#pragma once

#include "Reminders/ReminderManager.h"

// Reminds the user to drink water, 45 minutes apart unless set otherwise.
class HydrationReminderManager final : public ReminderManager {
    Q_OBJECT
public:
    explicit HydrationReminderManager(const ReminderServices& services, QObject* parent = nullptr);

    static ReminderConfiguration hydrationConfiguration();

    void recordDrink(StatsEventSource source) { recordCompletion(source); }
    void ensureFreshDrinkCount() { ensureFreshCount(); }
};
