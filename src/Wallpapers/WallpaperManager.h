#pragma once

#include <QImage>
#include <QNetworkAccessManager>
#include <QObject>
#include <QSize>
#include <QString>
#include <QThreadPool>
#include <QUrl>

#include <atomic>
#include <functional>
#include <optional>

class Clock;
class Preferences;
class QNetworkReply;

// Fetches the photograph behind the wallpaper theme from a random-photo
// service, keeps the latest one as a single file in the caches folder and
// publishes it as cachedImage. Best effort: every failure is one log line.
// Lives on the main thread; decoding and the cache write run on a worker and
// cachedImage is only ever assigned on the main thread.
class WallpaperManager : public QObject {
    Q_OBJECT
    Q_PROPERTY(QImage cachedImage READ cachedImage NOTIFY cachedImageChanged)
public:
    static inline const QString cacheFileName = QStringLiteral("cached_wallpaper_v2.jpg");
    // A hostile or broken service cannot make us hold more than this of a
    // picture (the list has its own, smaller cap); the network layer buffers
    // no more than readBufferBytes ahead of us.
    static constexpr qint64 maxResponseBytes = 20 * 1024 * 1024;
    static constexpr qint64 readBufferBytes = 256 * 1024;
    static constexpr int decodeAllocationLimitMegabytes = 256;
    // Each request ends this long after it started, however its bytes trickle in.
    static constexpr double listTimeoutSeconds = 10;
    static constexpr double imageTimeoutSeconds = 15;
    // The size asked of the service; pictures are decoded no larger than
    // this when the screens are not known.
    static constexpr QSize fetchSize{1920, 1080};

    // The user's caches folder, if the platform names one.
    static std::optional<QString> defaultCacheDirectory();

    // cacheDirectory absent: no disk cache at all. The cache file is read now
    // and its picture published a moment later, never during construction.
    // The photo service's address is read from the preferences at each fetch.
    // largestScreen answers the largest screen's size in device pixels, to
    // which every picture is scaled down while it is decoded.
    WallpaperManager(std::optional<QString> cacheDirectory, Clock& clock, const Preferences& preferences,
                     std::function<QSize()> largestScreen, QObject* parent = nullptr);
    ~WallpaperManager() override;

    // Null until the cache was read or a download succeeded; never cleared.
    QImage cachedImage() const { return image; }
    bool isPrefetching() const { return prefetching; }
    std::optional<QString> cacheFilePath() const;

    // Starts one fetch chain (list, photo by id, one fallback) unless one is
    // running. Returns at once.
    void prefetchNextWallpaper();

    // The base URL from the preferences without a trailing slash.
    QString serviceBaseUrl() const;
    static QUrl listUrl(const QString& base, int page);
    // The id is percent-encoded so it stays one path segment; an id that is
    // empty or a dot segment forms no URL.
    static QUrl photoUrl(const QString& base, const QString& id);
    static QUrl fallbackUrl(const QString& base);
    // Decodes with the allocation limit, scaled down while decoding to fill
    // (not exceed) the bound, and cut to at most twice the bound each way so
    // that no shape of picture stays large; a null image when the bytes are not one.
    static QImage decodeImage(const QByteArray& bytes, QSize bound);

Q_SIGNALS:
    void cachedImageChanged(const QImage& image);

private:
    struct Body {
        QByteArray bytes;
        // A transport failure (no HTTP response at all, or the size cap hit).
        std::optional<QString> error;
    };
    using BodyHandler = std::function<void(const Body&)>;

    void loadFromLocalCache();
    void handleList(const Body& body, const QUrl& fallback);
    void fetchFallback(const QUrl& url);
    void downloadWallpaper(const QUrl& url, std::function<void(bool)> completion);
    void finishDownload(const QUrl& url, const QImage& decoded, const std::optional<QString>& writeError,
                        const std::function<void(bool)>& completion);
    void get(const QUrl& url, double timeoutSeconds, qint64 maxBytes, BodyHandler handler);
    void publish(const QImage& decoded);
    QSize decodeBound() const;

    std::optional<QString> cacheDirectory;
    Clock& clock;
    const Preferences& preferences;
    std::function<QSize()> largestScreen;
    QImage image;
    std::atomic_bool prefetching = false;
    QNetworkAccessManager network;
    // Last member: destroyed first, so it waits for a running decode while
    // everything the decode posts back to still exists.
    QThreadPool workers;
};
