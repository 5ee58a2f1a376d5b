#include "codecs/PngCorner.h"

#include <QFile>
#include <QtEndian>
#include <csetjmp>
#include <cstring>
#include <png.h>
#include <vector>

namespace codecs {

namespace {

constexpr char pngSignature[] = "\x89PNG\r\n\x1a\n";
constexpr qint64 signatureSize = 8;
constexpr qint64 chunkOverhead = 12; // length, type, CRC

// True when the file's chunks follow one another to an IEND chunk inside the file: what a
// truncated or cut-off file fails, without a byte of its image data being inflated.
bool chunksReachTheEnd(QFile& file) {
    const qint64 size = file.size();
    qint64 at = signatureSize;
    while (at + chunkOverhead <= size) {
        if (!file.seek(at))
            return false;
        char header[8];
        if (file.read(header, 8) != 8)
            return false;
        const qint64 length = qFromBigEndian<quint32>(header);
        if (length > 0x7fffffff)
            return false;
        if (std::memcmp(header + 4, "IEND", 4) == 0)
            return at + chunkOverhead + length <= size;
        at += chunkOverhead + length;
    }
    return false;
}

void readFromFile(png_structp png, png_bytep out, png_size_t length) {
    auto* file = static_cast<QFile*>(png_get_io_ptr(png));
    if (file->read(reinterpret_cast<char*>(out), qint64(length)) != qint64(length))
        png_error(png, "the file ends early");
}

// libpng reports errors by a long jump back into the function that set it up, skipping every frame
// between: the functions below that set the jump point hold no object with a destructor, and the
// rows are written into memory their caller owns.
void onError(png_structp png, png_const_charp) {
    png_longjmp(png, 1);
}
void onWarning(png_structp, png_const_charp) {}

struct Header {
    png_uint_32 width = 0;
    png_uint_32 height = 0;
    bool interlaced = false;
    bool alpha = false;
};

// Reads the header and sets the conversions to 8-bit RGBA; false when the header is bad.
bool readHeader(png_structp png, png_infop info, Header* header) {
    if (setjmp(png_jmpbuf(png)))
        return false;
    png_set_sig_bytes(png, int(signatureSize));
    png_read_info(png, info);
    int depth = 0;
    int colourType = 0;
    int interlace = 0;
    png_get_IHDR(png, info, &header->width, &header->height, &depth, &colourType, &interlace, nullptr,
                 nullptr);
    header->interlaced = interlace != PNG_INTERLACE_NONE;
    header->alpha = (colourType & PNG_COLOR_MASK_ALPHA) || png_get_valid(png, info, PNG_INFO_tRNS);
    png_set_expand(png);
    png_set_scale_16(png);
    png_set_gray_to_rgb(png);
    if (!header->alpha)
        png_set_filler(png, 0xff, PNG_FILLER_AFTER);
    png_read_update_info(png, info);
    return png_get_rowbytes(png, info) == png_size_t(header->width) * 4;
}

// Reads the first `rows` rows through `rowBuffer` (one whole row) and keeps the first `rowBytes`
// bytes of each at `out`, `stride` bytes apart.
bool readRows(png_structp png, png_bytep rowBuffer, uchar* out, qsizetype stride, qsizetype rowBytes,
              int rows) {
    if (setjmp(png_jmpbuf(png)))
        return false;
    for (int y = 0; y < rows; ++y) {
        png_read_row(png, rowBuffer, nullptr);
        std::memcpy(out + y * stride, rowBuffer, size_t(rowBytes));
    }
    return true;
}

struct PngReader {
    png_structp png = nullptr;
    png_infop info = nullptr;
    PngReader() {
        png = png_create_read_struct(PNG_LIBPNG_VER_STRING, nullptr, onError, onWarning);
        if (png)
            info = png_create_info_struct(png);
    }
    ~PngReader() { png_destroy_read_struct(&png, info ? &info : nullptr, nullptr); }
    PngReader(const PngReader&) = delete;
    PngReader& operator=(const PngReader&) = delete;
};

} // namespace

std::optional<QImage> readPngCorner(const QString& path, QSize corner) {
    QFile file(path);
    if (corner.isEmpty() || !file.open(QIODevice::ReadOnly))
        return QImage();
    char signature[signatureSize];
    if (file.read(signature, signatureSize) != signatureSize ||
        std::memcmp(signature, pngSignature, size_t(signatureSize)) != 0 || !chunksReachTheEnd(file) ||
        !file.seek(signatureSize))
        return QImage();

    PngReader reader;
    if (!reader.info)
        return QImage();
    png_set_read_fn(reader.png, &file, readFromFile);
    // The width bounds the rows held while inflating; the height costs nothing, only the corner's
    // rows are read. The largest height a PNG header may state is 2^31 - 1.
    png_set_user_limits(reader.png, maxPngCornerWidth, 0x7fffffff);
    Header header;
    if (!readHeader(reader.png, reader.info, &header))
        return QImage();
    if (header.width == 0 || header.height == 0)
        return QImage();
    if (header.interlaced)
        return std::nullopt;

    const int width = qMin<qint64>(corner.width(), header.width);
    const int height = qMin<qint64>(corner.height(), header.height);
    QImage image(width, height, header.alpha ? QImage::Format_RGBA8888 : QImage::Format_RGBX8888);
    if (image.isNull())
        return QImage();
    std::vector<png_byte> row(size_t(header.width) * 4);
    if (!readRows(reader.png, row.data(), image.bits(), image.bytesPerLine(), qsizetype(width) * 4, height))
        return QImage();
    return image;
}

} // namespace codecs
