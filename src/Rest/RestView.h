#pragma once

#include <QWidget>

#include <functional>

// What one rest window shows. secondsRemaining is a binding onto the rest
// countdown owned by the caller: the view reads it on its own ticks.
class RestView : public QWidget {
    Q_OBJECT
public:
    struct Binding {
        std::function<int()> read;
        std::function<void(int)> write;
    };

    RestView(int totalRestSeconds, Binding secondsRemaining, QString ultramanSubtitle,
             std::function<void(const QString&)> onSkip, QWidget* parent = nullptr);

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    int totalRestSeconds;
    Binding secondsRemaining;
    QString ultramanSubtitle;
    std::function<void(const QString&)> onSkip;
};
