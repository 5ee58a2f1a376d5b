#pragma once

#include <QByteArrayView>
#include <QImage>
#include <QSize>
#include <optional>

// Enhanced (EMF) and Windows (WMF) metafile pictures, which Qt does not read: parsed with libuemf's
// definitions and checks, drawn by this library's own GDI player through QPainter.
namespace metafile {

enum class Kind { Emf, Wmf };

// The picture's natural size in pixels from the header alone (nothing drawn); nullopt when the
// bytes are not a well-formed header of that kind.
std::optional<QSize> pictureSize(QByteArrayView bytes, Kind kind);

// Renders the picture at its natural size, or only its top-left `corner` when given (the image is
// then corner ∩ natural size; records are still parsed but drawing is clipped so that it is fast).
// `maxPixels` bounds the image drawn, not the picture's frame. A null QImage only for a header
// that is not one or an image over `maxPixels`: damaged records are left out and a file cut short
// keeps what comes before the cut. The background is white, as on a page. Text is drawn only while
// a QGuiApplication exists.
QImage render(QByteArrayView bytes, Kind kind, QSize corner = {}, qint64 maxPixels = 100'000'000);

// Renders the whole picture, scaled down (never up) as far as its image needs to stay within
// `maxPixels`: a picture within the limit comes at its natural size, as from `render`. A null QImage
// only for a header that is not one.
QImage renderToFit(QByteArrayView bytes, Kind kind, qint64 maxPixels = 100'000'000);

// A picture inside another (an image of an EMF+ record): the whole picture stretched onto an image
// of `size` on a transparent background, with at most `budget` units of drawing work, from which the
// work done is taken. A null QImage only for a header that is not one.
QImage renderEmbedded(QByteArrayView bytes, Kind kind, QSize size, qint64& budget);

// The players leave out the records that only draw, and only outside the image: the corner of a large
// picture then costs little more than reading its records' sizes. A test turns this off to show that
// the pictures stay the same.
void skipRecordsOutside(bool skip);
bool skippingRecordsOutside();

} // namespace metafile
