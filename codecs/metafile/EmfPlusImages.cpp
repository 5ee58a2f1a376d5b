#include "codecs/metafile/Canvas.h"
#include "codecs/metafile/EmfPlusPlayer.h"
#include "codecs/metafile/EmfPlusReader.h"
#include "codecs/metafile/EmfPlusRecords.h"
#include "codecs/metafile/Limits.h"
#include "codecs/metafile/MetafileImage.h"
#include "codecs/metafile/PageTransform.h"

#include <QBuffer>
#include <QImageReader>
#include <QPainter>
#include <QtEndian>
#include <cmath>

namespace metafile {

using namespace emfplus;

namespace {

// An embedded picture drawn larger than this is drawn from a smaller rendering, stretched.
constexpr qint64 maxEmbeddedPixels = 4'000'000;
// Pictures in pictures in pictures are not drawn: each level costs an image of its own.
constexpr int maxNesting = 2;
thread_local int nesting = 0;

enum PixelFormat : quint32 {
    Indexed1 = 0x00030101,
    Indexed4 = 0x00030402,
    Indexed8 = 0x00030803,
    Gray16 = 0x00101004,
    Rgb555 = 0x00021005,
    Rgb565 = 0x00021006,
    Argb1555 = 0x00061007,
    Rgb24 = 0x00021808,
    Rgb32 = 0x00022009,
    Argb32 = 0x0026200A,
    Pargb32 = 0x000E200B,
    Rgb48 = 0x0010300C,
    Argb64 = 0x0034400D,
    Pargb64 = 0x001A400E,
};

int scale5(int v) {
    return (v << 3) | (v >> 2);
}

// One pixel of a row in the given format; `palette` for the indexed ones.
QRgb pixelAt(const uchar* row, qint64 x, quint32 format, const QList<QRgb>& palette) {
    const auto indexed = [&](int index) { return index < palette.size() ? palette[index] : qRgb(0, 0, 0); };
    const auto u16 = [&](qint64 at) { return int(qFromLittleEndian<quint16>(row + at)); };
    switch (format) {
    case Indexed1:
        return indexed((row[x / 8] >> (7 - x % 8)) & 1);
    case Indexed4:
        return indexed((row[x / 2] >> (x % 2 ? 0 : 4)) & 0xF);
    case Indexed8:
        return indexed(row[x]);
    case Gray16: {
        const int grey = u16(2 * x) >> 8;
        return qRgb(grey, grey, grey);
    }
    case Rgb555:
    case Argb1555: {
        const int v = u16(2 * x);
        const int alpha = format == Argb1555 && !(v & 0x8000) ? 0 : 255;
        return qRgba(scale5((v >> 10) & 31), scale5((v >> 5) & 31), scale5(v & 31), alpha);
    }
    case Rgb565: {
        const int v = u16(2 * x);
        return qRgb(scale5(v >> 11), ((v >> 5) & 63) << 2 | ((v >> 9) & 3), scale5(v & 31));
    }
    case Rgb24:
        return qRgb(row[3 * x + 2], row[3 * x + 1], row[3 * x]);
    case Rgb32:
        return qRgb(row[4 * x + 2], row[4 * x + 1], row[4 * x]);
    case Argb32:
    case Pargb32:
        return qRgba(row[4 * x + 2], row[4 * x + 1], row[4 * x], row[4 * x + 3]);
    case Rgb48:
        return qRgb(row[6 * x + 5], row[6 * x + 3], row[6 * x + 1]);
    default: // 64 bits: the high byte of each 16-bit channel
        return qRgba(row[8 * x + 5], row[8 * x + 3], row[8 * x + 1], row[8 * x + 7]);
    }
}

// Rows from the top, `stride` bytes apart (a negative stride: from the bottom); indexed formats have
// their palette first.
QImage decodePixels(qint64 width, qint64 height, qint64 stride, quint32 format, Reader& in) {
    static constexpr quint32 formats[] = {Indexed1, Indexed4, Indexed8, Gray16,  Rgb555, Rgb565, Argb1555,
                                          Rgb24,    Rgb32,    Argb32,   Pargb32, Rgb48,  Argb64, Pargb64};
    if (std::find(std::begin(formats), std::end(formats), format) == std::end(formats) || width <= 0 ||
        height <= 0 || width > limits::maxDibPixels / height)
        return {};
    QList<QRgb> palette;
    if (format & 0x00010000) {
        in.skip(4);
        const qint64 colours = in.u32();
        if (colours > 256 || !in.has(colours, 4))
            return {};
        for (qint64 i = 0; i < colours; ++i)
            palette.append(in.argb().rgba());
    }
    const qint64 bits = (format >> 8) & 0xFF;
    const qint64 rowBytes = (width * bits + 7) / 8;
    const qint64 step = std::abs(stride);
    if (step < rowBytes || !in.has(height, step))
        return {};
    const Bytes rows = in.take(step * height);
    QImage image(int(width), int(height),
                 format == Pargb32 || format == Pargb64 ? QImage::Format_ARGB32_Premultiplied
                                                        : QImage::Format_ARGB32);
    if (image.isNull())
        return {};
    for (qint64 y = 0; y < height; ++y) {
        const auto* row =
            reinterpret_cast<const uchar*>(rows.data()) + (stride >= 0 ? y : height - 1 - y) * step;
        auto* out = reinterpret_cast<QRgb*>(image.scanLine(int(y)));
        for (qint64 x = 0; x < width; ++x)
            out[x] = pixelAt(row, x, format, palette);
    }
    return image;
}

// A PNG, JPEG, GIF, BMP or TIFF file.
QImage decodeCompressed(const Bytes& data) {
    QByteArray bytes = QByteArray::fromRawData(data.data(), data.size());
    QBuffer buffer(&bytes);
    if (!buffer.open(QIODevice::ReadOnly))
        return {};
    QImageReader reader(&buffer);
    reader.setAllocationLimit(int(limits::maxDibPixels * 4 / (1024 * 1024)));
    const QSize size = reader.size();
    if (size.isValid() && qint64(size.width()) * size.height() > limits::maxDibPixels)
        return {};
    return reader.read();
}

} // namespace

namespace emfplus {

std::optional<Image> readImage(const Bytes& data) {
    Reader in(data);
    if (!in.version())
        return std::nullopt;
    Image image;
    const quint32 type = in.u32();
    if (type == 1) { // bitmap
        const qint64 width = in.i32();
        const qint64 height = in.i32();
        const qint64 stride = in.i32();
        const quint32 format = in.u32();
        const bool compressed = in.u32() == 1;
        if (!in.ok())
            return std::nullopt;
        image.bitmap = compressed ? decodeCompressed(in.take(in.left()))
                                  : decodePixels(width, height, stride, format, in);
        if (image.bitmap.isNull())
            return std::nullopt;
        image.size = image.bitmap.size();
        return image;
    }
    if (type == 2) { // metafile: WMF (1), placeable WMF (2), EMF (3), EMF+ (4), dual EMF+ (5)
        const quint32 kind = in.u32();
        in.skip(4); // its size, which GDI+ gives without the placeable header of a WMF
        const Bytes bytes = in.take(in.left());
        if (!in.ok() || kind < 1 || kind > 5)
            return std::nullopt;
        image.metafileIsWmf = kind <= 2;
        image.metafile = QByteArray(bytes.data(), bytes.size());
        // GDI+ pads the 22-byte placeable header to 24 bytes.
        constexpr qsizetype placeable = 22;
        if (kind == 2 && bytes.u16(placeable) == 0 && bytes.u16(placeable + 4) == 9)
            image.metafile.remove(placeable, 2);
        const std::optional<QSize> size =
            pictureSize(image.metafile, image.metafileIsWmf ? Kind::Wmf : Kind::Emf);
        if (!size)
            return std::nullopt;
        image.size = *size;
        return image;
    }
    return std::nullopt;
}

} // namespace emfplus

// A bitmap's source rectangle (in its pixels) goes onto the destination parallelogram; the part of
// the source outside the bitmap is left out, and the destination shrinks with it. A metafile goes onto
// the destination whole: its source rectangle is in units of its own that GDI+ does not tell.
bool EmfPlusPlayer::imageRecord(quint16 type, quint16 flags, Reader& in) {
    if (type != RecordDrawImage && type != RecordDrawImagePoints)
        return false;
    in.skip(8); // image attributes, source unit (pixels)
    const QRectF source = in.rect();
    QPolygonF corners; // upper left, upper right, lower left
    if (type == RecordDrawImage) {
        const QRectF target = in.rect(flags & flagCompressed);
        corners = {target.topLeft(), target.topRight(), target.bottomLeft()};
    } else if (in.u32() == 3) {
        corners = in.points(3, flags);
    }
    const Image* image = objects_.get<Image>(flags & 0xFF);
    if (!in.ok() || corners.size() != 3 || !image || !(source.width() > 0 && source.height() > 0))
        return true;
    const QPointF across = corners[1] - corners[0];
    const QPointF down = corners[2] - corners[0];
    const QTransform toImage =
        QTransform(across.x(), across.y(), down.x(), down.y(), corners[0].x(), corners[0].y()) *
        worldToImage();
    if (!saneTransform(toImage))
        return true;
    QImage bitmap = image->bitmap;
    QRectF unitPart(0, 0, 1, 1);
    QRectF from(QPointF(), QSizeF(image->size));
    if (image->metafile.isEmpty()) {
        from = source.intersected(from);
        if (from.isEmpty())
            return true;
        unitPart = QRectF((from.x() - source.x()) / source.width(), (from.y() - source.y()) / source.height(),
                          from.width() / source.width(), from.height() / source.height());
    } else {
        bitmap = drawnMetafile(*image, toImage.mapRect(unitPart).size().toSize());
        from = QRectF(bitmap.rect());
    }
    if (bitmap.isNull())
        return true;
    // A transformed bitmap costs some nanoseconds a pixel it covers, and its source pixels are read.
    const QRectF covered = toImage.mapRect(unitPart).intersected(QRectF(QPointF(), canvas_.imageSize()));
    const qint64 work =
        qint64(covered.width() * covered.height()) * 10 + qint64(from.width() * from.height());
    paint(
        toImage.mapRect(unitPart), work, toImage,
        [&](QPainter& painter) { painter.drawImage(unitPart, bitmap, from); }, state_.antialias);
    return true;
}

// Drawn at about the size it takes in the image, so that its lines and text stay sharp, out of what
// is left of the work budget. The last rendering is kept for the next drawing of the same picture at
// the same size.
QImage EmfPlusPlayer::drawnMetafile(const Image& image, QSize onImage) {
    if (nesting >= maxNesting || canvas_.exhausted())
        return {};
    const double full = std::max(1.0, double(onImage.width())) * std::max(1.0, double(onImage.height()));
    const double shrink = std::min(1.0, std::sqrt(maxEmbeddedPixels / full));
    const QSize size(std::max(1, int(std::lround(onImage.width() * shrink))),
                     std::max(1, int(std::lround(onImage.height() * shrink))));
    if (lastMetafile_.size == size && lastMetafile_.bytes == image.metafile)
        return lastMetafile_.image;
    qint64 budget = canvas_.budgetLeft();
    ++nesting;
    const QImage drawn =
        renderEmbedded(image.metafile, image.metafileIsWmf ? Kind::Wmf : Kind::Emf, size, budget);
    --nesting;
    canvas_.spend(canvas_.budgetLeft() - budget + qint64(size.width()) * size.height());
    lastMetafile_ = {image.metafile, size, drawn};
    return drawn;
}

} // namespace metafile
