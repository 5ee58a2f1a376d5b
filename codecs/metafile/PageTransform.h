#pragma once

#include "codecs/metafile/Canvas.h"

namespace metafile {

// The page part of the mapping: logical units to device units (EMF) or to image pixels (WMF), from
// the map mode, the window and the viewport.
QTransform pageTransform(const DcState& dc, const Mapping& mapping);

// Guards against values a crafted file uses to overflow or to make the mapping singular.
bool saneCoordinate(double value);
bool saneExtent(QSizeF extent);
bool saneTransform(const QTransform& transform);

} // namespace metafile
