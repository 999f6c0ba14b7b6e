#include "Rest/RestWindow.h"

RestWindow::RestWindow(const QRect& screenFrame, QWidget* parent)
    : QWidget(parent, Qt::Window | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint |
                          Qt::X11BypassWindowManagerHint | Qt::NoDropShadowWindowHint) {
    setObjectName(QStringLiteral("Tavo.RestWindow"));
    setAttribute(Qt::WA_TranslucentBackground);
    setAttribute(Qt::WA_ShowWithoutActivating, false);
    setMouseTracking(true);
    setFocusPolicy(Qt::StrongFocus);
    setFrame(screenFrame);
}

void RestWindow::setContentView(QWidget* view) {
    delete content;
    content = view;
    if (content) {
        content->setParent(this);
        content->setGeometry(0, 0, width(), height());
        content->setFocusPolicy(Qt::StrongFocus);
        content->show();
    }
}

void RestWindow::setFrame(const QRect& screenFrame) {
    setGeometry(screenFrame);
    if (content) {
        content->setGeometry(0, 0, screenFrame.width(), screenFrame.height());
    }
    update();
}

void RestWindow::orderFrontAndFocus() {
    show();
    raise();
    activateWindow();
    if (content) {
        content->setFocus(Qt::ActiveWindowFocusReason);
    }
    // Bypassing the window manager means nobody gives us the keyboard; take it.
    grabKeyboard();
}

void RestWindow::orderOut() {
    releaseKeyboard();
    hide();
    // The window stays for the next rest, but its native window and the
    // screen-sized backing store (8 MB at 1920x1080) go until it is shown
    // again.
    destroy();
}

void RestWindow::resizeEvent(QResizeEvent*) {
    if (content) {
        content->setGeometry(0, 0, width(), height());
    }
}
