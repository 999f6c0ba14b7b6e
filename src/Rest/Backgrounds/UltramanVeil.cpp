#include "Rest/Backgrounds/UltramanVeil.h"

#include "Rest/Components/CachedPicture.h"
#include "Rest/Components/UltramanTigaView.h"

#include <QPaintEvent>
#include <QPainter>
#include <QRadialGradient>
#include <QVarLengthArray>

#include <algorithm>
#include <cmath>

UltramanVeil::~UltramanVeil() {
    holdGlowOf(nullptr);
}

void UltramanVeil::holdGlowOf(UltramanTigaView* view) {
    if (glowOf == view) {
        return;
    }
    if (glowOf) {
        glowOf->setGlowBeneath(false);
        disconnect(glowOf, nullptr, this, nullptr);
    }
    glowOf = view;
    if (view) {
        view->setGlowBeneath(true);
        connect(view, &UltramanTigaView::animatedAreasChanged, this, [this] { areasKnown = false; });
    }
    forget();
    update();
}

void UltramanVeil::paintEvent(QPaintEvent* event) {
    const qreal ratio = devicePixelRatioF();
    const QRect glowArea = glowOf ? glowOf->geometry() : QRect();
    if (size() != drawnSize || glowArea != drawnGlowArea || ratio != drawnRatio) {
        forget();
        drawnSize = size();
        drawnGlowArea = glowArea;
        drawnRatio = ratio;
    }
    QPainter painter(this);
    // The lowest layer of a translucent window lies on cleared pixels:
    // a plain copy, not a blend.
    if (window()->testAttribute(Qt::WA_TranslucentBackground)) {
        painter.setCompositionMode(QPainter::CompositionMode_Source);
    }
    if (!glowOf) {
        if (whole.isNull()) {
            whole = picture(rect());
        }
        copyEachRect(painter, event->region(), whole, QPoint());
        return;
    }
    if (!areasKnown) {
        keepUnder(glowOf->animatedAreas());
        areasKnown = true;
    }
    // A rectangle of the region may join parts of pictures side by side
    // or one above the other: each gives its part, from the top left.
    for (const QRect& rect : event->region()) {
        QVarLengthArray<QRect, 8> left = {rect};
        while (!left.isEmpty()) {
            const QRect rest = left.back();
            left.removeLast();
            const Patch* holding = patchAt(rest.topLeft());
            if (!holding) {
                // A picture of its own, which blends with what lies
                // beneath as the kept ones do, a band at a time.
                // Bands meet where a repaint area could end, so that Qt
                // rounds their shared edge to one row from both sides.
                for (int top = rest.top(); top <= rest.bottom();) {
                    const int next =
                        std::min(onDeviceGrid(QRect(rest.left(), top, 1, cellSize), ratio).bottom() + 1,
                                 rest.bottom() + 1);
                    const QRect band(rest.left(), top, rest.width(), next - top);
                    copyRect(painter, band, picture(band), onDevicePixel(band.topLeft(), ratio));
                    top = next;
                }
                continue;
            }
            // Its top left corner lies in the picture.
            const QRect part(rest.topLeft(), QPoint(std::min(rest.right(), holding->area.right()),
                                                    std::min(rest.bottom(), holding->area.bottom())));
            copyRect(painter, part, holding->image, onDevicePixel(holding->area.topLeft(), drawnRatio));
            if (part.right() < rest.right()) {
                left.append(QRect(QPoint(part.right() + 1, rest.top()), rest.bottomRight()));
            }
            if (part.bottom() < rest.bottom()) {
                left.append(
                    QRect(QPoint(rest.left(), part.bottom() + 1), QPoint(part.right(), rest.bottom())));
            }
        }
    }
}

// The veil's layers under an area of it, drawn cell by cell: the
// gradients come out the same wherever a picture begins. The picture and
// its cells begin on the device pixels their corners round to (see
// onDevicePixel), so each copy out of them is one of whole pixels, and a
// pixel of the screen comes out the same from any picture.
QImage UltramanVeil::picture(const QRect& area) const {
    if (area.isEmpty()) {
        return {};
    }
    // Rounded up: the area's corners round to at most as many pixels apart.
    const QSize size(static_cast<int>(std::ceil(area.width() * drawnRatio)),
                     static_cast<int>(std::ceil(area.height() * drawnRatio)));
    QImage image(size, QImage::Format_ARGB32_Premultiplied);
    image.setDevicePixelRatio(drawnRatio);
    QPainter painter(&image);
    painter.setCompositionMode(QPainter::CompositionMode_Source);
    const QPointF origin = onDevicePixel(area.topLeft(), drawnRatio);
    for (int top = area.top() / cellSize * cellSize; top <= area.bottom(); top += cellSize) {
        for (int left = area.left() / cellSize * cellSize; left <= area.right(); left += cellSize) {
            const QPoint at(left, top);
            painter.drawImage(onDevicePixel(at, drawnRatio) - origin, cell(at));
        }
    }
    return image;
}

