#include "codecs/metafile/WmfHeader.h"

#include "codecs/metafile/Limits.h"

#include <cmath>
#include <uwmf.h>

namespace metafile {

namespace {

constexpr quint32 placeableKey = 0x9AC6CDD7;
constexpr double screenDpi = 96;
// Files that leave the units per inch at zero mean the usual twips.
constexpr double defaultUnitsPerInch = 1440;
constexpr quint16 setWindowOrg = 0x020B;
constexpr quint16 setWindowExt = 0x020C;

// The rectangle that the first SETWINDOWEXT and the SETWINDOWORG before it describe.
std::optional<QRectF> firstWindow(const Bytes& b, qint64 at) {
    QPointF origin;
    for (qint64 count = 0; count < limits::maxRecords && b.has(at, 6); ++count) {
        const qint64 bytes = qint64(b.u32(at)) * 2;
        const quint16 function = b.u16(at + 4);
        if (bytes < 6 || !b.has(at, bytes) || function == 0)
            return std::nullopt;
        if (function == setWindowOrg && bytes >= 10)
            origin = QPointF(b.i16(at + 8), b.i16(at + 6));
        if (function == setWindowExt && bytes >= 10)
            return QRectF(origin, QSizeF(b.i16(at + 8), b.i16(at + 6)));
        at += bytes;
    }
    return std::nullopt;
}

} // namespace

// A placeable header gives the picture's rectangle in logical units and how many of them make an
// inch; shown at 96 DPI. Without one, the picture is its first window, one logical unit a pixel.
std::optional<WmfHeader> readWmfHeader(const Bytes& b) {
    WmfHeader header;
    const bool placeable = b.u32(0) == placeableKey;
    const qint64 h = placeable ? U_SIZE_WMRPLACEABLE : 0;
    const quint16 type = b.u16(h);
    const quint16 headerWords = b.u16(h + 2);
    const quint16 version = b.u16(h + 4);
    header.objects = b.u16(h + 10);
    header.firstRecord = h + U_SIZE_WMRHEADER;
    if (!b.ok() || (type != 1 && type != 2) || headerWords != U_SIZE_WMRHEADER / 2 ||
        (version != 0x0100 && version != 0x0300))
        return std::nullopt;

    double width = 0;
    double height = 0;
    if (placeable) {
        const double left = b.i16(6);
        const double top = b.i16(8);
        const double right = b.i16(10);
        const double bottom = b.i16(12);
        const double inch = b.u16(14) ? b.u16(14) : defaultUnitsPerInch;
        header.window = QRectF(left, top, right - left, bottom - top);
        width = std::round(std::abs(right - left) * screenDpi / inch);
        height = std::round(std::abs(bottom - top) * screenDpi / inch);
    } else {
        const std::optional<QRectF> window = firstWindow(b, header.firstRecord);
        if (!window)
            return std::nullopt;
        header.window = *window;
        width = std::abs(window->width());
        height = std::abs(window->height());
    }
    if (!b.ok() || header.window.width() == 0 || header.window.height() == 0 || width < 1 || height < 1 ||
        width > limits::maxSide || height > limits::maxSide)
        return std::nullopt;
    header.size = QSize(int(width), int(height));
    return header;
}

} // namespace metafile
