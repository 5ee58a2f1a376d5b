#include "codecs/metafile/WmfPlayer.h"

#include "codecs/metafile/Limits.h"

#include <uwmf.h>

namespace metafile {

namespace {

// Writers are known to leave the header's object count short (libuemf's own writes 0 without its
// handle table); a small table is allowed whatever the count says. Valid files number their objects
// the same either way, as each takes the lowest free slot.
constexpr quint32 minimumObjects = 32;

} // namespace

WmfPlayer::WmfPlayer(Canvas& canvas, const WmfHeader& header)
    : canvas_(canvas), header_(header), objects_(std::max(header.objects, minimumObjects)) {}

void WmfPlayer::play(const Bytes& file) {
    qint64 at = header_.firstRecord;
    const char* end = file.data() + file.size();
    for (qint64 count = 0; at < file.size() && count < limits::maxRecords; ++count) {
        const qint64 bytes = qint64(file.u32(at)) * 2;
        const quint16 function = file.u16(at + 4);
        // A size that does not lead to the next record ends the picture, keeping what is drawn.
        if (!file.ok() || bytes < 6 || !file.has(at, bytes) || function == 0) // 0: EOF
            return;
        // A record that contradicts itself is left out; the records around it are drawn.
        if (U_WMRRECSAFE_get(file.data() + at, end) != 0)
            record(function, file.sub(at, bytes));
        at += bytes;
    }
}

void WmfPlayer::record(quint16 function, const Bytes& r) {
    canvas_.spend(1);
    bool handled = false;
    // Each group tells whether the function is its own; one that finds the record unsound draws
    // nothing of it.
    using Group = bool (WmfPlayer::*)(quint16, const Bytes&, bool&);
    for (const Group group : {&WmfPlayer::stateRecord, &WmfPlayer::objectRecord, &WmfPlayer::drawingRecord,
                              &WmfPlayer::bitmapRecord, &WmfPlayer::textRecord, &WmfPlayer::regionRecord}) {
        (this->*group)(function, r, handled);
        if (handled)
            return;
    }
}

bool WmfPlayer::stateRecord(quint16 function, const Bytes& r, bool& handled) {
    handled = true;
    // Coordinate pairs come y first.
    const auto pointAt = [&](qint64 at) { return QPointF(r.i16(at + 2), r.i16(at)); };
    const auto sizeAt = [&](qint64 at) { return QSizeF(r.i16(at + 2), r.i16(at)); };
    const auto rectAt = [&](qint64 at) { // bottom, right, top, left
        return QRectF(QPointF(r.i16(at + 6), r.i16(at + 4)), QPointF(r.i16(at + 2), r.i16(at)));
    };
    switch (function) {
    case 0x0201:
        canvas_.dc().backgroundColor = colorRef(r.u32(6));
        break;
    case 0x0209:
        canvas_.dc().textColor = colorRef(r.u32(6));
        break;
    case 0x0102:
        canvas_.dc().opaqueBackground = r.u16(6) == 2;
        break;
    case 0x0103:
        canvas_.setMapMode(r.u16(6));
        break;
    case 0x0106:
        canvas_.dc().fillRule = r.u16(6) == 2 ? Qt::WindingFill : Qt::OddEvenFill;
        break;
    case 0x012E:
        canvas_.dc().textAlign = r.u16(6);
        break;
    case 0x020B:
        canvas_.setWindowOrigin(pointAt(6));
        break;
    case 0x020C:
        canvas_.setWindowExtent(sizeAt(6));
        break;
    case 0x020D:
        canvas_.setViewportOrigin(pointAt(6));
        break;
    case 0x020E:
        canvas_.setViewportExtent(sizeAt(6));
        break;
    case 0x020F:
        canvas_.offsetWindowOrigin(pointAt(6));
        break;
    case 0x0211:
        canvas_.offsetViewportOrigin(pointAt(6));
        break;
    case 0x0410:
        canvas_.scaleWindowExtent(r.i16(12), r.i16(10), r.i16(8), r.i16(6));
        break;
    case 0x0412:
        canvas_.scaleViewportExtent(r.i16(12), r.i16(10), r.i16(8), r.i16(6));
        break;
    case 0x0214:
        canvas_.moveTo(pointAt(6));
        break;
    case 0x0415:
        canvas_.excludeClip(rectAt(6));
        break;
    case 0x0416:
        canvas_.intersectClip(rectAt(6));
        break;
    case 0x001E:
        canvas_.save();
        break;
    case 0x0127:
        canvas_.restore(r.i16(6));
        break;
    default:
        handled = false;
        break;
    }
    return true;
}

} // namespace metafile