QImage UltramanVeil::cell(QPoint at) const {
    // Where a cell is not a whole number of device pixels, the cells of a
    // picture begin that number rounded either way apart: as wide as the
    // larger, they leave no pixel of it unwritten.
    const int side = static_cast<int>(std::ceil(cellSize * drawnRatio));
    QImage image(side, side, QImage::Format_ARGB32_Premultiplied);
    image.setDevicePixelRatio(drawnRatio);
    image.fill(QColor::fromRgbF(0, 0, 0, 0.72f));
    QPainter painter(&image);
    painter.translate(-onDevicePixel(at, drawnRatio));
    QRadialGradient gradient(QRectF(rect()).center(), 900);
    gradient.setColorAt(0, QColor::fromRgbF(0, 0, 0, 0));
    gradient.setColorAt(200.0 / 900.0, QColor::fromRgbF(0, 0, 0, 0));
    gradient.setColorAt(1, QColor::fromRgbF(0, 0, 0, 0.25f));
    painter.fillRect(rect(), gradient);
    if (glowOf) {
        painter.translate(drawnGlowArea.topLeft());
        UltramanTigaView::paintVioletGlow(painter, drawnGlowArea.size());
    }
    return image;
}

// Pictures of the areas (in the view's coordinates), made again for
// those that grew out of theirs, over both: the capsule narrows and
// widens with its number every second.
void UltramanVeil::keepUnder(const QList<QRect>& areas) {
    whole = QImage();
    if (areas == keptFor) {
        return;
    }
    keptFor = areas;
    bool moved = kept.size() != static_cast<size_t>(areas.size());
    kept.resize(static_cast<size_t>(areas.size()));
    for (size_t i = 0; i < kept.size(); ++i) {
        // Grown to whole device pixels: the picture's cells then start on
        // whole pixels of it, and so does each copy from it.
        const QRect under = areas.at(static_cast<qsizetype>(i)).translated(drawnGlowArea.topLeft());
        const QRect area = onDeviceGrid(under, drawnRatio) & rect();
        if (!kept[i].area.contains(area)) {
            const QRect grown = area.intersects(kept[i].area) ? area | kept[i].area : area;
            kept[i] = {grown, picture(grown)};
            moved = true;
        }
    }
    if (!moved) {
        return;
    }
    columns = width() / cellSize + 1;
    cells.assign(cellOf(QPoint(width(), height())) + 1, {});
    for (size_t i = 0; i < kept.size(); ++i) {
        const QRect& area = kept[i].area;
        for (int row = area.top() / cellSize; !area.isEmpty() && row <= area.bottom() / cellSize; ++row) {
            for (int column = area.left() / cellSize; column <= area.right() / cellSize; ++column) {
                cells[cellOf(QPoint(column, row) * cellSize)].push_back(i);
            }
        }
    }
}

// A kept picture that has the point, if any: one that has it reaches
// into its cell.
const UltramanVeil::Patch* UltramanVeil::patchAt(QPoint point) const {
    if (cells.empty() || point.x() < 0 || point.y() < 0 || point.x() >= width() || point.y() >= height()) {
        return nullptr;
    }
    for (const size_t i : cells[cellOf(point)]) {
        const QRect& area = kept[i].area;
        if (area.left() <= point.x() && area.top() <= point.y() && area.right() >= point.x() &&
            area.bottom() >= point.y()) {
            return &kept[i];
        }
    }
    return nullptr;
}

size_t UltramanVeil::cellOf(QPoint point) const {
    return static_cast<size_t>(point.y() / cellSize) * static_cast<size_t>(columns) +
           static_cast<size_t>(point.x() / cellSize);
}

void UltramanVeil::forget() {
    areasKnown = false;
    whole = QImage();
    keptFor.clear();
    kept.clear();
    cells.clear();
}
