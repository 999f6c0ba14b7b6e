#include "Application/AppDelegate.h"

#include "Platform/Clock.h"
#include "Platform/Log.h"
#include "Platform/Preferences.h"
#include "Platform/Random.h"
#include "Platform/Screens.h"
#include "Rest/Components/UltramanTigaView.h"
#include "Rest/Models/RestTheme.h"
#include "Rest/RestView.h"
#include "Rest/RestWindow.h"
#include "Stats/StatsStore.h"
#include "Wallpapers/WallpaperManager.h"

#include <QAction>
#include <QPointer>
#include <QUuid>

StatsPayload AppDelegate::restStatsPayload(qint64 actualSeconds, qint64 skippedSeconds) const {
    return {
        {QStringLiteral("plannedSeconds"), restDuration},
        {QStringLiteral("actualSeconds"), actualSeconds},
        {QStringLiteral("skippedSeconds"), skippedSeconds},
        {QStringLiteral("workDurationSeconds"), workDuration},
        {QStringLiteral("theme"), RestThemes::storedRawValue(services.preferences)},
    };
}

const QStringList& AppDelegate::statusTemplates() {
    static const QStringList templates = {
        QStringLiteral("⏳ 距离眼睛下班还有 %@"),
        QStringLiteral("👁 视网膜续航剩 %@"),
        QStringLiteral("🧃 再营业 %@ 就强制充电"),
        QStringLiteral("🫡 护眼倒计时 %@"),
        QStringLiteral("💼 打工续航还剩 %@"),
    };
    return templates;
}

const QStringList& AppDelegate::restEndMessages() {
    static const QStringList messages = {
        QStringLiteral("✅ 充能完成，继续营业"),
        QStringLiteral("✅ 眼睛回血完成，下一轮轻点卷"),
        QStringLiteral("✅ 休息打卡成功，状态条回了一点"),
        QStringLiteral("✅ 护眼回合结束，继续但别硬撑"),
    };
    return messages;
}

QString AppDelegate::statusTitle(qint64 seconds) {
    const qint64 minutes = seconds / 60;
    const qint64 rest = seconds - 60 * minutes;
    const QString time =
        QStringLiteral("%1:%2").arg(minutes, 2, 10, QLatin1Char('0')).arg(rest, 2, 10, QLatin1Char('0'));
    QString text = statusTemplates().at(static_cast<int>(minutes % 5));
    return text.replace(QStringLiteral("%@"), time);
}

void AppDelegate::startMainTimer() {
    delete mainTimer;
    mainTimer = services.clock.createTimer(this);
    connect(mainTimer, &Timer::timeout, this, &AppDelegate::tick);
    mainTimer->start(1.0, true);
}

void AppDelegate::tick() {
    clockJumps->check();
    if (!isResting) {
        if (workSecondsRemaining >= 1) {
            --workSecondsRemaining;
            updateStatusMenuTitle();
            prefetchWallpaperNearRestIfNeeded();
        } else {
            startRest(StatsEventSource::scheduled);
        }
    } else if (restSecondsRemaining >= 1) {
        --restSecondsRemaining;
    } else {
        stopRest(std::nullopt);
    }
    updateReminderCountdownMenuTitles();
    // The reminders' countdowns, part of what a status bar shows, move with every tick.
    notifyStatusChanged();
}

void AppDelegate::updateStatusMenuTitle() {
    if (transientStatusMessage && transientStatusExpiresAt) {
        if (services.clock.now() < *transientStatusExpiresAt) {
            setStatusLine(*transientStatusMessage);
            return;
        }
        transientStatusMessage.reset();
        transientStatusExpiresAt.reset();
    }
    setStatusLine(statusTitle(workSecondsRemaining));
}

void AppDelegate::setTransientStatus(const QString& message, double duration) {
    transientStatusMessage = message;
    transientStatusExpiresAt = services.clock.now().addMSecs(static_cast<qint64>(duration * 1000.0));
    setStatusLine(message);
}

void AppDelegate::setStatusLine(const QString& text) {
    statusLine = text;
    if (isStatusMenuOpen && statusMenuItem) {
        statusMenuItem->setText(text);
    }
    notifyStatusChanged();
}

void AppDelegate::triggerRestNow() {
    if (!isResting) {
        startRest(StatsEventSource::manual);
    }
}

