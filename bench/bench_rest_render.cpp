// Time to render one frame of the rest view, per theme and screen size, into
// an image in software. Each repetition is one frame; the aggregates give the
// median and the 95th percentile.
//
//   bench_rest_render [--screenshots=DIR] [benchmark flags]
//
// --screenshots writes one 1920 × 1080 frame per theme as PNG into DIR.

#include "Platform/Clock.h"
#include "Platform/Preferences.h"
#include "Platform/Settings.h"
#include "Rest/Models/RestTheme.h"
#include "Rest/RestView.h"
#include "Wallpapers/WallpaperManager.h"

#include <QApplication>
#include <QDir>
#include <QImage>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

#include <algorithm>
#include <memory>
#include <optional>
#include <vector>

namespace {

// Made in main(), once there is an application.
std::optional<RestServices> services;

std::unique_ptr<RestView> makeView(RestTheme theme, QSize size) {
    RestThemes::store(services->preferences, theme);
    auto view =
        std::make_unique<RestView>(*services, 20, RestView::Binding{[] { return 13; }, [](int) {}},
                                   QStringLiteral("本集标题 · 打工人终于眨眼了"), [](const QString&) {});
    view->resize(size);
    view->show();
    QApplication::processEvents();
    for (int i = 0; i < 12; ++i) {
        view->tick(); // a breath under way
    }
    return view;
}

void renderFrame(benchmark::State& state, RestTheme theme, QSize size) {
    const std::unique_ptr<RestView> view = makeView(theme, size);
    QImage frame(size, QImage::Format_ARGB32_Premultiplied);
    view->render(&frame); // warms the sprite caches
    for (auto _ : state) {
        view->tick();
        view->render(&frame, QPoint(), QRegion(), QWidget::DrawChildren);
        benchmark::DoNotOptimize(frame.constBits());
    }
}

double percentile95(const std::vector<double>& values) {
    std::vector<double> sorted = values;
    std::sort(sorted.begin(), sorted.end());
    return sorted[std::min(sorted.size() - 1,
                           static_cast<size_t>(0.95 * static_cast<double>(sorted.size())))];
}

void registerAll() {
    for (RestTheme theme : RestThemes::allCases()) {
        const std::string themeName = RestThemes::rawValue(theme).toStdString();
        for (QSize size : {QSize(1920, 1080), QSize(3840, 2160)}) {
            const std::string name = "RestFrame/" + themeName + "/" + std::to_string(size.width()) + "x" +
                                     std::to_string(size.height());
            benchmark::RegisterBenchmark(name.c_str(), renderFrame, theme, size)
                ->Unit(benchmark::kMillisecond)
                ->Iterations(1)
                ->Repetitions(size.width() > 2000 ? 60 : 200)
                ->ComputeStatistics("p95", percentile95)
                ->ReportAggregatesOnly(true);
        }
    }
}

void saveScreenshots(const QString& directory) {
    QDir().mkpath(directory);
    for (RestTheme theme : RestThemes::allCases()) {
        const std::unique_ptr<RestView> view = makeView(theme, QSize(1920, 1080));
        QImage frame(view->size(), QImage::Format_ARGB32_Premultiplied);
        frame.fill(Qt::black); // what an uncomposited screen shows through the window
        view->render(&frame, QPoint(), QRegion(), QWidget::DrawChildren);
        frame.save(QDir(directory).filePath(QStringLiteral("rest-%1.png").arg(RestThemes::rawValue(theme))));
    }
}

} // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
    }
    QApplication app(argc, argv);
    SystemClock clock;
    QTemporaryDir settings;
    Preferences preferences(settings.filePath(QStringLiteral("Tavo.conf")));
    // No photo service and no cache in a benchmark: the wallpaper theme renders its loading state.
    preferences.setValue(Settings::wallpaperServiceBaseURL, QStringLiteral("http://127.0.0.1:9"));
    WallpaperManager wallpapers(std::nullopt, clock, preferences, nullptr);
    services.emplace(
        RestServices{clock, preferences, [&wallpapers]() -> WallpaperManager& { return wallpapers; }});

    QString screenshots;
    std::vector<char*> rest;
    for (int i = 0; i < argc; ++i) {
        const QString argument = QString::fromLocal8Bit(argv[i]);
        if (argument.startsWith(QLatin1String("--screenshots="))) {
            screenshots = argument.section(QLatin1Char('='), 1);
        } else {
            rest.push_back(argv[i]);
        }
    }
    if (!screenshots.isEmpty()) {
        saveScreenshots(screenshots);
    }
    int count = static_cast<int>(rest.size());
    benchmark::Initialize(&count, rest.data());
    registerAll();
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    services.reset();
    return 0;
}
