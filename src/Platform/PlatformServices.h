#pragma once

class Alerts;
class FullScreen;
class IdleTime;
class Notifications;
class LoginItem;
class OverlayCards;
class Screens;
class SessionEvents;
class StatusItem;

// The platform facilities the application shell talks to. main() hands in
// the real adapters; tests hand in scripted ones.
struct PlatformServices {
    StatusItem* statusItem = nullptr;
    Screens* screens = nullptr;
    Alerts* alerts = nullptr;
    Notifications* notifications = nullptr; // DBusNotifications in main()
    LoginItem* loginItem = nullptr;
    SessionEvents* sessionEvents = nullptr;
    OverlayCards* overlayCards = nullptr; // a layer shell where the compositor has one; else windows
    IdleTime* idleTime = nullptr;         // none: no natural rests
    FullScreen* fullScreen = nullptr;     // none: full screen is not detected here
};
