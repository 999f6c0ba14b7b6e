#pragma once

#include "Platform/Alerts.h"
#include "Platform/FullScreen.h"
#include "Platform/IdleTime.h"
#include "Platform/LoginItem.h"
#include "Platform/PlatformServices.h"
#include "Platform/Screens.h"
#include "Platform/SessionEvents.h"
#include "Platform/StatusItem.h"

#include <QIcon>
#include <QList>
#include <QPointer>

#include <functional>

class QMenu;

class FakeStatusItem final : public StatusItem {
public:
    bool hasButton() const override { return button; }
    void setIcon(const QIcon& value) override { icon = value; }
    void setToolTip(const QString& value) override { toolTip = value; }
    void setMenu(QMenu* value) override { menu = value; }
    bool hasTrayHost() const override { return trayHost; }

    bool button = true;
    bool trayHost = true;
    QIcon icon;
    QString toolTip;
    QMenu* menu = nullptr;
};

class FakeScreens final : public Screens {
    Q_OBJECT
public:
    QList<QRect> frames() const override { return screenFrames; }
    QList<QRect> screenFrames = {QRect(0, 0, 1280, 800)};
};

// A login item whose answers the test sets; every request is counted.
class FakeLoginItem final : public LoginItem {
public:
    bool isEnabled() const override { return enabled; }
    std::optional<QString> registerItem() override { return request(true); }
    std::optional<QString> unregisterItem() override { return request(false); }

    bool enabled = false;
    std::optional<QString> failure; // answered by every request while set
    int requests = 0;

private:
    std::optional<QString> request(bool enable) {
        ++requests;
        if (!failure) {
            enabled = enable;
        }
        return failure;
    }
};

// Answers alerts from a queue of scripted responders; an alert with no
// responder left is answered with the second button (a cancel) and counted.
class ScriptedAlerts final : public Alerts {
public:
    using Responder = std::function<int(const Alert&)>;
    int run(const Alert& alert) override;

    // Answers with the given button after filling the form's fields, in order.
    void answer(int button, const QStringList& fieldTexts = {});

    QList<Responder> responders;
    QList<Alert> shown; // copies; accessory pointers are dangling after run()
};

// Idle time as the test sets it, answered at once.
class FakeIdleTime final : public IdleTime {
    Q_OBJECT
public:
    void request() override { Q_EMIT measured(idleMs); }
    qint64 idleMs = 0;
};

class FakeFullScreen final : public FullScreen {
public:
    bool otherProgramFullScreen() override { return fullScreen; }
    bool fullScreen = false;
};

// Everything a delegate needs, faked. Idle time and full screen are known
// only to suites that hand them in.
struct TestPlatform {
    FakeStatusItem statusItem;
    FakeScreens screens;
    ScriptedAlerts alerts;
    FakeLoginItem loginItem;
    SessionEvents sessionEvents; // the suites emit paused() and resumed() themselves
    FakeIdleTime idleTime;
    FakeFullScreen fullScreen;
    PlatformServices services() {
        return PlatformServices{.statusItem = &statusItem,
                                .screens = &screens,
                                .alerts = &alerts,
                                .loginItem = &loginItem,
                                .sessionEvents = &sessionEvents};
    }
};
