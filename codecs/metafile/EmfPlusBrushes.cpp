#include "codecs/metafile/EmfPlusObjects.h"
#include "codecs/metafile/EmfPlusReader.h"

#include <QLinearGradient>
#include <QRadialGradient>
#include <algorithm>
#include <cmath>

namespace metafile::emfplus {

namespace {

enum BrushType { Solid, Hatch, Texture, PathGradient, LinearGradient };

// Brush data flags.
constexpr quint32 hasBoundaryPath = 0x1;
constexpr quint32 hasTransform = 0x2;
constexpr quint32 hasPresetColours = 0x4;
constexpr quint32 hasBlendFactorsH = 0x8;
constexpr quint32 hasBlendFactorsV = 0x10;
constexpr quint32 hasFocusScales = 0x40;

// More stops than this are read but not used: they only make filling slow.
constexpr qint64 maxStops = 1024;

// The 53 hatch styles drawn with the nearest of Qt's eight-by-eight patterns.
Qt::BrushStyle hatchPattern(quint32 style) {
    static constexpr Qt::BrushStyle patterns[] = {
        Qt::HorPattern,       Qt::VerPattern,       Qt::FDiagPattern,  Qt::BDiagPattern,     // 0x00
        Qt::CrossPattern,     Qt::DiagCrossPattern, Qt::Dense7Pattern, Qt::Dense6Pattern,    // 0x04
        Qt::Dense6Pattern,    Qt::Dense5Pattern,    Qt::Dense5Pattern, Qt::Dense4Pattern,    // 0x08: 20-40 %
        Qt::Dense4Pattern,    Qt::Dense3Pattern,    Qt::Dense3Pattern, Qt::Dense3Pattern,    // 0x0C: 50-75 %
        Qt::Dense2Pattern,    Qt::Dense1Pattern,    Qt::FDiagPattern,  Qt::BDiagPattern,     // 0x10
        Qt::FDiagPattern,     Qt::BDiagPattern,     Qt::FDiagPattern,  Qt::BDiagPattern,     // 0x14
        Qt::VerPattern,       Qt::HorPattern,       Qt::VerPattern,    Qt::HorPattern,       // 0x18
        Qt::VerPattern,       Qt::HorPattern,       Qt::FDiagPattern,  Qt::BDiagPattern,     // 0x1C
        Qt::HorPattern,       Qt::VerPattern,       Qt::Dense6Pattern, Qt::Dense6Pattern,    // 0x20
        Qt::HorPattern,       Qt::HorPattern,       Qt::BDiagPattern,  Qt::CrossPattern,     // 0x24
        Qt::DiagCrossPattern, Qt::CrossPattern,     Qt::Dense6Pattern, Qt::CrossPattern,     // 0x28
        Qt::DiagCrossPattern, Qt::BDiagPattern,     Qt::Dense3Pattern, Qt::Dense4Pattern,    // 0x2C
        Qt::CrossPattern,     Qt::Dense4Pattern,    Qt::Dense4Pattern, Qt::DiagCrossPattern, // 0x30
        Qt::Dense4Pattern,                                                                   // 0x34
    };
    return style < std::size(patterns) ? patterns[style] : Qt::Dense4Pattern;
}

QGradient::Spread spread(quint32 wrapMode) {
    switch (wrapMode) {
    case 0: // tile
    case 2: // tile, flipped vertically: the same along a gradient's axis
        return QGradient::RepeatSpread;
    case 1:
    case 3:
        return QGradient::ReflectSpread;
    default: // clamp
        return QGradient::PadSpread;
    }
}

QColor mix(const QColor& from, const QColor& to, double share) {
    share = std::isfinite(share) ? std::clamp(share, 0.0, 1.0) : 0.0;
    const auto lerp = [&](float a, float b) { return a + float(share) * (b - a); };
    return QColor::fromRgbF(lerp(from.redF(), to.redF()), lerp(from.greenF(), to.greenF()),
                            lerp(from.blueF(), to.blueF()), lerp(from.alphaF(), to.alphaF()));
}

// Stops from the blend data that follows a gradient: preset colours (positions and colours) or blend
// factors (positions and shares of `to`). `reversed` counts positions from the other end (path
// gradients count from the boundary). Nothing when the data is absent or unusable.
QGradientStops blendStops(Reader& in, quint32 flags, const QColor& from, const QColor& to, bool reversed) {
    if (!(flags & (hasPresetColours | hasBlendFactorsH)))
        return {};
    const qint64 count = in.u32();
    if (!in.has(count, 8))
        return {};
    std::vector<double> positions;
    for (qint64 i = 0; i < count; ++i)
        positions.push_back(in.f32());
    QGradientStops stops;
    for (qint64 i = 0; i < count; ++i) {
        const QColor colour = (flags & hasPresetColours) ? in.argb() : mix(from, to, in.f32());
        const double at = reversed ? 1 - positions[std::size_t(i)] : positions[std::size_t(i)];
        if (std::isfinite(at) && count <= maxStops)
            stops.append({std::clamp(at, 0.0, 1.0), colour});
    }
    std::stable_sort(stops.begin(), stops.end(),
                     [](const auto& a, const auto& b) { return a.first < b.first; });
    return stops.size() >= 2 ? stops : QGradientStops();
}

void applyStops(QGradient& gradient, const QGradientStops& stops, const QColor& first, const QColor& last) {
    if (stops.isEmpty()) {
        gradient.setColorAt(0, first);
        gradient.setColorAt(1, last);
    } else {
        gradient.setStops(stops);
    }
}

std::optional<Brush> linearGradient(Reader& in) {
    const quint32 flags = in.u32();
    const quint32 wrap = in.u32();
    const QRectF rect = in.rect();
    const QColor start = in.argb();
    const QColor end = in.argb();
    in.skip(8);
    QTransform transform;
    if (flags & hasTransform)
        transform = in.transform();
    const QGradientStops stops = blendStops(in, flags, start, end, false);
    if (!in.ok() || !(rect.width() != 0))
        return std::nullopt;
    // The colours change along the rectangle's width; the brush transform turns that direction.
    QLinearGradient gradient(rect.left(), rect.top(), rect.right(), rect.top());
    applyStops(gradient, stops, start, end);
    gradient.setSpread(spread(wrap));
    Brush brush{QBrush(gradient), std::nullopt, mix(start, end, 0.5)};
    brush.brush.setTransform(transform);
    return brush;
}

// A path gradient runs from its centre colour to the boundary's colours. It is drawn as an elliptic
// radial gradient over the boundary's bounds, with the first surrounding colour at the boundary.
std::optional<Brush> pathGradient(Reader& in) {
    const quint32 flags = in.u32();
    in.skip(4); // wrap mode: the colours end at the boundary
    const QColor centreColour = in.argb();
    const double cx = in.coordinate();
    const QPointF centre(cx, in.coordinate());
    const qint64 colours = in.u32();
    if (!in.has(colours, 4))
        return std::nullopt;
    QColor surround = centreColour;
    for (qint64 i = 0; i < colours; ++i) {
        const QColor colour = in.argb();
        if (i == 0)
            surround = colour;
    }
    QRectF bounds;
    if (flags & hasBoundaryPath) {
        const qint64 size = in.u32();
        const std::optional<QPainterPath> boundary = readPath(in.take(size));
        if (!boundary)
            return std::nullopt;
        bounds = boundary->boundingRect();
    } else {
        const qint64 count = in.u32();
        bounds = in.points(count, 0).boundingRect();
    }
    QTransform transform;
    if (flags & hasTransform)
        transform = in.transform();
    const QGradientStops stops = blendStops(in, flags, surround, centreColour, true);
    if (!in.ok() || bounds.width() <= 0 || bounds.height() <= 0)
        return std::nullopt;
    // The gradient lives on the unit circle, stretched onto the boundary's bounds.
    const QTransform unitToBounds(bounds.width() / 2, 0, 0, bounds.height() / 2, bounds.center().x(),
                                  bounds.center().y());
    const QPointF focus((centre.x() - bounds.center().x()) / (bounds.width() / 2),
                        (centre.y() - bounds.center().y()) / (bounds.height() / 2));
    QRadialGradient gradient(QPointF(0, 0), 1, QLineF(QPointF(), focus).length() < 1 ? focus : QPointF());
    if (stops.isEmpty()) {
        gradient.setColorAt(0, centreColour);
        gradient.setColorAt(1, surround);
    } else {
        // Blend positions count from the boundary (0) to the centre (1).
        QGradientStops radial;
        for (auto it = stops.rbegin(); it != stops.rend(); ++it)
            radial.append({1 - it->first, it->second});
        gradient.setStops(radial);
    }
    Brush brush{QBrush(gradient), std::nullopt, mix(centreColour, surround, 0.5)};
    brush.brush.setTransform(unitToBounds * transform);
    return brush;
}

std::optional<Brush> textureBrush(Reader& in) {
    const quint32 flags = in.u32();
    in.skip(4); // wrap mode: textures tile
    QTransform transform;
    if (flags & hasTransform)
        transform = in.transform();
    const std::optional<Image> image = readImage(in.take(in.left()));
    if (!in.ok() || !image || image->bitmap.isNull())
        return std::nullopt;
    Brush brush{QBrush(image->bitmap), std::nullopt, QColor(image->bitmap.pixelColor(0, 0))};
    brush.brush.setTransform(transform);
    return brush;
}

// The arrow heads and other shapes GDI+ draws at the ends of lines, in the frame of a line's end: the
// end at the origin, the line arriving along +y, sizes in pen widths.
QPainterPath anchorShape(quint32 cap) {
    QPainterPath shape;
    switch (cap) {
    case 0x11: // square
        shape.addRect(QRectF(-1, -1, 2, 2));
        break;
    case 0x12: // round
        shape.addEllipse(QPointF(), 1, 1);
        break;
    case 0x13: // diamond
        shape.addPolygon(QPolygonF{{0, -1.5}, {1.5, 0}, {0, 1.5}, {-1.5, 0}});
        shape.closeSubpath();
        break;
    case 0x14: // arrow: sides of 4/√3 widths at 30 degrees to the line
        shape.addPolygon(QPolygonF{{0, 0}, {-2 / std::sqrt(3.0), -2}, {2 / std::sqrt(3.0), -2}});
        shape.closeSubpath();
        break;
    default:
        break;
    }
    return shape;
}

Qt::PenCapStyle capStyle(quint32 cap) {
    switch (cap) {
    case 1:
        return Qt::SquareCap;
    case 2:
        return Qt::RoundCap;
    default:
        return Qt::FlatCap;
    }
}

// A custom line cap: an adjustable arrow, or a default cap with a fill or line path. Its shape goes
// into `shape` in the frame of `anchorShape`; false when the data is not such a cap.
bool readCustomCap(const Bytes& data, QPainterPath& shape, bool& filled) {
    Reader in(data);
    if (!in.version())
        return false;
    const quint32 type = in.u32();
    if (type == 1) { // adjustable arrow
        const double width = in.coordinate();
        const double height = in.coordinate();
        const double inset = in.coordinate();
        filled = in.u32() != 0;
        if (!in.ok())
            return false;
        QPolygonF arrow{{-width / 2, -height}, {0, 0}, {width / 2, -height}};
        if (inset != 0)
            arrow.append({0, -height + inset});
        shape.addPolygon(arrow);
        shape.closeSubpath();
        return true;
    }
    const quint32 flags = in.u32();
    in.skip(40); // base cap, inset, stroke caps and join, miter limit, width scale, hot spots
    filled = flags & 0x1;
    if (flags & 0x3) {
        const qint64 length = in.u32();
        if (const std::optional<QPainterPath> path = readPath(in.take(length)))
            shape = *path;
    }
    return in.ok();
}

void setCap(Pen& pen, quint32 cap, bool start) {
    QPainterPath& anchor = start ? pen.startAnchor : pen.endAnchor;
    if ((cap & 0xF0) == 0x10)
        anchor = anchorShape(cap);
    else
        pen.cap = capStyle(cap);
}

} // namespace

std::optional<Brush> readBrush(const Bytes& data) {
    Reader in(data);
    if (!in.version())
        return std::nullopt;
    std::optional<Brush> brush;
    switch (in.u32()) {
    case Solid:
        brush = solidBrush(in.argb());
        break;
    case Hatch: {
        const quint32 style = in.u32();
        const QColor fore = in.argb();
        const QColor back = in.argb();
        brush = Brush{QBrush(fore, hatchPattern(style)), back, fore};
        break;
    }
    case Texture:
        brush = textureBrush(in);
        break;
    case PathGradient:
        brush = pathGradient(in);
        break;
    case LinearGradient:
        brush = linearGradient(in);
        break;
    default:
        break;
    }
    if (!in.ok() || !brush || !brush->brush.transform().isInvertible())
        return std::nullopt;
    return brush;
}

std::optional<Pen> readPen(const Bytes& data) {
    Reader in(data);
    if (!in.version())
        return std::nullopt;
    in.skip(4); // type
    Pen pen;
    const quint32 flags = in.u32();
    pen.unit = in.u32();
    pen.width = in.coordinate();
    if (flags & 0x1)
        in.transform(); // GDI+ keeps it, but no writer uses it for more than the width
    if (flags & 0x2)
        setCap(pen, in.u32(), true);
    if (flags & 0x4)
        setCap(pen, in.u32(), false);
    if (flags & 0x8) {
        static constexpr Qt::PenJoinStyle joins[] = {Qt::MiterJoin, Qt::BevelJoin, Qt::RoundJoin,
                                                     Qt::MiterJoin};
        pen.join = joins[std::min<quint32>(in.u32(), 3)];
    }
    if (flags & 0x10)
        pen.miterLimit = std::clamp(in.coordinate(), 1.0, 100.0);
    if (flags & 0x20) {
        static const QList<qreal> styles[] = {{}, {3, 1}, {1, 1}, {3, 1, 1, 1}, {3, 1, 1, 1, 1, 1}};
        const quint32 style = in.u32();
        if (style >= 1 && style <= 4) {
            pen.style = Qt::CustomDashLine;
            pen.dashes = styles[style];
        }
    }
    if (flags & 0x40) {
        const quint32 dashCap = in.u32();
        if (pen.style != Qt::SolidLine && dashCap == 2)
            pen.cap = Qt::RoundCap;
    }
    if (flags & 0x80)
        pen.dashOffset = in.coordinate();
    if (flags & 0x100) {
        const qint64 count = in.u32();
        if (!in.has(count, 4))
            return std::nullopt;
        QList<qreal> dashes;
        for (qint64 i = 0; i < count; ++i) {
            const double length = in.f32();
            if (std::isfinite(length) && length > 0 && count <= 64)
                dashes.append(std::max(length, 0.01));
        }
        if (dashes.size() == count && count > 0) {
            if (dashes.size() % 2)
                dashes += dashes;
            pen.style = Qt::CustomDashLine;
            pen.dashes = dashes;
        }
    }
    if (flags & 0x200)
        in.skip(4); // alignment: lines are drawn centred
    if (flags & 0x400) {
        const qint64 count = in.u32();
        if (in.has(count, 4))
            in.skip(count * 4); // compound lines are drawn as one
    }
    if (flags & 0x800) {
        const qint64 size = in.u32();
        if (!readCustomCap(in.take(size), pen.startAnchor, pen.startAnchorFilled))
            pen.startAnchor = QPainterPath();
    }
    if (flags & 0x1000) {
        const qint64 size = in.u32();
        if (!readCustomCap(in.take(size), pen.endAnchor, pen.endAnchorFilled))
            pen.endAnchor = QPainterPath();
    }
    if (!in.ok() || !(pen.width >= 0))
        return std::nullopt;
    const std::optional<Brush> brush = readBrush(in.take(in.left()));
    if (!brush)
        return std::nullopt;
    pen.brush = *brush;
    return pen;
}

} // namespace metafile::emfplus
