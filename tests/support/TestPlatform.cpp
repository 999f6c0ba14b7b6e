#include "support/TestPlatform.h"

#include <QLineEdit>
#include <QWidget>

int ScriptedAlerts::run(const Alert& alert) {
    shown.append(alert);
    if (responders.isEmpty()) {
        return alert.buttons.size() > 1 ? 1 : Alerts::firstButton;
    }
    return responders.takeFirst()(alert);
}

void ScriptedAlerts::answer(int button, const QStringList& fieldTexts) {
    responders.append([button, fieldTexts](const Alert& alert) {
        if (alert.accessory) {
            const QList<QLineEdit*> fields = alert.accessory->findChildren<QLineEdit*>();
            for (int i = 0; i < fieldTexts.size() && i < fields.size(); ++i) {
                fields.at(i)->setText(fieldTexts.at(i));
            }
        }
        return button;
    });
}