void AppDelegate::startRest(StatsEventSource source) {
    if (isResting) {
        return;
    }
    isResting = true;
    restSecondsRemaining = restDuration;
    setStatusLine(QStringLiteral("💆 眼睛已申请强制下线，正在闭眼充能"));
    currentRestSessionId = QUuid::createUuid().toString(QUuid::WithoutBraces).toUpper();
    currentRestSource = source;
    services.stats.record(StatsEventType::restStarted, source, currentRestSessionId, restStatsPayload(0, 0),
                          services.clock.now());

    currentRestSubtitle = UltramanTigaView::randomSubtitle();
    const QList<QRect> frames = platform.screens ? platform.screens->frames() : QList<QRect>();
    if (!restWindows.isEmpty() && restWindows.size() == frames.size()) {
        logLine(QStringLiteral("Tavo: Reusing existing rest windows"));
        for (int i = 0; i < frames.size(); ++i) {
            restWindows.at(i)->setContentView(makeRestView(frames.at(i), currentRestSubtitle));
            restWindows.at(i)->setFrame(frames.at(i));
        }
    } else {
        logLine(QStringLiteral("Tavo: Recreating rest windows"));
        for (RestWindow* window : std::as_const(restWindows)) {
            closeRestWindow(window);
        }
        restWindows.clear();
        for (const QRect& frame : frames) {
            restWindows.append(makeRestWindow(frame, currentRestSubtitle));
        }
    }
    for (RestWindow* window : std::as_const(restWindows)) {
        window->orderFrontAndFocus();
    }
}

RestWindow* AppDelegate::makeRestWindow(const QRect& frame, const QString& subtitle) {
    auto* window = new RestWindow(frame);
    window->setContentView(makeRestView(frame, subtitle));
    window->setFrame(frame);
    return window;
}

void AppDelegate::closeRestWindow(RestWindow* window) {
    window->orderOut();
    window->close();
    window->deleteLater();
}

void AppDelegate::updateRestWindowsForScreens() {
    if (!isResting || !platform.screens) {
        return;
    }
    // Windows stay on the screens that are still there; the list follows the screen order.
    QList<RestWindow*> left = restWindows;
    QList<RestWindow*> windows;
    for (const QRect& frame : platform.screens->frames()) {
        const auto same = std::find_if(left.begin(), left.end(), [&frame](RestWindow* window) {
            return window->screenFrame() == frame;
        });
        if (same != left.end()) {
            windows.append(*same);
            left.erase(same);
            continue;
        }
        RestWindow* window = makeRestWindow(frame, currentRestSubtitle);
        window->orderFrontAndFocus();
        windows.append(window);
    }
    for (RestWindow* window : std::as_const(left)) {
        closeRestWindow(window);
    }
    restWindows = windows;
}

QWidget* AppDelegate::makeRestView(const QRect& frame, const QString& subtitle) {
    const QPointer<AppDelegate> self(this);
    RestView::Binding seconds{
        [self] { return self ? static_cast<int>(self->restSecondsRemaining) : 0; },
        [self](int value) {
            if (self) {
                self->restSecondsRemaining = value;
            }
        },
    };
    auto* view = new RestView(RestServices{services.clock, services.preferences, services.wallpapers},
                              static_cast<int>(restDuration), std::move(seconds), subtitle,
                              [self](const QString& message) {
                                  if (self) {
                                      self->stopRest(message);
                                  }
                              });
    view->resize(frame.size());
    return view;
}

void AppDelegate::stopRest(const std::optional<QString>& skipMessage) {
    if (!isResting) {
        return;
    }
    const qint64 left = std::max<qint64>(restSecondsRemaining, 0);
    const qint64 done = restDuration - left;
    services.stats.record(skipMessage ? StatsEventType::restSkipped : StatsEventType::restCompleted,
                          currentRestSource, currentRestSessionId,
                          restStatsPayload(std::max<qint64>(done, 0), skipMessage ? left : 0),
                          services.clock.now());
    currentRestSessionId.reset();
    for (RestWindow* window : std::as_const(restWindows)) {
        window->orderOut();
    }
    isResting = false;
    workSecondsRemaining = workDuration;
    updateStatusMenuTitle();
    setTransientStatus(skipMessage ? *skipMessage : randomElement(restEndMessages()), 5.0);
    hydrationManager->retryDeferredReminderAfterRest();
    pelvicFloorManager->retryDeferredReminderAfterRest();
}

void AppDelegate::prefetchWallpaperNearRestIfNeeded() {
    if (workSecondsRemaining == 60 && RestThemes::stored(services.preferences) == RestTheme::Wallpaper) {
        services.wallpapers().prefetchNextWallpaper();
    }
}
