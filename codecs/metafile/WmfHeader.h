#pragma once

#include "codecs/metafile/Bytes.h"

#include <QRectF>
#include <QSize>
#include <optional>

namespace metafile {

// What a WMF's headers (and, without a placeable header, its first window records) tell before
// anything is drawn.
struct WmfHeader {
    QSize size;          // natural size in pixels at 96 DPI
    QRectF window;       // the picture's logical rectangle
    quint32 objects = 0; // slots of the object table
    qint64 firstRecord = 0;
};

// Nothing when `bytes` does not start with a well-formed WMF header, or when a WMF without a
// placeable header has no SETWINDOWEXT to take its size from.
std::optional<WmfHeader> readWmfHeader(const Bytes& bytes);

} // namespace metafile
