#pragma once

#include <QImage>
#include <QSize>
#include <QString>

class QImageReader;

// The largest picture the program decodes whole: 100 million pixels, about 400 MB at four bytes a
// pixel. The size in a picture's header is checked before a pixel is decoded, since a crafted file
// can claim any size.
namespace platform::picturelimit {

inline constexpr qint64 maxPixels = 100'000'000;

// True when a picture of `size` may be decoded whole; an unknown size is left to the decoder.
bool allows(const QSize& size);

// Decodes the picture `reader` stands on, whole, when its header's size allows it; null otherwise.
// Qt's own allocation limit (128 MB) would refuse pictures well below the limit above: the reader is
// given room for the largest picture allowed.
QImage readWhole(QImageReader& reader);

// What the user is told about a picture of `size` that is over the limit.
QString tooLargeText(const QSize& size);

} // namespace platform::picturelimit
