#pragma once

#include "Application/Cycle/RestCycle.h"
#include "Application/RestMode.h"
#include "Platform/ClockJumpDetector.h"
#include "Platform/PlatformServices.h"
#include "Platform/RemoteControl.h"
#include "Reminders/HydrationReminderManager.h"
#include "Reminders/PelvicFloorReminderManager.h"
#include "Reminders/ReminderNotificationRouter.h"
#include "Reminders/UI/ReminderSkipFeedbackPresenter.h"
#include "Stats/StatsEvent.h"

#include <QDateTime>
#include <QList>
#include <QMap>
#include <QObject>
#include <QPointer>
#include <QSizeF>
#include <QString>

#include <functional>
#include <memory>
#include <optional>

class Clock;
class Preferences;
class QAction;
class QIcon;
class QLineEdit;
class QMenu;
class QPainter;
class QTextDocument;
class QWidget;
class RestWindow;
class StatsReportWindow;
struct StatsReportScope;
class StatsStore;
class Timer;
class WallpaperManager;

// The services of the process: main() makes the real ones once, the suites
// fakes; the delegate hands each part what it needs.
struct Services {
    Clock& clock;
    Preferences& preferences;
    StatsStore& stats;
    // Made on first use: reading and decoding the cached photo costs memory
    // that the other themes never need.
    std::function<WallpaperManager&()> wallpapers;
};

// The one long-lived object: owns every timer, manager, window and menu line
// for the life of the process, runs the launch sequence and decides when the
// process may end. Its operations are split over AppDelegate_*.cpp by concern.
// The work and rest cycle itself is RestCycle; the delegate drives it and
// shows what it decides. State is public so the suites can drive and inspect
// it directly.
class AppDelegate : public QObject, public RestCycleOutput, public RemoteControl {
    Q_OBJECT
public:
    AppDelegate(PlatformServices platform, Services services, QObject* parent = nullptr);
    ~AppDelegate() override;

    // --- launch and quitting (AppDelegate.cpp)
    void applicationDidFinishLaunching();
    void configureStatusItem();
    static QIcon makeStatusBarIcon();
    // The icon's drawing in its own 22 × 18 logical points; the application
    // icons of every size are rendered from it as well.
    static constexpr QSizeF statusBarIconSize{22, 18};
    static void paintStatusBarIcon(QPainter& painter);
    // Ten seconds after launch: with no tray host by then, one notification says how Tavo runs without it.
    void explainMissingTrayIfNeeded();
    void quitApp() override;
    void prefetchWallpaperForCurrentThemeIfNeeded();
    void startServices();
    static const QStringList& launchGreetings();

    // --- rhythms (AppDelegate_RestMode.cpp)
    static QString formatDuration(qint64 seconds);
    static QString title(const RestMode& mode);
    std::optional<RestMode> savedCustomRestMode() const;
    void loadRestModeConfiguration();
    void selectMode(int tag);
    void showCustomRestModeDialog();
    void showInvalidCustomRestModeAlert();
    void updateRestModeMenuItems();
    // Whole-number text as the dialogs accept it: trimmed, optional sign, digits only.
    static std::optional<qint64> parseDialogInteger(const QString& text);
    // The own rhythm the dialog would save for these texts, or none when invalid.
    static std::optional<RestMode> parseCustomRestMode(const QString& minutesText,
                                                       const QString& secondsText);

    // --- rest timer and sessions (AppDelegate_RestTimer.cpp); the cycle decides, the delegate shows
    void startMainTimer();
    void tick();
    void updateStatusMenuTitle();
    void setTransientStatus(const QString& message, double duration);
    // What the countdown line says: the cycle's status line.
    QString statusLine() const { return restCycle.status().line; }
    // Writes it to the menu, only while the menu is open, and tells status bars.
    void showStatusLine();
    void startRest(StatsEventSource source);
    void stopRest(const std::optional<QString>& skipMessage);
    void triggerRestNow() override;
    // During a rest, a screen attached gets its window at once and a detached one loses it.
    void updateRestWindowsForScreens();
    // A pause until then (the pause submenu and the command line go through pause()).
    void pauseRest(const QDateTime& until);

