#pragma once

#include <QString>

namespace codecs {

// True when the JPEG file at `path` is sequential and holds all its components in its one scan, as
// cameras and most programs write them: the decoder then works down the picture one row of blocks
// at a time, so that the rows of a top-left corner are decoded, and the reading stopped below them,
// in memory that grows with the width only. A progressive file, or one whose components come in
// scans of their own, is buffered whole by the decoder before the first row comes out.
//
// Only the markers before the first scan are read; false for a file that is not a JPEG or ends first.
bool decodesTopDown(const QString& path);

} // namespace codecs
