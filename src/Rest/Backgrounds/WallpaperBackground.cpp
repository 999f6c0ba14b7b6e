#include "Rest/Backgrounds/WallpaperBackground.h"
#include "Platform/Clock.h"
#include "Platform/Desktop/Fonts.h"
#include "Platform/Settings.h"
#include "Rest/Backgrounds/ClassicBackground.h"
#include "Rest/Components/CachedPicture.h"
#include "Rest/Components/ImageBlur.h"
#include "Rest/Components/Palette.h"
#include "Rest/Models/RestLayout.h"
#include "Rest/Models/RestTheme.h"
#include "Wallpapers/WallpaperManager.h"

#include <QFontMetrics>
#include <QPaintEvent>
#include <QPainter>
#include <QResizeEvent>
#include <QTextLayout>

#include <array>
#include <cmath>

namespace {

const QColor veil = QColor::fromRgbF(0, 0, 0, 0.18f);
// How much light the veil lets through.
const double underVeil = 1 - veil.alphaF();

constexpr int spokes = 12;
constexpr double indicatorSide = 32;

double loadingTextHeight() {
    return systemFont(11).pixelSize() * 1.2;
}

// Where the loading line's indicator and text stand over an area.
QRect indicatorRect(QSize area) {
    const double top = WallpaperBackground::loadingStackTop(area, indicatorSide + 12 + loadingTextHeight());
    return QRectF(area.width() / 2.0 - indicatorSide / 2, top, indicatorSide, indicatorSide).toAlignedRect();
}
QRectF loadingTextRect(QSize area) {
    return {0, QRectF(indicatorRect(area)).bottom() + 12, static_cast<double>(area.width()),
            loadingTextHeight()};
}

// What the line covers, with room for antialiased edges and glyphs reaching
// past their line.
QRect loadingLineArea(QSize area) {
    constexpr int margin = 8;
    const QRect indicator = indicatorRect(area);
    const int textWidth = QFontMetrics(systemFont(11)).horizontalAdvance(WallpaperBackground::loadingText);
    const int half = std::max(indicator.width(), textWidth) / 2 + margin;
    return {QPoint(area.width() / 2 - half, indicator.top() - margin),
            QPoint(area.width() / 2 + half, loadingTextRect(area).toAlignedRect().bottom() + margin)};
}

// The loading line over the classic backdrop: a spinning teal indicator and
// the text below it, 12 apart; all under the veil. Black over a colour only
// scales its light, so the veil is had by drawing the backdrop and the line
// that much darker, not by a second pass over every repainted pixel. Only
// the indicator moves. The layer covers the line and no more, so that the
// glow steps around it do not repaint it; it draws in its parent's
// coordinates.
class LoadingLayer : public QWidget {
public:
    LoadingLayer(Clock& clock, QWidget* parent)
        : QWidget(parent)
        , spin(clock.createFrameTimer(this))
        , textLine(WallpaperBackground::loadingText, systemFont(11)) {
        setAttribute(Qt::WA_TransparentForMouseEvents);
        // Shaped once, not again on every glow step passing under the text.
        textLine.setCacheEnabled(true);
        textLine.beginLayout();
        textLine.createLine().setLineWidth(unboundedWidth);
        textLine.endLayout();
        connect(spin, &Timer::timeout, this, [this] {
            turn = (turn + 1) % spokes;
            update(indicatorFrame(parentWidget()->size()).translated(-pos()));
        });
    }

protected:
    void showEvent(QShowEvent*) override { spin->start(1.0 / spokes, true); }

    void hideEvent(QHideEvent*) override {
        spin->stop();
        frames = {};
    }

    void paintEvent(QPaintEvent* event) override {
        const QSize area = parentWidget()->size();
        const QRegion dirty = event->region().translated(pos());
        QPainter painter(this);
        painter.translate(-pos());
        if (dirty.intersects(indicatorFrame(area))) {
            paintIndicator(painter, QRectF(indicatorRect(area)).center());
        }
        const QRectF text = loadingTextRect(area);
        if (dirty.intersects(text.toAlignedRect())) {
            painter.setRenderHint(QPainter::Antialiasing);
            painter.setPen(Palette::dimmed(Palette::white(0.4), underVeil));
            // Centred as drawText centres a line.
            const QTextLine line = textLine.lineAt(0);
            textLine.draw(&painter, QPointF(text.x() + (text.width() - line.horizontalAdvance()) / 2,
                                            text.y() + (text.height() - line.height()) / 2));
        }
    }

private:
    // Room around the indicator's box for the antialiased spoke ends.
    static constexpr int framePadding = 2;

    // What a step of the indicator repaints, in the parent's coordinates.
    static QRect indicatorFrame(QSize area) {
        return indicatorRect(area).adjusted(-framePadding, -framePadding, framePadding, framePadding);
    }

