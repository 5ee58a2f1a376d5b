#include "codecs/metafile/EmfPlusAreas.h"

#include "codecs/metafile/EmfPlusGeometry.h"

#include <QImage>
#include <QPainter>
#include <cmath>
#include <vector>

namespace metafile::emfplus {

namespace {

// Combining or clipping to an area costs some nanoseconds a rectangle of it; a pixel of a mask
// about one.
constexpr qint64 rectangleWork = 50;

// A pixel is inside when its centre is: the edges fall on whole pixels where the coordinates round.
QRect pixelRect(const QRectF& rect) {
    const auto edge = [](double v) { return int(std::floor(std::clamp(v, -1e7, 1e7) + 0.5)); };
    return QRect(QPoint(edge(rect.left()), edge(rect.top())),
                 QPoint(edge(rect.right()) - 1, edge(rect.bottom()) - 1));
}

// A path that is exactly one rectangle with sides along the axes.
std::optional<QRectF> asRectangle(const QPainterPath& path) {
    if (path.elementCount() != 5 || !path.elementAt(0).isMoveTo())
        return std::nullopt;
    const QRectF bounds = path.boundingRect();
    for (int i = 0; i < 5; ++i) {
        const QPainterPath::Element e = path.elementAt(i);
        if ((i > 0 && !e.isLineTo()) || (e.x != bounds.left() && e.x != bounds.right()) ||
            (e.y != bounds.top() && e.y != bounds.bottom()))
            return std::nullopt;
    }
    return bounds;
}

} // namespace

QRegion everywhere(QSize image) {
    return QRegion(QRect(QPoint(-1, -1), image + QSize(2, 2)));
}

QRegion pixelArea(const QPainterPath& path, const QTransform& toImage, QSize image, qint64& work) {
    const QPainterPath mapped = toImage.map(path);
    const QRect room(QPoint(-1, -1), image + QSize(2, 2));
    if (const std::optional<QRectF> rect = asRectangle(mapped))
        return QRegion(pixelRect(*rect).intersected(room));
    const QRect bounds = mapped.boundingRect().toAlignedRect().intersected(room);
    work += rasterWork(path, toImage, QSizeF(image), Raster::Fill, false);
    if (bounds.isEmpty())
        return {};
    // Painted into a mask, then read back row by row as runs of covered pixels.
    QImage mask(bounds.size(), QImage::Format_Grayscale8);
    if (mask.isNull())
        return {};
    mask.fill(0);
    {
        QPainter painter(&mask);
        painter.translate(-bounds.topLeft());
        painter.fillPath(mapped, Qt::white);
    }
    work += qint64(bounds.width()) * bounds.height() * 2;
    std::vector<QRect> runs;
    for (int y = 0; y < mask.height(); ++y) {
        const uchar* row = mask.constScanLine(y);
        for (int x = 0; x < mask.width();) {
            if (!row[x]) {
                ++x;
                continue;
            }
            const int start = x;
            while (x < mask.width() && row[x])
                ++x;
            runs.emplace_back(bounds.left() + start, bounds.top() + y, x - start, 1);
        }
    }
    work += qint64(runs.size()) * rectangleWork;
    QRegion area;
    area.setRects(runs.data(), int(runs.size()));
    return area;
}

QRegion combine(const QRegion& current, const QRegion& next, quint32 mode, qint64& work) {
    work += (qint64(current.rectCount()) + next.rectCount()) * rectangleWork;
    switch (mode) {
    case Intersect:
        return current.intersected(next);
    case Union:
        return current.united(next);
    case Xor:
        return current.xored(next);
    case Exclude:
        return current.subtracted(next);
    case Complement:
        return next.subtracted(current);
    default:
        return next;
    }
}

// Children follow their parent in the node list, so evaluating from the last node back finds every
// child's area ready.
QRegion regionArea(const Region& region, const QTransform& toImage, QSize image, qint64& work,
                   qint64 allowance) {
    std::vector<QRegion> areas(region.nodes.size());
    for (std::size_t i = region.nodes.size(); i-- > 0 && work <= allowance;) {
        const Region::Node& node = region.nodes[i];
        switch (node.kind) {
        case Region::Rect:
        case Region::Path:
            areas[i] = pixelArea(node.path, toImage, image, work);
            break;
        case Region::Infinite:
            areas[i] = everywhere(image);
            break;
        case Region::Empty:
            break;
        default: {
            const auto child = [&](int index) {
                return index > int(i) && std::size_t(index) < areas.size() ? areas[std::size_t(index)]
                                                                           : QRegion();
            };
            areas[i] = combine(child(node.left), child(node.right), node.kind, work);
            break;
        }
        }
    }
    return areas.empty() ? QRegion() : areas.front();
}

qint64 clipWork(const QRegion& area) {
    return qint64(area.rectCount()) * rectangleWork;
}

} // namespace metafile::emfplus
