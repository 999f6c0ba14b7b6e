// A rest view in a real rest window on the current X display, on the system
// clock, for a number of seconds: how many animation ticks came more than one
// tick late, and how many pixels were repainted per second.
//
//   bench_rest_frames THEME SECONDS

#include "Platform/Clock.h"
#include "Platform/Settings.h"
#include "Rest/Models/RestTheme.h"
#include "Rest/RestView.h"
#include "Rest/RestWindow.h"
#include "Wallpapers/WallpaperManager.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QPaintEvent>
#include <QScreen>
#include <QTemporaryDir>
#include <QTimer>

#include <cstdio>
#include <memory>
#include <optional>

namespace {

struct FrameCounts {
    long long ticks = 0;
    long long late = 0;
    long long pixels = 0;
};
FrameCounts counts;

// The system clock's timers, each tick checked against its interval.
class MeasuredTimer final : public Timer {
public:
    MeasuredTimer(Timer* inner, QObject* parent)
        : Timer(parent)
        , inner(inner) {
        inner->setParent(this);
        connect(inner, &Timer::timeout, this, [this] {
            const double gap = since.nsecsElapsed() / 1e9;
            since.restart();
            if (interval <= 0.1) { // an animation tick
                ++counts.ticks;
                counts.late += gap > 2 * interval;
            }
            Q_EMIT timeout();
        });
    }
    void start(double seconds, bool repeating) override {
        interval = seconds;
        since.restart();
        inner->start(seconds, repeating);
    }
    void stop() override { inner->stop(); }
    bool isActive() const override { return inner->isActive(); }

private:
    Timer* inner;
    QElapsedTimer since;
    double interval = 0;
};

class MeasuringClock final : public Clock {
public:
    QDateTime now() const override { return system.now(); }
    qint64 monotonicMs() const override { return system.monotonicMs(); }
    Timer* createTimer(QObject* parent) override {
        return new MeasuredTimer(system.createTimer(nullptr), parent);
    }

private:
    SystemClock system;
};

// Every repainted pixel passes through the window's own paint event.
class PaintCounter : public QObject {
protected:
    bool eventFilter(QObject*, QEvent* event) override {
        if (event->type() == QEvent::Paint) {
            for (const QRect& rect : static_cast<QPaintEvent*>(event)->region()) {
                counts.pixels += static_cast<long long>(rect.width()) * rect.height();
            }
        }
        return false;
    }
};

} // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    if (argc < 3) {
        std::fprintf(stderr, "usage: bench_rest_frames THEME SECONDS\n");
        return 2;
    }
    MeasuringClock clock;
    QTemporaryDir settings;
    Preferences preferences(settings.filePath(QStringLiteral("Tavo.conf")));
    preferences.setValue(Settings::wallpaperServiceBaseURL, QStringLiteral("http://127.0.0.1:9"));
    std::optional<WallpaperManager> wallpapers;
    const auto wallpaperManager = [&]() -> WallpaperManager& {
        if (!wallpapers) {
            wallpapers.emplace(WallpaperManager::defaultCacheDirectory(), clock, preferences, nullptr);
        }
        return *wallpapers;
    };
    RestThemes::store(preferences,
                      RestThemes::fromRawValue(QString::fromLocal8Bit(argv[1])).value_or(RestTheme::Aurora));
    const double seconds = QString::fromLocal8Bit(argv[2]).toDouble();

    int remaining = 20;
    const QRect frame = QGuiApplication::primaryScreen()->geometry();
    RestWindow window(frame);
    auto* view = new RestView(RestServices{clock, preferences, wallpaperManager}, 20,
                              RestView::Binding{[&] { return remaining; }, [](int) {}},
                              QStringLiteral("本集标题 · 打工人终于眨眼了"), [](const QString&) {});
    window.setContentView(view);
    PaintCounter counter;
    window.installEventFilter(&counter);
    window.orderFrontAndFocus();

    QTimer countdown;
    QObject::connect(&countdown, &QTimer::timeout, [&] { remaining = remaining > 1 ? remaining - 1 : 20; });
    countdown.start(1000);
    // Counted after the first second: the first frames paint everything.
    QTimer::singleShot(1000, [] { counts = {}; });
    QTimer::singleShot(static_cast<int>((1 + seconds) * 1000), &app, &QCoreApplication::quit);
    QApplication::exec();

    std::printf("ticks %lld late %lld (%.2f %%) pixels/s %.0f (%.1f screens/s)\n", counts.ticks, counts.late,
                counts.ticks ? 100.0 * counts.late / counts.ticks : 0.0, counts.pixels / seconds,
                counts.pixels / seconds / (frame.width() * frame.height()));
    return 0;
}
