#pragma once

#include <QImage>
#include <QSize>
#include <QString>
#include <optional>

namespace codecs {

// The top-left `corner` of the PNG picture at `path`, decoding only the rows the corner shows: a
// PNG stores its rows top to bottom, so a display of the corner can stop reading below it. The
// file's chunks are walked first (lengths only, without inflating), so that a truncated file is
// refused as a whole decoder would refuse it.
//
// nullopt for an interlaced PNG, whose every pass spans all rows: the caller decodes it whole. A
// null image when the file is not a whole PNG, or claims more than `maxPixels`.
std::optional<QImage> readPngCorner(const QString& path, QSize corner, qint64 maxPixels);

} // namespace codecs