    // RestCycleOutput
    void showRest() override;
    void hideRest() override;
    void releaseReminders() override;
    void restApproaching() override;
    bool otherProgramFullScreen() override;
    void measureIdleTime() override;

    // --- menu (AppDelegate_Menu.cpp)
    void setupMenu();
    void menuWillOpen(QMenu* menu);
    void refreshDynamicState(QAction* line);
    void selectTheme(QAction* line);
    // The pause submenu: the resume line while paused, the two away settings
    // with what this desktop cannot tell.
    void updatePauseMenuItems();
    void toggleNaturalRest();
    void toggleDoNotDisturb();

    // --- dialogs and editing (AppDelegate_Dialogs.cpp, AppDelegate_TextEditing.cpp)
    struct FormRow {
        QString title;
        QLineEdit* field;
    };
    static std::unique_ptr<QWidget> formView(const QList<FormRow>& rows);
    void configureMainMenuForTextEditing();

    // --- reminders (AppDelegate_Reminders.cpp)
    void configureHydrationReminder();
    void configurePelvicFloorReminder();
    void configureReminderNotifications();
    void updateHydrationMenuItems();
    void updatePelvicFloorMenuItems();
    void updateReminderCountdownMenuTitles();
    void toggleHydrationReminder();
    void togglePelvicFloorReminder();
    void selectHydrationInterval(int minutes);
    void selectPelvicFloorInterval(int minutes);
    void showHydrationIntervalDialog();
    void showPelvicFloorIntervalDialog();
    void recordHydrationDrink();
    void recordPelvicFloorCompletion();
    // After a confirmed drink or set: the menu lines, and the day's count in the status line.
    QString showHydrationLogged();
    QString showPelvicFloorLogged();
    // At launch and after a resume: observe wakes, end a stale day, start today when enabled.
    void startReminderManagers();
    void showInvalidHydrationIntervalAlert();
    void showInvalidPelvicFloorIntervalAlert();

    // --- control from outside the process (AppDelegate_RemoteControl.cpp)
    StatusSnapshot statusSnapshot() override;
    QString drink() override;
    QString exercise() override;
    std::optional<QString> pause(const QString& length) override;
    QString resume() override;
    void notifyStatusChanged();

    // --- reports (AppDelegate_Reports.cpp)
    void showTodayReport();
    void showThisWeekReport();
    void showThisMonthReport();
    // Opens a new window on a report made now; earlier windows stay open.
    void openReport(const StatsReportScope& scope);
    void showYesterdayReportPromptIfNeeded();

    // --- launch at login and About (AppDelegate_LaunchAtLogin.cpp, AppDelegate_About.cpp)
    bool isLaunchAtLoginEnabled() const;
    void toggleLaunchAtLogin();
    void showLaunchAtLoginAlert(const QString& message);
    void showAbout();
    static std::unique_ptr<QTextDocument> aboutDetailAttributedText();
    // Height of the About body: the text measured 656 points wide, plus its insets.
    static int aboutAccessoryHeight(const QTextDocument& text);

    // --- sleep, wake and termination (AppDelegate_Lifecycle.cpp)
    void configureSystemLifecycleGuards();
    void handleSystemSessionPause();
    void handleSystemSessionResume();
    void recoverAfterSystemSessionResume();

    // What a menu line does; refreshDynamicState() reads it off the line.
    enum class MenuAction {
        None,
        SelectTheme,
        SelectMode,
        ToggleHydrationReminder,
        SelectHydrationInterval,
        TogglePelvicFloorReminder,
        SelectPelvicFloorInterval,
        ToggleNaturalRest,
        ToggleDoNotDisturb,
    };

    PlatformServices platform;
    Services services;

