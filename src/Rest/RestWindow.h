#pragma once

#include <QWidget>

// A borderless window over one whole screen, above panels and other windows.
// It takes keyboard focus so the rest view sees the space bar. On X11 it
// bypasses the window manager and grabs the keyboard; on Wayland, where a
// client can neither place nor stack its windows, it asks the compositor to
// show it full screen on that screen's output.
class RestWindow : public QWidget {
    Q_OBJECT
public:
    explicit RestWindow(const QRect& screenFrame, QWidget* parent = nullptr);

    // Replaces the hosted view; the old one is deleted.
    void setContentView(QWidget* view);
    QWidget* contentView() const { return content; }
    void setFrame(const QRect& screenFrame);
    // The frame of the screen this window covers.
    QRect screenFrame() const { return frame; }
    void orderFrontAndFocus();
    void orderOut();

protected:
    void resizeEvent(QResizeEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    // What the window system made of the window, under QT_LOGGING_RULES="tavo.restwindow.debug=true":
    // on Wayland only the compositor knows where a window ended up.
    void reportPlacement() const;

    QWidget* content = nullptr;
    QRect frame;
};
