#include "Platform/Log.h"

#include <QMutex>

#include <cstdio>

namespace {
QMutex sinkMutex;
std::function<void(const QString&)> currentSink;
} // namespace

void logLine(const QString& line) {
    // Stats appends and wallpaper callbacks log from worker threads too.
    const QMutexLocker lock(&sinkMutex);
    if (currentSink) {
        currentSink(line);
        return;
    }
    const QByteArray bytes = line.toUtf8() + '\n';
    std::fwrite(bytes.constData(), 1, static_cast<size_t>(bytes.size()), stdout);
    std::fflush(stdout);
}

void setLogSink(std::function<void(const QString&)> sink) {
    const QMutexLocker lock(&sinkMutex);
    currentSink = std::move(sink);
}
