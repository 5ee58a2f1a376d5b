#pragma once

#include "codecs/metafile/Bytes.h"

#include <QSize>
#include <QTransform>
#include <optional>

namespace metafile {

// What the EMF header record tells before anything is drawn.
struct EmfHeader {
    QSize size;               // natural size in pixels at 96 DPI
    QTransform deviceToImage; // reference device units to those pixels
    QSizeF devicePerMm;       // reference device pixels per millimetre
    quint32 handles = 0;      // slots of the object table
    qint64 headerBytes = 0;   // where the first record after the header starts
};

// Nothing when `bytes` does not start with a well-formed EMR_HEADER.
std::optional<EmfHeader> readEmfHeader(const Bytes& bytes);

} // namespace metafile
