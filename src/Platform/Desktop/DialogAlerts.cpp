#include "Platform/Desktop/DialogAlerts.h"

#include <QApplication>
#include <QDialog>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QStyle>
#include <QVBoxLayout>

int DialogAlerts::run(const Alert& alert) {
    QDialog dialog;
    // Above the windows of other programs, like a status-level panel.
    dialog.setWindowFlags(Qt::Dialog | Qt::WindowStaysOnTopHint | Qt::WindowTitleHint |
                          Qt::CustomizeWindowHint);
    dialog.setWindowTitle(QStringLiteral("Tavo"));

    auto* root = new QHBoxLayout(&dialog);
    // A fixed size also keeps tiling compositors (sway) from stretching the alert over the output.
    root->setSizeConstraint(QLayout::SetFixedSize);
    root->setContentsMargins(20, 20, 20, 16);
    root->setSpacing(16);

    auto* icon = new QLabel(&dialog);
    const QStyle::StandardPixmap pixmap =
        alert.style == AlertStyle::Warning ? QStyle::SP_MessageBoxWarning : QStyle::SP_MessageBoxInformation;
    icon->setPixmap(dialog.style()->standardIcon(pixmap).pixmap(48, 48));
    icon->setAlignment(Qt::AlignTop);
    root->addWidget(icon, 0, Qt::AlignTop);

    auto* column = new QVBoxLayout;
    column->setSpacing(8);
    root->addLayout(column);

    auto* message = new QLabel(alert.messageText, &dialog);
    QFont bold = message->font();
    bold.setBold(true);
    message->setFont(bold);
    message->setTextFormat(Qt::PlainText);
    column->addWidget(message);

    if (!alert.informativeText.isEmpty()) {
        auto* informative = new QLabel(alert.informativeText, &dialog);
        informative->setTextFormat(Qt::PlainText);
        informative->setWordWrap(true);
        informative->setMinimumWidth(280);
        column->addWidget(informative);
    }
    if (alert.accessory) {
        column->addWidget(alert.accessory);
    }

    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    column->addSpacing(8);
    column->addLayout(buttons);

    int answer = Alerts::closed;
    // Laid out right to left so the default button sits at the far right.
    for (int i = static_cast<int>(alert.buttons.size()) - 1; i >= 0; --i) {
        auto* button = new QPushButton(alert.buttons.at(i), &dialog);
        if (i == Alerts::firstButton) {
            button->setDefault(true);
        } else {
            button->setAutoDefault(false);
        }
        QObject::connect(button, &QPushButton::clicked, &dialog, [&dialog, &answer, i] {
            answer = i;
            dialog.accept();
        });
        buttons->addWidget(button);
    }

    // Modal to no window: a rest that begins while it waits for its answer
    // covers it, and must take the space bar and the skip button.
    dialog.setWindowModality(Qt::WindowModal);
    // A tray program has no active window to hand focus over; take it.
    dialog.show();
    dialog.raise();
    dialog.activateWindow();
    if (alert.initialFocus) {
        alert.initialFocus->setFocus(Qt::OtherFocusReason);
    }
    dialog.exec();
    if (alert.accessory) {
        // The caller still reads the fields after the alert returns.
        alert.accessory->setParent(nullptr);
    }
    return answer;
}
