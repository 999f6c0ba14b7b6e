#pragma once

#include <QString>
#include <QStringList>

class QWidget;

enum class AlertStyle { Informational, Warning };

// A modal alert: bold message, informative text, an optional accessory view
// (a form, styled text) and buttons, the first of which is the default.
struct Alert {
    QString messageText;
    QString informativeText;
    AlertStyle style = AlertStyle::Informational;
    QStringList buttons;
    QWidget* accessory = nullptr; // shown below the texts; the caller owns it
    QWidget* initialFocus = nullptr;
};

class Alerts {
public:
    static constexpr int firstButton = 0;
    static constexpr int closed = -1;

    virtual ~Alerts() = default;
    // Runs the alert modally and answers the index of the chosen button, or
    // `closed` when it was dismissed otherwise.
    virtual int run(const Alert& alert) = 0;
};
