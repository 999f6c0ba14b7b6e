#pragma once

#include "Reminders/ReminderManager.h"

// Reminds the user to do one set of pelvic-floor exercises, 60 minutes apart
// unless set otherwise.
class PelvicFloorReminderManager final : public ReminderManager {
    Q_OBJECT
public:
    explicit PelvicFloorReminderManager(const ReminderServices& services, QObject* parent = nullptr);

    static ReminderConfiguration pelvicFloorConfiguration();

    void ensureFreshCompletionCount() { ensureFreshCount(); }
};
