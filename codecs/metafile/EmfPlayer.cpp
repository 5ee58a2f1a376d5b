#include "codecs/metafile/EmfPlayer.h"

#include "codecs/metafile/EmfPlusPlayer.h"
#include "codecs/metafile/Limits.h"
#include "codecs/metafile/MetafileImage.h"

#include <uemf.h>
#include <uemf_safe.h>

namespace metafile {

EmfPlayer::EmfPlayer(Canvas& canvas, const EmfHeader& header)
    : canvas_(canvas), header_(header), objects_(header.handles == 0 ? limits::maxObjects : header.handles),
      firstRecord_(header.headerBytes), skipOutside_(skippingRecordsOutside()) {}

EmfPlayer::~EmfPlayer() = default;

void EmfPlayer::play(const Bytes& file) {
    qint64 at = firstRecord_;
    for (qint64 count = 0; at < file.size() && count < limits::maxRecords; ++count) {
        const quint32 type = file.u32(at);
        const quint32 size = file.u32(at + 4);
        // A size that does not lead to the next record ends the picture: nothing after it can be
        // found again. What is drawn so far stands.
        if (!file.ok() || size < 8 || size % 4 != 0 || !file.has(at, size) || type == U_EMR_EOF)
            return;
        record(type, file.sub(at, size));
        at += size;
    }
}

// A record that contradicts itself (a count past its end, a bitmap outside it) is left out, as a
// damaged record is by other readers; the records around it are drawn.
void EmfPlayer::record(quint32 type, const Bytes& r) {
    canvas_.spend(1);
    if (type == U_EMR_COMMENT) {
        if (!emfPlus_)
            emfPlus_ = std::make_unique<EmfPlusPlayer>(canvas_, header_);
        emfPlus_->comment(r);
        return;
    }
    if (emfPlus_ && !emfPlus_->drawsGdi())
        return; // the EMF+ records draw this part of the picture
    if (skipOutside_ && missesImage(type, r))
        return;
    bool handled = false;
    // libuemf knows the fixed part and the counted arrays of every record type up to here.
    if (type <= U_EMR_CREATECOLORSPACEW && type != U_EMR_HEADER) {
        switch (type) {
        case U_EMR_GLSRECORD:
        case U_EMR_GLSBOUNDEDRECORD:
        case U_EMR_DRAWESCAPE:
        case U_EMR_EXTESCAPE:
        case U_EMR_NAMEDESCAPE:
            return;
        case U_EMR_SMALLTEXTOUT: // libuemf's check wants the rectangle that ETO_NO_RECT leaves out
            break;
        default:
            if (!U_emf_record_safe(r.data()))
                return;
        }
    } else {
        return; // unknown records are skipped
    }
    // Each group tells whether the type is its own; one that finds the record unsound draws nothing
    // of it, and the player goes on with the next record either way.
    using Group = bool (EmfPlayer::*)(quint32, const Bytes&, bool&);
    for (const Group group : {&EmfPlayer::stateRecord, &EmfPlayer::objectRecord, &EmfPlayer::shapeRecord,
                              &EmfPlayer::pointsRecord, &EmfPlayer::bitmapRecord, &EmfPlayer::textRecord}) {
        (this->*group)(type, r, handled);
        if (handled)
            return;
    }
}

bool EmfPlayer::stateRecord(quint32 type, const Bytes& r, bool& handled) {
    handled = true;
    const auto pointAt = [&](qint64 at) { return QPointF(r.i32(at), r.i32(at + 4)); };
    const auto sizeAt = [&](qint64 at) { return QSizeF(r.i32(at), r.i32(at + 4)); };
    switch (type) {
    case U_EMR_SETWINDOWEXTEX:
        canvas_.setWindowExtent(sizeAt(8));
        break;
    case U_EMR_SETWINDOWORGEX:
        canvas_.setWindowOrigin(pointAt(8));
        break;
    case U_EMR_SETVIEWPORTEXTEX:
        canvas_.setViewportExtent(sizeAt(8));
        break;
    case U_EMR_SETVIEWPORTORGEX:
        canvas_.setViewportOrigin(pointAt(8));
        break;
    case U_EMR_SCALEVIEWPORTEXTEX:
        canvas_.scaleViewportExtent(r.i32(8), r.i32(12), r.i32(16), r.i32(20));
        break;
    case U_EMR_SCALEWINDOWEXTEX:
        canvas_.scaleWindowExtent(r.i32(8), r.i32(12), r.i32(16), r.i32(20));
        break;
    case U_EMR_SETMAPMODE:
        canvas_.setMapMode(int(r.u32(8) & 0xFF));
        break;
    case U_EMR_SETBKMODE:
        canvas_.dc().opaqueBackground = r.u32(8) == U_OPAQUE;
        break;
    case U_EMR_SETPOLYFILLMODE:
        canvas_.dc().fillRule = r.u32(8) == U_WINDING ? Qt::WindingFill : Qt::OddEvenFill;
        break;
    case U_EMR_SETTEXTALIGN:
        canvas_.dc().textAlign = r.u32(8);
        break;
    case U_EMR_SETTEXTCOLOR:
        canvas_.dc().textColor = colorRef(r.u32(8));
        break;
    case U_EMR_SETBKCOLOR:
        canvas_.dc().backgroundColor = colorRef(r.u32(8));
        break;
    case U_EMR_SETARCDIRECTION:
        canvas_.dc().clockwiseArcs = r.u32(8) == U_AD_CLOCKWISE;
        break;
    case U_EMR_MOVETOEX:
        canvas_.moveTo(pointAt(8));
        break;
    case U_EMR_INTERSECTCLIPRECT:
        canvas_.intersectClip(readRectL(r, 8));
        break;
    case U_EMR_EXCLUDECLIPRECT:
        canvas_.excludeClip(readRectL(r, 8));
        break;
    case U_EMR_EXTSELECTCLIPRGN: { // the region in device units
        const std::optional<std::vector<QRectF>> rects =
            r.u32(8) == 0 ? std::vector<QRectF>() : readRegion(r, 16);
        if (!rects)
            return false;
        std::optional<QPainterPath> area;
        if (!rects->empty() || r.u32(8) != 0) {
            QPainterPath path;
            for (const QRectF& rect : *rects)
                path.addRect(rect);
            area = canvas_.deviceToImage().map(path);
        }
        canvas_.combineClip(area, r.u32(12));
        break;
    }
    case U_EMR_SELECTCLIPPATH:
        canvas_.selectClipPath(r.u32(8));
        break;
    case U_EMR_FILLRGN: { // the brush, then the region in logical units
        const std::optional<std::vector<QRectF>> rects = readRegion(r, 32);
        if (!rects)
            return false;
        if (const std::optional<QBrush> brush = brushAt(r.u32(28)))
            canvas_.fillRects(*rects, *brush);
        break;
    }
    case U_EMR_PAINTRGN:
    case U_EMR_INVERTRGN: {
        const std::optional<std::vector<QRectF>> rects = readRegion(r, 28);
        if (!rects)
            return false;
        if (type == U_EMR_PAINTRGN)
            canvas_.fillRects(*rects, canvas_.dc().brush);
        else
            canvas_.invertRects(*rects);
        break;
    }
    case U_EMR_FRAMERGN: { // the brush, the strokes' width and height, then the region
        const std::optional<std::vector<QRectF>> rects = readRegion(r, 40);
        if (!rects)
            return false;
        if (const std::optional<QBrush> brush = brushAt(r.u32(28)))
            canvas_.frameRects(*rects, *brush, sizeAt(32));
        break;
    }
    case U_EMR_OFFSETCLIPRGN:
        canvas_.offsetClip(pointAt(8));
        break;
    case U_EMR_SAVEDC:
        canvas_.save();
        break;
    case U_EMR_RESTOREDC:
        canvas_.restore(r.i32(8));
        break;
    case U_EMR_SETWORLDTRANSFORM:
    case U_EMR_MODIFYWORLDTRANSFORM: {
        const QTransform xform(r.f32(8), r.f32(12), r.f32(16), r.f32(20), r.f32(24), r.f32(28));
        if (type == U_EMR_SETWORLDTRANSFORM)
            canvas_.setWorldTransform(xform);
        else
            canvas_.modifyWorldTransform(xform, r.u32(32));
        break;
    }
    case U_EMR_BEGINPATH:
        canvas_.beginPath();
        break;
    case U_EMR_ENDPATH:
        canvas_.endPath();
        break;
    case U_EMR_ABORTPATH:
        canvas_.abortPath();
        break;
    case U_EMR_CLOSEFIGURE:
        canvas_.closeFigure();
        break;
    case U_EMR_STROKEPATH:
        canvas_.strokePath();
        break;
    case U_EMR_FILLPATH:
        canvas_.fillPath();
        break;
    case U_EMR_STROKEANDFILLPATH:
        canvas_.strokeAndFillPath();
        break;
    case U_EMR_SETPIXELV:
        canvas_.setPixel(pointAt(8), colorRef(r.u32(16)));
        break;
    default:
        handled = false;
        break;
    }
    return r.ok();
}

std::optional<std::vector<QRectF>> readRegion(const Bytes& r, qint64 at) {
    // RGNDATAHEADER: its size, the type, the count of rectangles, their bytes, the bounds; then the
    // rectangles.
    const qint64 count = r.u32(at + 8);
    if (!r.ok() || !r.has(at + 32, count * 16))
        return std::nullopt;
    std::vector<QRectF> rects;
    rects.reserve(std::size_t(count));
    for (qint64 i = 0; i < count; ++i)
        rects.push_back(readRectL(r, at + 32 + 16 * i));
    return rects;
}

std::optional<GdiObject> EmfPlayer::objectAt(quint32 index) const {
    if (std::optional<GdiObject> stock = stockObject(index))
        return stock;
    if (const GdiObject* object = objects_.get(index))
        return *object;
    return std::nullopt;
}

std::optional<QBrush> EmfPlayer::brushAt(quint32 index) const {
    const std::optional<GdiObject> object = objectAt(index);
    const auto* brush = object ? std::get_if<QBrush>(&*object) : nullptr;
    return brush ? std::optional<QBrush>(*brush) : std::nullopt;
}

void EmfPlayer::select(quint32 index) {
    const std::optional<GdiObject> object = objectAt(index);
    if (!object)
        return;
    if (const auto* pen = std::get_if<QPen>(&*object))
        canvas_.selectPen(*pen);
    else if (const auto* brush = std::get_if<QBrush>(&*object))
        canvas_.selectBrush(*brush);
    else if (const auto* font = std::get_if<LogicalFont>(&*object))
        canvas_.selectFont(*font);
}

} // namespace metafile