    // Each step of the indicator is drawn once while the layer is on
    // screen, in a picture placed at whole device pixels with the centre
    // where it falls on the screen: a step then copies a few pixels
    // instead of stroking twelve antialiased spokes.
    void paintIndicator(QPainter& painter, QPointF centre) {
        const qreal ratio = devicePixelRatioF();
        const double half = indicatorSide / 2 + framePadding;
        const QPointF origin(std::floor((centre.x() - half) * ratio),
                             std::floor((centre.y() - half) * ratio));
        const QPointF inPicture = centre - origin / ratio;
        if (inPicture != framesCentre || ratio != framesRatio) {
            frames = {};
            framesCentre = inPicture;
            framesRatio = ratio;
        }
        QImage& frame = frames.at(static_cast<size_t>(turn));
        if (frame.isNull()) {
            frame = QImage(QSize(1, 1) * static_cast<int>(std::ceil(2 * half * ratio + 1)),
                           QImage::Format_ARGB32_Premultiplied);
            frame.setDevicePixelRatio(ratio);
            frame.fill(Qt::transparent);
            QPainter picture(&frame);
            picture.setRenderHint(QPainter::Antialiasing);
            // Twelve spokes, the leading one brightest, stepping round once a second.
            QPen pen(Palette::teal, 3, Qt::SolidLine, Qt::RoundCap);
            for (int i = 0; i < spokes; ++i) {
                const int age = (turn - i + spokes) % spokes;
                pen.setColor(Palette::dimmed(
                    Palette::withOpacity(Palette::teal, 1.0 - 0.75 * age / (spokes - 1)), underVeil));
                picture.setPen(pen);
                const double angle = 2 * M_PI * i / spokes;
                const QPointF direction(std::sin(angle), -std::cos(angle));
                picture.drawLine(inPicture + direction * 8, inPicture + direction * 14);
            }
        }
        painter.drawImage(origin / ratio, frame);
    }

    // Wide enough never to wrap.
    static constexpr double unboundedWidth = 1 << 24;

    Timer* spin;
    QTextLayout textLine;
    int turn = 0;
    std::array<QImage, spokes> frames;
    QPointF framesCentre;
    qreal framesRatio = 0;
};

} // namespace

WallpaperBackground::WallpaperBackground(Clock& clock, const Preferences& preferences,
                                         WallpaperManager& manager, QWidget* parent)
    : QWidget(parent)
    , manager(manager)
    , classic(new ClassicBackground(clock, veil, this))
    , loadingLayer(new LoadingLayer(clock, this))
    , blurRadius(preferences.value(Settings::wallpaperBlurRadius).value()) {
    setAttribute(Qt::WA_OpaquePaintEvent);
    connect(&manager, &WallpaperManager::cachedImageChanged, this, &WallpaperBackground::showImage);
    showImage(manager.cachedImage());
}

void WallpaperBackground::setBlurRadius(double radius) {
    if (radius != blurRadius) {
        blurRadius = radius;
        picture = QImage();
        update();
    }
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
        // The photograph filling the screen, over a copy stretched across the margin too, so
        // the blur has real colours at the edges.
        QPainter painter(&canvas);
        painter.setRenderHint(QPainter::SmoothPixmapTransform);
        painter.drawImage(aspectFillRect(photo.size(), canvas.size()), photo);
        painter.drawImage(aspectFillRect(photo.size(), small).translated(margin, margin), photo);
    }
    if (deviceRadius >= 0.5) {
        canvas = ImageBlur::blurred(std::move(canvas), deviceRadius / shrink);
    }
    // Opaque, so three bytes a pixel: a quarter less memory for the whole
    // rest, for a conversion on each copy of the about one screen a second
    // that the layers above repaint.
    QImage result(area, QImage::Format_RGB888);
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
    picture = QImage();
    update();
}

void WallpaperBackground::paintEvent(QPaintEvent* event) {
    QPainter painter(this);
    if (photo.isNull()) {
        painter.fillRect(rect(), veil);
        return;
    }
    const qreal ratio = devicePixelRatioF();
    const QSize area = (QSizeF(size()) * ratio).toSize();
    if (picture.size() != area) {
        // Blurred and veiled once per size and blur; a repaint copies a part.
        picture = composePicture(photo, area, ratio, blurRadius);
        QPainter veiled(&picture);
        veiled.fillRect(rect(), veil);
        veiled.end();
    }
    paintEachRect(painter, event->region(), [&](const QRect& part) {
        painter.drawImage(part, picture,
                          QRectF(QPointF(part.topLeft()) * ratio, QSizeF(part.size()) * ratio));
    });
}

void WallpaperBackground::resizeEvent(QResizeEvent*) {
    classic->setGeometry(rect());
    loadingLayer->setGeometry(loadingLineArea(size()));
}

void WallpaperBackground::showEvent(QShowEvent*) {
    if (manager.cachedImage().isNull()) {
        manager.prefetchNextWallpaper();
    }
}

void WallpaperBackground::hideEvent(QHideEvent*) {
    picture = QImage(); // made again when shown: a rest is over in seconds
}
