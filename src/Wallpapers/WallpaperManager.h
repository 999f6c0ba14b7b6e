#pragma once

#include <QImage>
#include <QNetworkAccessManager>
#include <QObject>
#include <QString>
#include <QThreadPool>
#include <QUrl>

#include <atomic>
#include <functional>
#include <optional>

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
    // A hostile or broken service cannot make us hold more than this.
    static constexpr qint64 maxResponseBytes = 20 * 1024 * 1024;
    static constexpr int decodeAllocationLimitMegabytes = 256;
    static constexpr int listTimeoutMs = 10'000;
    static constexpr int imageTimeoutMs = 15'000;

    // The user's caches folder, if the platform names one.
    static std::optional<QString> defaultCacheDirectory();

    // cacheDirectory absent: no disk cache at all. The cache file is read now
    // and its picture published a moment later, never during construction.
    // The photo service's address is read from the preferences at each fetch.
    WallpaperManager(std::optional<QString> cacheDirectory, const Preferences& preferences,
                     QObject* parent = nullptr);
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
    // Ids of a list body; none when the body is not an array of objects that
    // all carry a string "id".
    static std::optional<QStringList> decodePhotoIds(const QByteArray& body);
    // Decodes with the allocation limit; a null image when the bytes are not one.
    static QImage decodeImage(const QByteArray& bytes);

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
    void get(const QUrl& url, int timeoutMs, BodyHandler handler);
    void publish(const QImage& decoded);

    std::optional<QString> cacheDirectory;
    const Preferences& preferences;
    QImage image;
    std::atomic_bool prefetching = false;
    QNetworkAccessManager network;
    // Last member: destroyed first, so it waits for a running decode while
    // everything the decode posts back to still exists.
    QThreadPool workers;
};
