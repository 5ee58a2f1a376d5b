#pragma once

#include "codecs/metafile/Bytes.h"
#include "codecs/metafile/Canvas.h"
#include "codecs/metafile/EmfHeader.h"

#include <memory>
#include <vector>

namespace metafile {

class EmfPlusPlayer;

// Plays the records of an EMF onto a canvas. Every record is checked before use: its size against
// the file, libuemf's per-record safety check, then each field read through bounds-checked views.
// Unknown records and records that contradict themselves are skipped; a record size that leaves the
// file ends the picture, keeping what is drawn.
// Comments go to the EMF+ player, and GDI records that EMF+ records stand in for are not read at all.
class EmfPlayer {
public:
    EmfPlayer(Canvas& canvas, const EmfHeader& header);
    ~EmfPlayer();

    // `file` must have a few readable bytes past its end (the safety checks of libuemf look at a
    // record's fixed part before its size).
    void play(const Bytes& file);

private:
    void record(quint32 type, const Bytes& r);
    bool stateRecord(quint32 type, const Bytes& r, bool& handled);
    bool objectRecord(quint32 type, const Bytes& r, bool& handled);
    bool shapeRecord(quint32 type, const Bytes& r, bool& handled);
    bool pointsRecord(quint32 type, const Bytes& r, bool& handled);
    bool bitmapRecord(quint32 type, const Bytes& r, bool& handled);
    bool textRecord(quint32 type, const Bytes& r, bool& handled);
    bool emrText(const Bytes& r, qint64 at, bool wide, bool rectAlways);
    // Whether the record only draws, and only outside the image: it is then left unread.
    bool missesImage(quint32 type, const Bytes& r);
    bool textMissesImage(const Bytes& r, bool wide);
    void select(quint32 index);
    // The object an index names: a stock object (its high bit set) or a slot of the table.
    std::optional<GdiObject> objectAt(quint32 index) const;
    std::optional<QBrush> brushAt(quint32 index) const;

    Canvas& canvas_;
    EmfHeader header_;
    ObjectTable objects_;
    qint64 firstRecord_; // the header's end
    bool skipOutside_;   // records that draw only outside the image are left unread
    // The EMF+ records of the comments, once the first of them comes.
    std::unique_ptr<EmfPlusPlayer> emfPlus_;
};

// The points of a record: `count` pairs of 16- or 32-bit coordinates at `offset`. Nothing when they
// do not all lie inside the record.
std::optional<QPolygonF> readPoints(const Bytes& r, qint64 offset, qint64 count, bool wide);
QRectF readRectL(const Bytes& r, qint64 offset);
// The rectangles of an RGNDATA at `offset`; nothing when they leave the record.
std::optional<std::vector<QRectF>> readRegion(const Bytes& r, qint64 offset);

} // namespace metafile
