#pragma once

#include <QImage>
#include <QWidget>

class ClassicBackground;
class Clock;
class Preferences;
class WallpaperManager;

// The backdrop of the wallpaper theme: the manager's photograph, aspect
// filled and blurred by the wallpaper blur setting, under an 18 % black
// veil. Until a photograph exists it shows the classic backdrop with a
// loading line, and asks for one photograph when it comes on screen. The
// blurred, veiled picture is made once per size and blur while on screen.
class WallpaperBackground : public QWidget {
    Q_OBJECT
public:
    static inline const QString loadingText = QStringLiteral("正在静悄悄地加载大自然壁纸...");

    // Starts with the stored blur; the owner passes on later changes.
    WallpaperBackground(Clock& clock, const Preferences& preferences, WallpaperManager& manager,
                        QWidget* parent = nullptr);

    // Top of the loading indicator and line: centred in the free band between
    // the rest view's tip and its skip button, since mid-screen it would run
    // over the tip.
    static double loadingStackTop(QSizeF area, double stackHeight);
    // Where an image of this size lands to cover the area, keeping its aspect.
    static QRectF aspectFillRect(QSizeF image, QSizeF area);
    // The photograph cut to the area (in device pixels) and blurred by radius
    // logical pixels; the blur is computed at reduced size, which it hides.
    static QImage composePicture(const QImage& photo, QSize area, qreal ratio, double radius);

    void setBlurRadius(double radius);

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;

private:
    void showImage(const QImage& image);

    WallpaperManager& manager;
    ClassicBackground* classic;
    QWidget* loadingLayer;
    double blurRadius;
    QImage photo;
    QImage picture;
};
