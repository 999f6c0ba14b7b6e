#include "Rest/Backgrounds/WallpaperBackground.h"
#include "Platform/Desktop/Fonts.h"

#include "Platform/Clock.h"
#include "Platform/Settings.h"
#include "Rest/Backgrounds/ClassicBackground.h"
#include "Rest/Components/ImageBlur.h"
#include "Rest/Components/Palette.h"
#include "Rest/Models/RestLayout.h"
#include "Rest/Models/RestTheme.h"
#include "Wallpapers/WallpaperManager.h"

#include <QPainter>
#include <QResizeEvent>

#include <cmath>

namespace {

const QColor veil = QColor::fromRgbF(0, 0, 0, 0.18f);

// The loading line over the classic backdrop: a spinning teal indicator and
// the text below it, 12 apart; then the veil over everything.
class LoadingLayer : public QWidget {
public:
    LoadingLayer(Clock& clock, QWidget* parent)
        : QWidget(parent)
        , spin(clock.createTimer(this)) {
        setAttribute(Qt::WA_TransparentForMouseEvents);
        connect(spin, &Timer::timeout, this, [this] {
            turn = (turn + 1) % spokes;
            update();
        });
    }

protected:
    void showEvent(QShowEvent*) override { spin->start(1.0 / spokes, true); }
    void hideEvent(QHideEvent*) override { spin->stop(); }

    void paintEvent(QPaintEvent*) override {
        QPainter painter(this);
        painter.setRenderHint(QPainter::Antialiasing);
        const QFont font = systemFont(11);
        const double textHeight = font.pixelSize() * 1.2;
        const double indicator = 32;
        const double top = WallpaperBackground::loadingStackTop(size(), indicator + 12 + textHeight);
        const QPointF centre(width() / 2.0, top + indicator / 2);

        // Twelve spokes, the leading one brightest, stepping round once a second.
        QPen pen(Palette::teal, 3, Qt::SolidLine, Qt::RoundCap);
        for (int i = 0; i < spokes; ++i) {
            const int age = (turn - i + spokes) % spokes;
            pen.setColor(Palette::withOpacity(Palette::teal, 1.0 - 0.75 * age / (spokes - 1)));
            painter.setPen(pen);
            const double angle = 2 * M_PI * i / spokes;
            const QPointF direction(std::sin(angle), -std::cos(angle));
            painter.drawLine(centre + direction * 8, centre + direction * 14);
        }

        painter.setFont(font);
        painter.setPen(Palette::white(0.4));
        painter.drawText(QRectF(0, top + indicator + 12, width(), textHeight), Qt::AlignCenter,
                         WallpaperBackground::loadingText);
        painter.fillRect(rect(), veil);
    }

private:
    static constexpr int spokes = 12;
    Timer* spin;
    int turn = 0;
};

} // namespace

WallpaperBackground::WallpaperBackground(Clock& clock, const Preferences& preferences,
                                         WallpaperManager& manager, QWidget* parent)
    : QWidget(parent)
    , preferences(preferences)
    , manager(manager)
    , classic(new ClassicBackground(clock, this))
    , loadingLayer(new LoadingLayer(clock, this))
    , blurWatch(clock.createTimer(this)) {
    setAttribute(Qt::WA_OpaquePaintEvent);
    connect(&manager, &WallpaperManager::cachedImageChanged, this, &WallpaperBackground::showImage);
    connect(blurWatch, &Timer::timeout, this, [this] {
        if (!photo.isNull() &&
            this->preferences.value(Settings::wallpaperBlurRadius).value() != pictureRadius) {
            refreshPicture();
            update();
        }
    });
    showImage(manager.cachedImage());
}

double WallpaperBackground::loadingStackTop(QSizeF area, double stackHeight) {
    const RestLayout layout = RestLayout::compute(area, RestTheme::Wallpaper);
    const double band = layout.skipButton.top() - layout.tip.bottom();
    return band >= stackHeight ? layout.tip.bottom() + (band - stackHeight) / 2
                               : (area.height() - stackHeight) / 2;
}

QRectF WallpaperBackground::aspectFillRect(QSizeF image, QSizeF area) {
    const QSizeF filled = image.scaled(area, Qt::KeepAspectRatioByExpanding);
    return QRectF(QPointF((area.width() - filled.width()) / 2, (area.height() - filled.height()) / 2),
                  filled);
}

QImage WallpaperBackground::composePicture(const QImage& photo, QSize area, qreal ratio, double radius) {
    const double deviceRadius = radius * ratio;
    // Blurring a copy shrunk by this much looks the same and costs far less.
    const double shrink = std::max(1.0, deviceRadius / 3);
    const double margin = std::ceil(2 * deviceRadius / shrink);
    const QSizeF small = QSizeF(area) / shrink;
    QImage canvas((small + QSizeF(2 * margin, 2 * margin)).toSize(), QImage::Format_ARGB32_Premultiplied);
    canvas.fill(Qt::black);
    {
        // The photograph covers the margin too, so the blur has real edges.
        QPainter painter(&canvas);
        painter.setRenderHint(QPainter::SmoothPixmapTransform);
        painter.drawImage(aspectFillRect(photo.size(), canvas.size()), photo);
    }
    if (deviceRadius >= 0.5) {
        canvas = ImageBlur::blurred(canvas, deviceRadius / shrink);
    }
    QImage result(area, QImage::Format_ARGB32_Premultiplied);
    {
        QPainter painter(&result);
        painter.setRenderHint(QPainter::SmoothPixmapTransform);
        painter.drawImage(QRectF(QPointF(0, 0), QSizeF(area)), canvas,
                          QRectF(QPointF(margin, margin), small));
    }
    result.setDevicePixelRatio(ratio);
    return result;
}

void WallpaperBackground::showImage(const QImage& image) {
    photo = image;
    const bool loading = photo.isNull();
    classic->setVisible(loading);
    loadingLayer->setVisible(loading);
    if (!loading) {
        refreshPicture();
        if (isVisible()) {
            blurWatch->start(0.1, true);
        }
    }
    update();
}

void WallpaperBackground::refreshPicture() {
    pictureRadius = preferences.value(Settings::wallpaperBlurRadius).value();
    const qreal ratio = devicePixelRatioF();
    picture =
        QPixmap::fromImage(composePicture(photo, (QSizeF(size()) * ratio).toSize(), ratio, pictureRadius));
}

void WallpaperBackground::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    if (!photo.isNull()) {
        painter.drawPixmap(0, 0, picture);
    }
    painter.fillRect(rect(), veil);
}

void WallpaperBackground::resizeEvent(QResizeEvent* event) {
    classic->setGeometry(rect());
    loadingLayer->setGeometry(rect());
    if (!photo.isNull() && event->size() != event->oldSize()) {
        refreshPicture();
    }
}

void WallpaperBackground::showEvent(QShowEvent*) {
    if (manager.cachedImage().isNull()) {
        manager.prefetchNextWallpaper();
    } else {
        blurWatch->start(0.1, true);
    }
}

void WallpaperBackground::hideEvent(QHideEvent*) {
    blurWatch->stop();
}
