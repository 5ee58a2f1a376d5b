#include "codecs/metafile/GdiObjects.h"

#include "codecs/metafile/Limits.h"

#include <algorithm>

namespace metafile {

ObjectTable::ObjectTable(quint32 capacity) : capacity_(std::min(capacity, limits::maxObjects)) {}

bool ObjectTable::put(quint32 index, GdiObject object) {
    if (index >= capacity_)
        return false;
    if (index >= slots_.size())
        slots_.resize(index + 1);
    slots_[index] = std::move(object);
    return true;
}

std::optional<quint32> ObjectTable::putLowest(GdiObject object) {
    const auto free = std::find_if(slots_.begin(), slots_.end(), [](const auto& slot) { return !slot; });
    const auto index = quint32(free - slots_.begin());
    if (!put(index, std::move(object)))
        return std::nullopt;
    return index;
}

const GdiObject* ObjectTable::get(quint32 index) const {
    if (index >= slots_.size() || !slots_[index])
        return nullptr;
    return &*slots_[index];
}

void ObjectTable::remove(quint32 index) {
    if (index < slots_.size())
        slots_[index].reset();
}

QColor colorRef(quint32 value) {
    return QColor(int(value & 0xFF), int((value >> 8) & 0xFF), int((value >> 16) & 0xFF));
}

QPen makePen(quint32 style, double width, const QColor& colour) {
    QPen pen(colour);
    // A width of zero (or one below a pixel) is GDI's one-pixel cosmetic pen.
    pen.setWidthF(width > 0 ? width : 0);
    pen.setCosmetic(width <= 0);
    switch (style & 0x0F) {
    case 1:
        pen.setStyle(Qt::DashLine);
        break;
    case 2:
        pen.setStyle(Qt::DotLine);
        break;
    case 3:
        pen.setStyle(Qt::DashDotLine);
        break;
    case 4:
        pen.setStyle(Qt::DashDotDotLine);
        break;
    case 5:
        pen.setStyle(Qt::NoPen);
        break;
    default:
        pen.setStyle(Qt::SolidLine);
        break; // solid, inside-frame, user and alternate styles
    }
    // A cosmetic pen has no caps: like every line GDI draws one pixel wide, it leaves out the last
    // pixel, so that short segments drawn end to end (the dotted grids of charts) keep their gaps.
    switch (width <= 0 ? 0x0200 : style & 0x0F00) {
    case 0x0100:
        pen.setCapStyle(Qt::SquareCap);
        break;
    case 0x0200:
        pen.setCapStyle(Qt::FlatCap);
        break;
    default:
        pen.setCapStyle(Qt::RoundCap);
        break;
    }
    switch (style & 0xF000) {
    case 0x1000:
        pen.setJoinStyle(Qt::BevelJoin);
        break;
    case 0x2000:
        pen.setJoinStyle(Qt::MiterJoin);
        break;
    default:
        pen.setJoinStyle(Qt::RoundJoin);
        break;
    }
    return pen;
}

QBrush makeBrush(quint32 style, const QColor& colour, quint32 hatch) {
    switch (style) {
    case 1:
        return QBrush(Qt::NoBrush);
    case 2: {
        static constexpr Qt::BrushStyle hatches[] = {Qt::HorPattern,   Qt::VerPattern,
                                                     Qt::FDiagPattern, Qt::BDiagPattern,
                                                     Qt::CrossPattern, Qt::DiagCrossPattern};
        return QBrush(colour, hatch < std::size(hatches) ? hatches[hatch] : Qt::SolidPattern);
    }
    default:
        return QBrush(colour); // solid, and pattern brushes whose bitmap is unknown here
    }
}

std::optional<GdiObject> stockObject(quint32 index) {
    if (!(index & 0x80000000u))
        return std::nullopt;
    switch (index & 0x7FFFFFFFu) {
    case 0:
        return QBrush(Qt::white);
    case 1:
        return QBrush(QColor(0xC0, 0xC0, 0xC0));
    case 2:
        return QBrush(QColor(0x80, 0x80, 0x80));
    case 3:
        return QBrush(QColor(0x40, 0x40, 0x40));
    case 4:
        return QBrush(Qt::black);
    case 5:
        return QBrush(Qt::NoBrush);
    case 6:
        return makePen(0, 0, Qt::white);
    case 7:
        return makePen(0, 0, Qt::black);
    case 8:
        return QPen(Qt::NoPen);
    case 10:
    case 11:
    case 16: {
        LogicalFont fixed;
        fixed.face = QStringLiteral("Monospace");
        return fixed;
    }
    case 12:
    case 13:
    case 14:
    case 17:
        return LogicalFont{};
    case 18:
        return QBrush(Qt::white); // DC_BRUSH, whose colour no record here sets
    case 19:
        return makePen(0, 0, Qt::black);
    default:
        return std::nullopt;
    }
}

} // namespace metafile
