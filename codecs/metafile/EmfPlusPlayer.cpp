#include "codecs/metafile/EmfPlusPlayer.h"

#include "codecs/metafile/Canvas.h"
#include "codecs/metafile/EmfHeader.h"
#include "codecs/metafile/EmfPlusAreas.h"
#include "codecs/metafile/EmfPlusGeometry.h"
#include "codecs/metafile/EmfPlusReader.h"
#include "codecs/metafile/EmfPlusRecords.h"
#include "codecs/metafile/Limits.h"
#include "codecs/metafile/PageTransform.h"

namespace metafile {

using namespace emfplus;

namespace {

// "EMF+" at the start of a comment's data.
constexpr quint32 emfPlusSignature = 0x2B464D45;
constexpr qint64 recordHeader = 12;
// Save and container nesting.
constexpr std::size_t maxSaved = 1024;
// GDI's clip is a path that its own records combine with others; a path of this many rectangles
// still combines quickly.
constexpr int maxGdiClipRectangles = 256;

} // namespace

EmfPlusPlayer::EmfPlusPlayer(Canvas& canvas, const EmfHeader& header)
    : canvas_(canvas), deviceToImage_(header.deviceToImage) {}

EmfPlusPlayer::~EmfPlusPlayer() = default;

void EmfPlusPlayer::comment(const Bytes& record) {
    const qint64 size = record.u32(8);
    if (!record.ok() || size < 4 || !record.has(12, size) || record.u32(12) != emfPlusSignature || ignored_)
        return;
    const Bytes records = record.sub(16, size - 4);
    if (!playing_) {
        // Played only when the stream starts with its header.
        Reader in(records);
        const quint16 type = in.u16();
        in.skip(6);
        const qint64 dataSize = in.u32();
        in.skip(4); // version
        videoDevice_ = in.u32() & 1;
        const double dpiX = in.u32();
        const double dpiY = in.u32();
        if (!in.ok() || type != RecordHeader || dataSize < 16) {
            ignored_ = true;
            return;
        }
        if (dpiX > 0 && dpiY > 0 && dpiX <= limits::maxCoordinate && dpiY <= limits::maxCoordinate)
            dpi_ = QSizeF(dpiX, dpiY);
        playing_ = true;
    }
    takeBackFromGdi();
    play(records);
    if (handedToGdi_)
        handToGdi();
}

void EmfPlusPlayer::play(const Bytes& records) {
    for (qint64 at = 0; at + recordHeader <= records.size() && !canvas_.exhausted();) {
        const quint16 type = records.u16(at);
        const quint16 flags = records.u16(at + 2);
        const qint64 size = records.u32(at + 4);
        const qint64 dataSize = records.u32(at + 8);
        if (size < recordHeader || size > records.size() - at || dataSize > size - recordHeader)
            return; // the rest of this comment does not hold together
        canvas_.spend(1);
        record(type, flags, records.sub(at + recordHeader, dataSize));
        at += size;
    }
}

void EmfPlusPlayer::record(quint16 type, quint16 flags, const Bytes& data) {
    if (type == RecordObject) {
        objects_.record(flags, data);
        canvas_.spend(objects_.takeWork());
        return;
    }
    objects_.interrupt();
    canvas_.spend(objects_.takeWork());
    Reader in(data);
    (void)(stateRecord(type, flags, in) || transformRecord(type, flags, in) || clipRecord(type, flags, in) ||
           shapeRecord(type, flags, in) || curveRecord(type, flags, in) || imageRecord(type, flags, in) ||
           textRecord(type, flags, in));
}

bool EmfPlusPlayer::stateRecord(quint16 type, quint16 flags, Reader& in) {
    switch (type) {
    case RecordGetDC:
        handedToGdi_ = true;
        return true;
    case RecordSetAntiAliasMode:
        state_.antialias = flags & 1;
        return true;
    case RecordSetTextRenderingHint:
        // Single bit per pixel, with or without grid fitting, is text without anti-aliasing.
        state_.textAntialias = (flags & 0xFF) != 1 && (flags & 0xFF) != 2;
        return true;
    case RecordSetCompositingMode:
        state_.sourceCopy = (flags & 0xFF) == 1;
        return true;
    case RecordSetInterpolationMode:
        state_.smoothImages = (flags & 0xFF) != 5; // nearest neighbour
        return true;
    case RecordSave:
        if (saved_.size() < maxSaved)
            saved_.push_back({in.u32(), state_});
        return true;
    case RecordRestore:
    case RecordEndContainer:
        restore(in.u32());
        return true;
    case RecordBeginContainerNoParams:
    case RecordBeginContainer: {
        // A container maps its source rectangle onto the destination in the current world space.
        QTransform inner;
        if (type == RecordBeginContainer) {
            const QRectF target = in.rect();
            const QRectF source = in.rect();
            if (source.width() != 0 && source.height() != 0)
                inner = QTransform::fromTranslate(-source.x(), -source.y()) *
                        QTransform::fromScale(target.width() / source.width(),
                                              target.height() / source.height()) *
                        QTransform::fromTranslate(target.x(), target.y());
        }
        const quint32 id = in.u32();
        if (in.ok() && saved_.size() < maxSaved) {
            saved_.push_back({id, state_});
            if (saneTransform(inner * state_.world))
                state_.world = inner * state_.world;
        }
        return true;
    }
    default:
        return false;
    }
}

void EmfPlusPlayer::restore(quint32 id) {
    for (std::size_t i = saved_.size(); i-- > 0;) {
        if (saved_[i].id == id) {
            state_ = saved_[i].state;
            saved_.resize(i);
            return;
        }
    }
}

bool EmfPlusPlayer::transformRecord(quint16 type, quint16 flags, Reader& in) {
    // MatrixOrderAppend: the new matrix applies after the world transform; otherwise before it.
    const bool append = flags & 0x2000;
    std::optional<QTransform> next;
    QTransform change;
    switch (type) {
    case RecordSetWorldTransform:
        next = in.transform();
        break;
    case RecordResetWorldTransform:
        next = QTransform();
        break;
    case RecordMultiplyWorldTransform:
        change = in.transform();
        break;
    case RecordTranslateWorldTransform: {
        const double dx = in.coordinate();
        change = QTransform::fromTranslate(dx, in.coordinate());
        break;
    }
    case RecordScaleWorldTransform: {
        const double sx = in.coordinate();
        change = QTransform::fromScale(sx, in.coordinate());
        break;
    }
    case RecordRotateWorldTransform:
        change.rotate(in.coordinate());
        break;
    case RecordSetPageTransform: {
        const double scale = in.coordinate();
        const quint32 unit = flags & 0xFF;
        // World units cannot be a page's unit.
        if (in.ok() && scale > 0 && unit >= UnitDisplay && unit <= UnitMillimeter) {
            state_.pageUnit = unit;
            state_.pageScale = scale;
        }
        return true;
    }
    default:
        return false;
    }
    if (!next)
        next = append ? state_.world * change : change * state_.world;
    if (in.ok() && saneTransform(*next))
        state_.world = *next;
    return true;
}

bool EmfPlusPlayer::clipRecord(quint16 type, quint16 flags, Reader& in) {
    const quint32 mode = (flags >> 8) & 0xF;
    const QTransform toImage = worldToImage();
    const QSize image = canvas_.imageSize();
    qint64 work = 0;
    std::optional<QRegion> area;
    switch (type) {
    case RecordResetClip:
        state_.clip.reset();
        state_.clipWork = 0;
        return true;
    case RecordSetClipRect: {
        const QRectF rect = in.rect().normalized();
        QPainterPath outline;
        outline.addRect(rect);
        if (in.ok() && saneTransform(toImage))
            area = pixelArea(outline, toImage, image, work);
        break;
    }
    case RecordSetClipPath:
        if (const QPainterPath* path = objects_.get<QPainterPath>(flags & 0xFF);
            path && saneTransform(toImage))
            area = pixelArea(*path, toImage, image, work);
        break;
    case RecordSetClipRegion:
        if (const emfplus::Region* region = objects_.get<emfplus::Region>(flags & 0xFF);
            region && saneTransform(toImage))
            area = regionArea(*region, toImage, image, work, canvas_.budgetLeft());
        break;
    case RecordOffsetClip: {
        const double dx = in.coordinate();
        const QPointF by = toImage.map(QPointF(dx, in.coordinate())) - toImage.map(QPointF());
        if (in.ok() && state_.clip && std::abs(by.x()) < limits::maxSide &&
            std::abs(by.y()) < limits::maxSide)
            state_.clip->translate(by.toPoint());
        return true;
    }
    default:
        return false;
    }
    if (area) {
        state_.clip = combine(state_.clip.value_or(everywhere(image)), *area, mode, work);
        state_.clipWork = clipWork(*state_.clip);
    }
    canvas_.spend(work);
    return true;
}

// GDI+ lends its device context to GDI drawing with the EMF+ clip as the comment holding the GetDC
// record leaves it; what the GDI records change of the clip lasts only until EMF+ drawing resumes.
void EmfPlusPlayer::handToGdi() {
    gdiClip_ = canvas_.dc().clip;
    std::optional<QPainterPath> clip;
    if (state_.clip) {
        // GDI clips with paths: a region of very many rectangles goes over as its bounds.
        clip.emplace();
        if (state_.clip->rectCount() <= maxGdiClipRectangles)
            clip->addRegion(*state_.clip);
        else
            clip->addRect(state_.clip->boundingRect());
    }
    canvas_.setClip(clip);
}

void EmfPlusPlayer::takeBackFromGdi() {
    if (gdiClip_)
        canvas_.setClip(*gdiClip_);
    gdiClip_.reset();
    handedToGdi_ = false;
}

double EmfPlusPlayer::unitPixels(quint32 unit, bool vertical) const {
    const double dpi = vertical ? dpi_.height() : dpi_.width();
    switch (unit) {
    case UnitDisplay:
        return videoDevice_ ? 1 : dpi / 100;
    case UnitPoint:
        return dpi / 72;
    case UnitInch:
        return dpi;
    case UnitDocument:
        return dpi / 300;
    case UnitMillimeter:
        return dpi / 25.4;
    default: // world and pixel units
        return 1;
    }
}

QTransform EmfPlusPlayer::pageToDevice() const {
    return QTransform::fromScale(state_.pageScale * unitPixels(state_.pageUnit, false),
                                 state_.pageScale * unitPixels(state_.pageUnit, true));
}

QTransform EmfPlusPlayer::worldToImage() const {
    return state_.world * pageToDevice() * deviceToImage_;
}

double EmfPlusPlayer::worldLength(double length, quint32 unit) const {
    if (unit == UnitWorld)
        return length;
    return length * unitPixels(unit, true) / (state_.pageScale * unitPixels(state_.pageUnit, true));
}

} // namespace metafile
