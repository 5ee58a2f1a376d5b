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
// The memory needed is a few rows of the picture, whatever its height: a picture may be as high as
// its header allows, and as wide as the decoder's own limit of 1 000 000 pixels a row (which bounds a
// row to 8 MB).
//
// nullopt for an interlaced PNG, whose every pass spans all rows: the caller decodes it whole. A
// null image when the file is not a whole PNG, or is wider than that limit.
std::optional<QImage> readPngCorner(const QString& path, QSize corner);

// The widest PNG row the corner reader takes.
inline constexpr quint32 maxPngCornerWidth = 1'000'000;

} // namespace codecs
