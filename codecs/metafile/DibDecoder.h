#pragma once

#include "codecs/metafile/Bytes.h"

#include <QImage>
#include <QRectF>

namespace metafile {

struct Dib {
    QImage image;           // null when the bitmap is of a kind not drawn here
    bool malformed = false; // the bitmap contradicts its record: the picture is corrupt
    bool bottomUp = false;  // the file's rows run from the bottom (source rectangles count from there)
};

// Decodes a device-independent bitmap: the BITMAPINFO (or BITMAPCOREINFO) in `info` and the pixel
// rows in `bits`. 1, 4, 8, 16, 24 and 32 bits per pixel, with their colour tables (`usage`
// DIB_PAL_COLORS: indices into GDI's default palette) and, for 16 and 32 bits, BI_BITFIELDS masks;
// 8- and 4-bit run-length encoding. A colour table cut short is made up with black. JPEG and PNG
// inside a DIB are left undrawn. Malformed: a header that is not one, dimensions above
// `limits::maxDibPixels`, or uncompressed rows not wholly inside the bytes. `keepAlpha`: a 32-bit
// bitmap keeps its alpha byte (premultiplied), for ALPHABLEND.
Dib decodeDib(const Bytes& info, const Bytes& bits, quint32 usage = 0, bool keepAlpha = false);

// A packed DIB (WMF bitmaps and pattern brushes): the BITMAPINFO directly followed by the pixels.
Dib decodePackedDib(const Bytes& packed, quint32 usage = 0);

// The DIB of an EMF record: BITMAPINFO and bits at offsets from the record's start. Malformed when
// either leaves the record.
Dib decodeRecordDib(const Bytes& record, quint32 offBmi, quint32 cbBmi, quint32 offBits, quint32 cbBits,
                    quint32 usage, bool keepAlpha = false);

// A bitmap record's source rectangle in the decoded (top-down) image: for a bottom-up bitmap the
// file counts its y from the bottom row.
QRectF dibSource(const Dib& dib, QPointF at, QSizeF size);

} // namespace metafile
