// Renders the application icon from the tray icon's own drawing, so the two
// never drift apart: PNGs at the usual hicolor sizes and a scalable SVG whose
// glyph is an outline, so no font needs to be installed to show it.
// Usage: tavo_icons <output folder>; writes <size>x<size>/apps/tavo.png and
// scalable/apps/tavo.svg below it, laid out as in the hicolor theme.

#include "Application/AppDelegate.h"
#include "Platform/Desktop/Fonts.h"

#include <QApplication>
#include <QDir>
#include <QFontInfo>
#include <QImage>
#include <QPainter>
#include <QSvgGenerator>

#include <cstdio>

namespace {

constexpr int sizes[] = {16, 22, 24, 32, 48, 64, 128, 256, 512};

// The 22 × 18 drawing, scaled to fill the width of a square of side `side`
// and centred in its height.
void paintSquare(QPainter& painter, qreal side) {
    const QSizeF drawing = AppDelegate::statusBarIconSize;
    const qreal scale = side / drawing.width();
    painter.translate(0, (side - drawing.height() * scale) / 2);
    painter.scale(scale, scale);
    AppDelegate::paintStatusBarIcon(painter);
}

bool writePng(const QString& folder, int side) {
    QImage image(side, side, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter painter(&image);
    paintSquare(painter, side);
    painter.end();
    const QString path = QStringLiteral("%1/%2x%2/apps/tavo.png").arg(folder).arg(side);
    return QDir().mkpath(QFileInfo(path).absolutePath()) && image.save(path, "PNG");
}

bool writeSvg(const QString& folder) {
    // 128 user units: a 22-unit drawing scaled by a whole-ish factor keeps the numbers short.
    constexpr int side = 128;
    const QString path = folder + QStringLiteral("/scalable/apps/tavo.svg");
    if (!QDir().mkpath(QFileInfo(path).absolutePath())) {
        return false;
    }
    QSvgGenerator svg;
    svg.setFileName(path);
    svg.setSize(QSize(side, side));
    svg.setViewBox(QRect(0, 0, side, side));
    svg.setTitle(QStringLiteral("Tavo"));
    QPainter painter;
    if (!painter.begin(&svg)) {
        return false;
    }
    paintSquare(painter, side);
    return painter.end();
}

} // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: tavo_icons <output folder>\n");
        return 2;
    }
    QApplication app(argc, argv);
    // A fallback face would ship a different glyph than the tray shows.
    const QString family = QFontInfo(systemFont(16)).family();
    if (family != systemFont(16).family()) {
        std::fprintf(stderr, "tavo_icons: font %s is not installed (got %s)\n",
                     qPrintable(systemFont(16).family()), qPrintable(family));
        return 1;
    }
    const QString folder = QString::fromLocal8Bit(argv[1]);
    for (const int side : sizes) {
        if (!writePng(folder, side)) {
            std::fprintf(stderr, "tavo_icons: cannot write the %d px icon into %s\n", side, argv[1]);
            return 1;
        }
    }
    if (!writeSvg(folder)) {
        std::fprintf(stderr, "tavo_icons: cannot write the scalable icon into %s\n", argv[1]);
        return 1;
    }
    return 0;
}
