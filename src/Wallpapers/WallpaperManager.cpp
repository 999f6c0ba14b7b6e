#include "Wallpapers/WallpaperManager.h"

#include "Platform/Clock.h"
#include "Platform/Files.h"
#include "Platform/Log.h"
#include "Platform/Random.h"
#include "Platform/Settings.h"
#include "Wallpapers/PhotoList.h"

#include <QBuffer>
#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QImageReader>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QRandomGenerator>
#include <QStandardPaths>
#include <QUuid>

namespace {

const QString listFailedLine =
    QStringLiteral("⚠️ 从 Picsum 列表获取数据失败，正在尝试直连源...");
const QString notAnImageLine = QStringLiteral("⚠️ 拉取的壁纸数据无法解析为 NSImage。");

bool isUsable(const QUrl& url) {
    return url.isValid() &&
           (url.scheme() == QLatin1String("http") || url.scheme() == QLatin1String("https")) &&
           !url.host().isEmpty();
}

// Writes the bytes exactly as received; the old file stays whole on failure.
std::optional<QString> writeCacheFile(const QString& directory, const QString& path,
                                      const QByteArray& bytes) {
    if (!QDir().mkpath(directory)) {
        return QStringLiteral("无法创建缓存文件夹 %1").arg(directory);
    }
    return replaceFile(path, bytes);
}

} // namespace

std::optional<QString> WallpaperManager::defaultCacheDirectory() {
    const QString dir = QStandardPaths::writableLocation(QStandardPaths::GenericCacheLocation);
    return dir.isEmpty() ? std::nullopt : std::optional<QString>(dir);
}

WallpaperManager::WallpaperManager(std::optional<QString> cacheDirectory, Clock& clock,
                                   const Preferences& preferences, std::function<QSize()> largestScreen,
                                   QObject* parent)
    : QObject(parent)
    , cacheDirectory(std::move(cacheDirectory))
    , clock(clock)
    , preferences(preferences)
    , largestScreen(std::move(largestScreen)) {
    workers.setMaxThreadCount(1);
    loadFromLocalCache();
}

WallpaperManager::~WallpaperManager() {
    // Replies die with the network manager; none may call back into a half
    // destroyed manager.
    for (QNetworkReply* reply : network.findChildren<QNetworkReply*>()) {
        reply->disconnect(this);
    }
    workers.waitForDone();
}

std::optional<QString> WallpaperManager::cacheFilePath() const {
    if (!cacheDirectory) {
        return std::nullopt;
    }
    return QDir(*cacheDirectory).filePath(cacheFileName);
}

QString WallpaperManager::serviceBaseUrl() const {
    QString base = preferences.value(Settings::wallpaperServiceBaseURL).value().trimmed();
    while (base.endsWith(QLatin1Char('/'))) {
        base.chop(1);
    }
    return base;
}

QUrl WallpaperManager::listUrl(const QString& base, int page) {
    return QUrl(base + QStringLiteral("/v2/list?page=%1&limit=30").arg(page), QUrl::StrictMode);
}

QUrl WallpaperManager::photoUrl(const QString& base, const QString& id) {
    // "." and ".." would climb out of /id/ once the path is normalised.
    if (id.isEmpty() || id == QLatin1String(".") || id == QLatin1String("..")) {
        return {};
    }
    const QByteArray segment = QUrl::toPercentEncoding(id);
    return QUrl(base + QStringLiteral("/id/") + QString::fromLatin1(segment) + QStringLiteral("/1920/1080"),
                QUrl::StrictMode);
}

QUrl WallpaperManager::fallbackUrl(const QString& base) {
    const QString uuid = QUuid::createUuid().toString(QUuid::WithoutBraces).toUpper();
    return QUrl(base + QStringLiteral("/1920/1080?random=") + uuid, QUrl::StrictMode);
}

QImage WallpaperManager::decodeImage(const QByteArray& bytes, QSize bound) {
    QBuffer buffer;
    buffer.setData(bytes);
    QImageReader reader(&buffer);
    reader.setAllocationLimit(decodeAllocationLimitMegabytes);
    reader.setAutoTransform(true);
    const QSize size = reader.size();
    if (size.isValid() && !bound.isEmpty()) {
        // Sizes before the picture is turned upright.
        if (reader.transformation() & QImageIOHandler::TransformationRotate90) {
            bound.transpose();
        }
        // Filling the largest screen needs no more; never enlarged.
        QSize target = size.scaled(bound, Qt::KeepAspectRatioByExpanding);
        if (target.width() > size.width()) {
            target = size;
        }
        if (target != size) {
            reader.setScaledSize(target);
        }
        const QSize kept = target.boundedTo(bound * 2);
        if (kept != target) {
            QRect middle(QPoint(), kept);
            middle.moveCenter(QRect(QPoint(), target).center());
            reader.setScaledClipRect(middle);
        }
    }
    return reader.read();
}

QSize WallpaperManager::decodeBound() const {
    const QSize screen = largestScreen ? largestScreen() : QSize();
    return screen.isEmpty() ? fetchSize : screen;
}

void WallpaperManager::loadFromLocalCache() {
    const std::optional<QString> path = cacheFilePath();
    if (!path || !QFileInfo(*path).isFile() || QFileInfo(*path).size() > maxResponseBytes) {
        return;
    }
    QFile file(*path);
    if (!file.open(QIODevice::ReadOnly)) {
        return;
    }
    const QImage decoded = decodeImage(file.readAll(), decodeBound());
    if (decoded.isNull()) {
        return;
    }
    // Published a moment later so observers connected right after creation see it.
    QMetaObject::invokeMethod(
        this, [this, decoded] { publish(decoded); }, Qt::QueuedConnection);
}