    const int defaultRestModeTag = RestMode::defaultTag;
    const int customRestModeTag = RestMode::customTag;
    const QList<RestMode> restModePresets = RestMode::presets();
    const QList<int> hydrationIntervalPresets = {30, 45, 60, 90};
    const QList<int> pelvicFloorIntervalPresets = {30, 60, 90, 120};

    std::unique_ptr<QMenu> statusMenu;
    // Lines that change every second are written only while the menu is open:
    // each change goes over the bus to an SNI tray host and would wake it.
    bool isStatusMenuOpen = false;
    QPointer<QAction> statusMenuItem;
    QPointer<QAction> restModeSummaryMenuItem;
    QPointer<QAction> customRestModeMenuItem;
    QPointer<QAction> launchAtLoginItem;
    QPointer<QAction> resumeMenuItem;
    QPointer<QAction> naturalRestMenuItem;
    QPointer<QAction> doNotDisturbMenuItem;
    QPointer<QAction> hydrationStatusMenuItem;
    QPointer<QAction> hydrationToggleMenuItem;
    QPointer<QAction> hydrationIntervalMenuItem;
    QPointer<QAction> pelvicFloorStatusMenuItem;
    QPointer<QAction> pelvicFloorToggleMenuItem;
    QPointer<QAction> pelvicFloorIntervalMenuItem;

    RestCycle restCycle{{services.clock, services.preferences, services.stats}, *this};
    int selectedRestModeTag = RestMode::defaultTag;
    bool isQuitting = false;
    Timer* mainTimer = nullptr;

    QList<RestWindow*> restWindows;
    // The most recently opened report window; it frees itself when closed.
    QPointer<StatsReportWindow> statsReportWindow;
    QString currentRestSubtitle;
    bool hasStartedServices = false;

    HydrationReminderManager* hydrationManager = new HydrationReminderManager(reminderServices(), this);
    PelvicFloorReminderManager* pelvicFloorManager = new PelvicFloorReminderManager(reminderServices(), this);
    ReminderNotificationRouter* reminderNotificationRouter =
        new ReminderNotificationRouter(platform.notifications, this);
    ReminderSkipFeedbackPresenter* reminderSkipFeedbackPresenter =
        new ReminderSkipFeedbackPresenter(services.clock, platform.overlayCards, this);
    // Checked every tick; the reminders re-arm their timers when the wall clock jumps.
    ClockJumpDetector* clockJumps = new ClockJumpDetector(services.clock, this);

    QMap<int, QPointer<QAction>> modeMenuItems;
    QMap<int, QPointer<QAction>> hydrationIntervalMenuItems;
    QMap<int, QPointer<QAction>> pelvicFloorIntervalMenuItems;

Q_SIGNALS:
    // Emitted once quitApp() has closed everything; main() ends the event loop on it.
    void terminateRequested();

private:
    ReminderServices reminderServices() const;
    QAction* addLine(QMenu* menu, const QString& title, bool enabled = false);
    QAction* addActionLine(QMenu* menu, const QString& title, MenuAction kind, std::function<void()> action);
    QMenu* addSubmenu(QMenu* menu, const QString& title, bool observed);
    void addRestMenuItems(QMenu* menu);
    void addHydrationMenuItems(QMenu* menu);
    void addPelvicFloorMenuItems(QMenu* menu);
    void addAppMenuItems(QMenu* menu);
    QMenu* makeRestModeSubMenu(QMenu* parent);
    QMenu* makeThemeSubMenu(QMenu* parent);
    QMenu* makePauseSubMenu(QMenu* parent);
    QMenu* makeIntervalSubMenu(QMenu* parent, const QList<int>& presets, QMap<int, QPointer<QAction>>& items,
                               MenuAction kind, void (AppDelegate::*select)(int),
                               void (AppDelegate::*dialog)());
    QMenu* makeReportSubMenu(QMenu* parent);
    RestWindow* makeRestWindow(const QRect& frame, const QString& subtitle);
    static void closeRestWindow(RestWindow* window);
    QWidget* makeRestView(const QRect& frame, const QString& subtitle);
};
