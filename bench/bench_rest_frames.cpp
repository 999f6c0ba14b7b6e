// A rest view in a real rest window on the current X display, for a number of
// seconds: how many animation ticks came more than one tick late, and how
// many pixels were repainted per second (what reached the window, and what
// the layers painted over one another to make it), and how often the timers
// woke the program and the window was repainted.
//
//   bench_rest_frames THEME SECONDS [--simulated]
//
// On the system clock by default. --simulated runs the rest on a fake clock
// in 0.01 s steps as fast as it can and prints the process CPU time per
// second of rest: the same work every run, for profiling under callgrind.
// The fireflies and the stars come from a fixed seed, the same on every run.

#include "Platform/Clock.h"
#include "Platform/FrameTimers.h"
#include "Platform/Settings.h"
#include "Rest/Models/RestTheme.h"
#include "Rest/RestView.h"
#include "Rest/RestWindow.h"
#include "Wallpapers/WallpaperManager.h"
#include "support/FakeClock.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QPaintEvent>
#include <QRandomGenerator>
#include <QScreen>
#include <QTemporaryDir>
#include <QTimer>

#include <cstdio>
#include <ctime>
#include <memory>
#include <optional>

namespace {

struct FrameCounts {
    long long ticks = 0;
    long long late = 0;
    long long flushed = 0; // pixels that reached the window
    long long painted = 0; // pixels painted by every layer, overlaps counted each time
    long long wakeups = 0; // timeouts apart from the one before
    long long frames = 0;  // repaints of the window
};
FrameCounts counts;
QElapsedTimer sinceAnyTimeout;

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
            // Timeouts of one wakeup come within microseconds of each other.
            counts.wakeups += !sinceAnyTimeout.isValid() || sinceAnyTimeout.nsecsElapsed() > 500'000;
            sinceAnyTimeout.restart();
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
    Timer* createFrameTimer(QObject* parent) override {
        return new MeasuredTimer(system.createFrameTimer(nullptr), parent);
    }

private:
    SystemClock system;
};

// The fake clock with frame timers, as the system clock has them.
class SimulatedClock final : public Clock {
public:
    QDateTime now() const override { return fake.now(); }
    qint64 monotonicMs() const override { return fake.monotonicMs(); }
    Timer* createTimer(QObject* parent) override { return fake.createTimer(parent); }
    Timer* createFrameTimer(QObject* parent) override { return frames.createTimer(parent); }

    FakeClock fake;

private:
    FrameTimers frames{fake};
};

long long area(const QRegion& region) {
    long long sum = 0;
    for (const QRect& rect : region) {
        sum += static_cast<long long>(rect.width()) * rect.height();
    }
    return sum;
}

// Every paint event of the window's widgets; one frame's union is what the
// window sends to the display when it flushes.
class PaintCounter : public QObject {
public:
    explicit PaintCounter(QWidget* window)
        : window(window) {}
    void endFrame() {
        counts.flushed += area(frame);
        frame = QRegion();
    }

protected:
    bool eventFilter(QObject* object, QEvent* event) override {
        if (object == window && event->type() == QEvent::UpdateRequest) {
            counts.frames += !frame.isEmpty();
            endFrame();
        } else if (event->type() == QEvent::Paint) {
            auto* widget = qobject_cast<QWidget*>(object);
            if (widget && widget->window() == window) {
                const QRegion& region = static_cast<QPaintEvent*>(event)->region();
                counts.painted += area(region);
                frame += region.translated(widget->mapTo(window, QPoint()));
            }
        }
        return false;
    }

private:
    QWidget* window;
    QRegion frame;
};

double processSeconds() {
    timespec now{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &now);
    return static_cast<double>(now.tv_sec) + static_cast<double>(now.tv_nsec) / 1e9;
}

} // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    if (argc < 3) {
        std::fprintf(stderr, "usage: bench_rest_frames THEME SECONDS [--simulated]\n");
        return 2;
    }
    const bool simulated = argc > 3 && QByteArray(argv[3]) == "--simulated";
    MeasuringClock measuring;
    SimulatedClock simulatedClock;
    FakeClock& fake = simulatedClock.fake;
    Clock& clock = simulated ? static_cast<Clock&>(simulatedClock) : measuring;
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
    const std::optional<RestTheme> theme = RestThemes::fromRawValue(QString::fromLocal8Bit(argv[1]));
    if (!theme) {
        // Measuring another theme than the one asked for would be a figure for the wrong thing.
        std::fprintf(stderr,
                     "unknown theme %s: aurora, wallpaper or ultraman (the classic backdrop is "
                     "wallpaper with no photo cached)\n",
                     argv[1]);
        return 2;
    }
    RestThemes::store(preferences, *theme);
    const double seconds = QString::fromLocal8Bit(argv[2]).toDouble();

    int remaining = 20;
    const QRect frame = QGuiApplication::primaryScreen()->geometry();
    RestWindow window(frame);
    QRandomGenerator seeded(4242);
    auto* view = new RestView(RestServices{clock, preferences, wallpaperManager, &seeded}, 20,
                              RestView::Binding{[&] { return remaining; }, [](int) {}},
                              QStringLiteral("本集标题 · 打工人终于眨眼了"), [](const QString&) {});
    window.setContentView(view);
    PaintCounter counter(&window);
    app.installEventFilter(&counter);
    window.orderFrontAndFocus();

    double cpu = 0;
    if (simulated) {
        // The first second paints everything; then count.
        auto run = [&](double span) {
            for (int step = 0; step < qRound(span * 100); ++step) {
                fake.advance(0.01);
                if (step % 100 == 99) {
                    remaining = remaining > 1 ? remaining - 1 : 20;
                }
                QCoreApplication::processEvents();
            }
        };
        run(1);
        counts = {};
        const double start = processSeconds();
        run(seconds);
        cpu = processSeconds() - start;
    } else {
        QTimer countdown;
        QObject::connect(&countdown, &QTimer::timeout,
                         [&] { remaining = remaining > 1 ? remaining - 1 : 20; });
        countdown.start(1000);
        QTimer::singleShot(1000, [] { counts = {}; });
        QTimer::singleShot(static_cast<int>((1 + seconds) * 1000), &app, &QCoreApplication::quit);
        QApplication::exec();
    }
    counter.endFrame();

    const double screen = static_cast<double>(frame.width()) * frame.height();
    if (simulated) {
        std::printf("cpu %.1f ms per second of rest, ", 1000 * cpu / seconds);
    } else {
        std::printf("ticks %lld late %lld (%.2f %%), wakeups/s %.1f, ", counts.ticks, counts.late,
                    counts.ticks ? 100.0 * counts.late / counts.ticks : 0.0, counts.wakeups / seconds);
    }
    std::printf("repaints/s %.1f, ", counts.frames / seconds);
    std::printf("pixels/s flushed %.0f (%.2f screens), painted %.0f (%.2f screens)\n",
                counts.flushed / seconds, counts.flushed / seconds / screen, counts.painted / seconds,
                counts.painted / seconds / screen);
    return 0;
}
