#include "codecs/metafile/EmfPlusObjects.h"
#include "codecs/metafile/EmfPlusReader.h"
#include "codecs/metafile/Limits.h"

#include <vector>

namespace metafile::emfplus {

namespace {

constexpr quint32 runLengthTypes = 0x1000;
// Regions larger than this are not real drawings.
constexpr qint64 maxRegionNodes = 100'000;

bool combining(quint32 kind) {
    return kind >= Region::And && kind <= Region::Complement;
}

// The point types: one byte each, or run-length pairs (the type, then the run count in the low six
// bits of the second byte).
std::vector<quint8> readPointTypes(Reader& in, qint64 count, bool runLength) {
    std::vector<quint8> types;
    types.reserve(std::size_t(count));
    while (qint64(types.size()) < count && in.ok()) {
        if (runLength) {
            const quint8 type = in.u8();
            const qint64 run = std::min<qint64>(in.u8() & 0x3F, count - qint64(types.size()));
            types.insert(types.end(), std::size_t(run), type);
        } else {
            types.push_back(in.u8());
        }
    }
    return types;
}

} // namespace

// Points, then their types: start (0), line (1) or Bézier (3) in the low four bits, 0x80 closing the
// figure after the point.
std::optional<QPainterPath> readPath(const Bytes& data) {
    Reader in(data);
    if (!in.version())
        return std::nullopt;
    const qint64 count = in.u32();
    const quint32 flags = in.u32();
    if (count > limits::maxPathPoints)
        return std::nullopt;
    const QPolygonF points = in.points(count, flags);
    if (!in.ok())
        return std::nullopt;
    const std::vector<quint8> types = readPointTypes(in, count, flags & runLengthTypes);
    if (!in.ok())
        return std::nullopt;
    QPainterPath path;
    for (qint64 i = 0; i < count; ++i) {
        const quint8 type = types[std::size_t(i)];
        if ((type & 0x0F) == 0 || path.elementCount() == 0) {
            path.moveTo(points[i]);
        } else if ((type & 0x0F) == 3 && i + 2 < count) {
            path.cubicTo(points[i], points[i + 1], points[i + 2]);
            i += 2;
        } else {
            path.lineTo(points[i]);
        }
        if (types[std::size_t(i)] & 0x80)
            path.closeSubpath();
    }
    return path;
}

// The nodes come in prefix order: a combining node, then its left subtree, then its right one. They
// are read without recursion, so that a deep tree costs no stack.
std::optional<Region> readRegion(const Bytes& data) {
    Reader in(data);
    if (!in.version())
        return std::nullopt;
    const qint64 declared = in.u32();
    Region region;
    // (parent, is it the right child) of the nodes still to read, the next on top.
    std::vector<std::pair<int, bool>> pending{{-1, false}};
    while (!pending.empty()) {
        const auto [parent, right] = pending.back();
        pending.pop_back();
        if (qint64(region.nodes.size()) > std::min(declared, maxRegionNodes) || !in.has(1, 4))
            return std::nullopt;
        Region::Node node;
        node.kind = in.u32();
        if (node.kind == Region::Rect) {
            node.path.addRect(in.rect().normalized());
        } else if (node.kind == Region::Path) {
            const qint64 length = in.u32();
            const std::optional<QPainterPath> path = readPath(in.take(length));
            if (!path)
                return std::nullopt;
            node.path = *path;
        } else if (!combining(node.kind) && node.kind != Region::Empty && node.kind != Region::Infinite) {
            return std::nullopt;
        }
        const int index = int(region.nodes.size());
        region.nodes.push_back(std::move(node));
        if (parent >= 0)
            (right ? region.nodes[std::size_t(parent)].right : region.nodes[std::size_t(parent)].left) =
                index;
        if (combining(region.nodes.back().kind)) {
            pending.push_back({index, true});
            pending.push_back({index, false});
        }
    }
    if (!in.ok())
        return std::nullopt;
    return region;
}

} // namespace metafile::emfplus
