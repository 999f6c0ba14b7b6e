#include "Rest/RestWindow.h"

#include "Platform/Desktop/QtScreens.h"
#include "Platform/Desktop/WindowSystem.h"

#include <QEvent>
#include <QLoggingCategory>
#include <QScreen>

Q_LOGGING_CATEGORY(lcRestWindow, "tavo.restwindow", QtWarningMsg)

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
    frame = screenFrame;
    if (WindowSystem::isWayland()) {
        // The compositor sizes a full-screen window to the output it was given.
        if (QScreen* screen = QtScreens::screenFor(screenFrame)) {
            setScreen(screen);
        }
    }
    setGeometry(screenFrame);
    if (content) {
        content->setGeometry(0, 0, screenFrame.width(), screenFrame.height());
    }
    update();
}

void RestWindow::orderFrontAndFocus() {
    if (WindowSystem::isWayland()) {
        // Full screen on the output of the screen set in setFrame(), above the panels.
        showFullScreen();
    } else {
        show();
        raise();
    }
    activateWindow();
    if (content) {
        content->setFocus(Qt::ActiveWindowFocusReason);
    }
    if (WindowSystem::isX11()) {
        // Bypassing the window manager means nobody gives us the keyboard; take it.
        grabKeyboard();
    }
}

void RestWindow::orderOut() {
    if (WindowSystem::isX11()) {
        releaseKeyboard();
    }
    hide();
    if (WindowSystem::isX11()) {
        // The window stays for the next rest, but its native window and the
        // screen-sized backing store (8 MB at 1920x1080) go until it is
        // shown again. On Wayland the re-created window did not come back
        // as a rest window at the next rest, so there it keeps them.
        destroy();
    }
}

void RestWindow::resizeEvent(QResizeEvent*) {
    if (content) {
        content->setGeometry(0, 0, width(), height());
    }
    reportPlacement();
}

void RestWindow::showEvent(QShowEvent*) {
    reportPlacement();
}

void RestWindow::changeEvent(QEvent* event) {
    QWidget::changeEvent(event);
    if (event->type() == QEvent::WindowStateChange || event->type() == QEvent::ActivationChange) {
        reportPlacement();
    }
}

void RestWindow::reportPlacement() const {
    if (!isVisible() || !lcRestWindow().isDebugEnabled()) {
        return;
    }
    const auto yesNo = [](bool value) { return value ? QStringLiteral("yes") : QStringLiteral("no"); };
    qCDebug(lcRestWindow).noquote() << QStringLiteral(
                                           "rest window for %1,%2 on %3: %4x%5, full screen %6, active %7")
                                           .arg(frame.x())
                                           .arg(frame.y())
                                           .arg(screen() ? screen()->name() : QStringLiteral("?"))
                                           .arg(width())
                                           .arg(height())
                                           .arg(yesNo(isFullScreen()), yesNo(isActiveWindow()));
}
