#pragma once

#include <QWidget>

#include <functional>

// The press surface of the skip button: reports mouse down and up and keeps
// both events to itself. Its hit shape is the inscribed circle.
class MouseTouchBridge : public QWidget {
    Q_OBJECT
public:
    explicit MouseTouchBridge(QWidget* parent = nullptr);

    std::function<void()> onDown;
    std::function<void()> onUp;

protected:
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
};
