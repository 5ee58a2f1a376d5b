#pragma once

#include "codecs/metafile/Bytes.h"
#include "codecs/metafile/Canvas.h"
#include "codecs/metafile/WmfHeader.h"

namespace metafile {

// Plays the records of a WMF onto a canvas, checking each record's size against the file (with
// libuemf's record check besides) and reading every field through bounds-checked views. Unknown
// records and records that contradict themselves are skipped; a record size that leaves the file
// ends the picture, keeping what is drawn.
class WmfPlayer {
public:
    WmfPlayer(Canvas& canvas, const WmfHeader& header);

    void play(const Bytes& file);

private:
    void record(quint16 function, const Bytes& r);
    bool stateRecord(quint16 function, const Bytes& r, bool& handled);
    bool objectRecord(quint16 function, const Bytes& r, bool& handled);
    bool drawingRecord(quint16 function, const Bytes& r, bool& handled);
    bool bitmapRecord(quint16 function, const Bytes& r, bool& handled);
    bool textRecord(quint16 function, const Bytes& r, bool& handled);
    bool regionRecord(quint16 function, const Bytes& r, bool& handled);

    Canvas& canvas_;
    const WmfHeader& header_;
    ObjectTable objects_;
};

} // namespace metafile