void WallpaperManager::prefetchNextWallpaper() {
    if (prefetching.exchange(true)) {
        return;
    }
    const QString base = serviceBaseUrl();
    const int page = QRandomGenerator::global()->bounded(1, 11);
    const QUrl list = listUrl(base, page);
    const QUrl fallback = fallbackUrl(base);
    if (!isUsable(list)) {
        fetchFallback(fallback);
        return;
    }
    get(list, listTimeoutSeconds, PhotoList::maxBytes,
        [this, fallback](const Body& body) { handleList(body, fallback); });
}

void WallpaperManager::handleList(const Body& body, const QUrl& fallback) {
    const std::optional<QStringList> ids =
        body.error || body.bytes.isEmpty() ? std::nullopt : PhotoList::decodeIds(body.bytes);
    if (!ids || ids->isEmpty()) {
        logLine(listFailedLine);
        fetchFallback(fallback);
        return;
    }
    const QString id = randomElement(*ids);
    const QUrl photo = photoUrl(serviceBaseUrl(), id);
    logLine(QStringLiteral("Tavo: 动态随机拉取 Picsum 壁纸: ") + photo.toString());
    // The chain runs until the fallback, if it comes to that, is done: a
    // prefetch asked for meanwhile would start a second one beside it.
    if (!isUsable(photo)) {
        fetchFallback(fallback);
        return;
    }
    downloadWallpaper(photo, [this, fallback](bool success) {
        if (success) {
            prefetching = false;
        } else {
            fetchFallback(fallback);
        }
    });
}

void WallpaperManager::fetchFallback(const QUrl& url) {
    if (!isUsable(url)) {
        prefetching = false;
        return;
    }
    downloadWallpaper(url, [this](bool) { prefetching = false; });
}

void WallpaperManager::downloadWallpaper(const QUrl& url, std::function<void(bool)> completion) {
    get(url, imageTimeoutSeconds, maxResponseBytes,
        [this, url, completion = std::move(completion)](const Body& body) {
            if (body.error) {
                logLine(QStringLiteral("⚠️ 壁纸拉取网络错误: ") + *body.error);
                completion(false);
                return;
            }
            const std::optional<QString> path = cacheFilePath();
            const std::optional<QString> directory = cacheDirectory;
            const QByteArray bytes = body.bytes;
            workers.start([this, url, completion, path, directory, bytes, bound = decodeBound()] {
                const QImage decoded = decodeImage(bytes, bound);
                std::optional<QString> writeError;
                if (!decoded.isNull() && path) {
                    writeError = writeCacheFile(*directory, *path, bytes);
                }
                QMetaObject::invokeMethod(
                    this,
                    [this, url, decoded, writeError, completion] {
                        finishDownload(url, decoded, writeError, completion);
                    },
                    Qt::QueuedConnection);
            });
        });
}

void WallpaperManager::finishDownload(const QUrl& url, const QImage& decoded,
                                      const std::optional<QString>& writeError,
                                      const std::function<void(bool)>& completion) {
    if (decoded.isNull()) {
        logLine(notAnImageLine);
        completion(false);
        return;
    }
    if (writeError) {
        logLine(QStringLiteral("⚠️ 写入本地壁纸缓存磁盘失败: ") + *writeError);
    }
    publish(decoded);
    logLine(QStringLiteral("✨ 成功预缓存了最新的高清背景壁纸 (源: ") + url.toString() +
            QStringLiteral(")。"));
    completion(true);
}

void WallpaperManager::get(const QUrl& url, double timeoutSeconds, qint64 maxBytes, BodyHandler handler) {
    QNetworkReply* reply = network.get(QNetworkRequest(url));
    // Without a cap the network layer reads ahead of us as fast as the server sends.
    reply->setReadBufferSize(readBufferBytes);
    auto body = std::make_shared<Body>();
    const auto abandon = [reply, body](const QString& reason) {
        body->error = reason;
        body->bytes.clear();
        reply->abort();
    };
    // The whole request, measured from its start: a transfer time-out only
    // notices a pause, and a server dripping one byte at a time never pauses long.
    Timer* deadline = clock.createTimer(reply);
    connect(deadline, &Timer::timeout, reply, [abandon, timeoutSeconds] {
        abandon(QStringLiteral("请求 %1 秒内未完成，已中止").arg(timeoutSeconds));
    });
    deadline->start(timeoutSeconds, false);
    connect(reply, &QNetworkReply::readyRead, this, [reply, body, maxBytes, abandon] {
        body->bytes += reply->readAll();
        if (body->bytes.size() > maxBytes) {
            abandon(QStringLiteral("响应超过 %1 MB，已中止").arg(maxBytes / (1024 * 1024)));
        }
    });
    connect(reply, &QNetworkReply::finished, this, [reply, body, deadline, handler = std::move(handler)] {
        deadline->stop();
        reply->deleteLater();
        if (!body->error) {
            body->bytes += reply->readAll();
            // An HTTP error page is still a response: it is judged by its body.
            // A transfer cut short is not, even after its status came.
            const QNetworkReply::NetworkError error = reply->error();
            const bool answered = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).isValid();
            const bool httpStatusError = (error >= QNetworkReply::ContentAccessDenied &&
                                          error < QNetworkReply::ProtocolUnknownError) ||
                                         error >= QNetworkReply::InternalServerError;
            if (error != QNetworkReply::NoError && !(answered && httpStatusError)) {
                body->error = reply->errorString();
            }
        }
        handler(*body);
    });
}

void WallpaperManager::publish(const QImage& decoded) {
    image = decoded;
    Q_EMIT cachedImageChanged(image);
}
