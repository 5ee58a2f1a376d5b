#include "codecs/metafile/DibDecoder.h"

#include "codecs/metafile/Limits.h"

#include <bit>
#include <limits>
#include <optional>

namespace metafile {

namespace {

constexpr quint32 biRgb = 0;
constexpr quint32 biRle8 = 1;
constexpr quint32 biRle4 = 2;
constexpr quint32 biBitfields = 3;
constexpr quint32 dibPalColors = 1;

// GDI's default logical palette: the twenty static colours, the first ten at 0 to 9 and the last ten
// at 246 to 255 of a full palette. DIB_PAL_COLORS bitmaps index it when no palette of the file's
// own is known.
QRgb defaultPaletteColour(quint16 index) {
    static constexpr QRgb low[10] = {0x000000, 0x800000, 0x008000, 0x808000, 0x000080,
                                     0x800080, 0x008080, 0xC0C0C0, 0xC0DCC0, 0xA6CAF0};
    static constexpr QRgb high[10] = {0xFFFBF0, 0xA0A0A4, 0x808080, 0xFF0000, 0x00FF00,
                                      0xFFFF00, 0x0000FF, 0xFF00FF, 0x00FFFF, 0xFFFFFF};
    if (index < 10)
        return 0xFF000000u | low[index];
    if (index >= 246 && index <= 255)
        return 0xFF000000u | high[index - 246];
    if (index >= 10 && index < 20) // a short palette of twenty: its upper half
        return 0xFF000000u | high[index - 10];
    return qRgb(0x80, 0x80, 0x80);
}

struct DibHeader {
    qint64 headerSize = 0;
    qint64 width = 0;
    qint64 height = 0; // negative: rows top-down
    int bitCount = 0;
    quint32 compression = biRgb;
    qint64 colours = 0;   // entries of the colour table
    int entrySize = 4;    // RGBQUAD, or RGBTRIPLE in a core header
    qint64 masksSize = 0; // BI_BITFIELDS masks between a 40-byte header and the table
    quint32 masks[3] = {0, 0, 0};
};

// Nothing when the header is malformed; `supported` false for well-formed kinds not decoded here.
std::optional<DibHeader> readHeader(const Bytes& info, bool& supported, quint32 usage) {
    supported = true;
    DibHeader h;
    h.headerSize = info.u32(0);
    if (h.headerSize == 12) { // BITMAPCOREHEADER
        h.width = info.u16(4);
        h.height = info.i16(6);
        h.bitCount = info.u16(10);
        h.entrySize = 3;
    } else if (h.headerSize >= 40 && h.headerSize <= 1024) {
        h.width = info.i32(4);
        h.height = info.i32(8);
        h.bitCount = info.u16(14);
        h.compression = info.u32(16);
        h.colours = info.u32(32);
    } else {
        return std::nullopt;
    }
    if (!info.ok() || h.width <= 0 || h.height == 0 || h.height == std::numeric_limits<qint32>::min())
        return std::nullopt;
    if (h.width * std::abs(h.height) > limits::maxDibPixels)
        return std::nullopt;
    switch (h.bitCount) {
    case 1:
    case 4:
    case 8:
        if (h.compression != biRgb && !(h.compression == biRle8 && h.bitCount == 8) &&
            !(h.compression == biRle4 && h.bitCount == 4))
            supported = false;
        if (h.colours == 0 || h.colours > (qint64(1) << h.bitCount))
            h.colours = qint64(1) << h.bitCount;
        if (usage == dibPalColors)
            h.entrySize = 2;
        break;
    case 16:
    case 32:
        if (h.compression == biBitfields) {
            // The masks follow a 40-byte header; larger headers carry them inside.
            h.masksSize = h.headerSize == 40 ? 12 : 0;
            for (int i = 0; i < 3; ++i)
                h.masks[i] = info.u32(40 + 4 * i);
            if (!info.ok())
                return std::nullopt;
        } else if (h.compression != biRgb) {
            supported = false;
        }
        h.colours = std::min<qint64>(h.colours, 256); // optional table, unused for drawing
        break;
    case 24:
        if (h.compression != biRgb)
            supported = false;
        h.colours = std::min<qint64>(h.colours, 256);
        break;
    default:
        supported = false;
        break; // JPEG and PNG inside a DIB among them
    }
    return h;
}

// Spreads a masked channel over 0..255.
int channel(quint32 pixel, quint32 mask) {
    if (mask == 0)
        return 0;
    const int shift = std::countr_zero(mask);
    const quint32 max = mask >> shift;
    return int(quint64((pixel & mask) >> shift) * 255 / max);
}

// Run-length encoded rows (BI_RLE8, BI_RLE4) expanded into one palette index a byte, rows from the
// bottom as in the file. Runs past a row's end are cut; a stream that ends early leaves the rest 0.
std::vector<quint8> expandRle(const Bytes& bits, qint64 width, qint64 rows, bool four) {
    std::vector<quint8> out(std::size_t(width * rows), 0);
    qint64 x = 0;
    qint64 y = 0;
    const auto put = [&](quint8 index) {
        if (x < width && y < rows)
            out[std::size_t(y * width + x)] = index;
        ++x;
    };
    for (qint64 at = 0; bits.has(at, 2) && y < rows;) {
        const quint8 count = bits.u8(at);
        const quint8 value = bits.u8(at + 1);
        at += 2;
        if (count > 0) { // a run of one index (or, in RLE4, two alternating)
            for (int i = 0; i < count; ++i)
                put(four ? quint8((i % 2 == 0) ? value >> 4 : value & 0x0F) : value);
            continue;
        }
        if (value == 0) { // end of line
            x = 0;
            ++y;
        } else if (value == 1) { // end of bitmap
            break;
        } else if (value == 2) { // delta
            if (!bits.has(at, 2))
                break;
            x += bits.u8(at);
            y += bits.u8(at + 1);
            at += 2;
        } else { // `value` literal indices, padded to a word
            const qint64 bytes = four ? (value + 1) / 2 : value;
            if (!bits.has(at, bytes))
                break;
            for (int i = 0; i < value; ++i) {
                const quint8 b = bits.u8(at + (four ? i / 2 : i));
                put(four ? quint8((i % 2 == 0) ? b >> 4 : b & 0x0F) : b);
            }
            at += (bytes + 1) / 2 * 2;
        }
    }
    return out;
}

} // namespace

Dib decodeDib(const Bytes& info, const Bytes& bits, quint32 usage, bool keepAlpha) {
    bool supported = true;
    const std::optional<DibHeader> header = readHeader(info, supported, usage);
    if (!header)
        return {QImage(), true};
    if (!supported)
        return {};
    const DibHeader& h = *header;
    QList<QRgb> table;
    if (h.bitCount <= 8) {
        // A colour table cut short (writers count it wrong) is made up with black, as GDI does.
        const qint64 at = h.headerSize + h.masksSize;
        table.reserve(h.colours);
        for (qint64 i = 0; i < h.colours; ++i) {
            const qint64 e = at + i * h.entrySize;
            if (!info.has(e, h.entrySize))
                table.append(qRgb(0, 0, 0));
            else if (usage == dibPalColors)
                table.append(defaultPaletteColour(info.u16(e)));
            else
                table.append(qRgb(info.u8(e + 2), info.u8(e + 1), info.u8(e)));
        }
    }
    const qint64 rows = std::abs(h.height);
    QImage image(int(h.width), int(rows),
                 keepAlpha && h.bitCount == 32 ? QImage::Format_ARGB32_Premultiplied : QImage::Format_RGB32);
    if (image.isNull())
        return {QImage(), true};
    const auto rowOf = [&](qint64 row) { return int(h.height > 0 ? rows - 1 - row : row); };
    if (h.compression == biRle8 || h.compression == biRle4) {
        const std::vector<quint8> indices = expandRle(bits, h.width, rows, h.compression == biRle4);
        for (qint64 row = 0; row < rows; ++row) {
            auto* out = reinterpret_cast<QRgb*>(image.scanLine(rowOf(row)));
            for (qint64 x = 0; x < h.width; ++x) {
                const quint8 index = indices[std::size_t(row * h.width + x)];
                out[x] = index < table.size() ? table[index] : qRgb(0, 0, 0);
            }
        }
        return {image, false, h.height > 0};
    }
    const qint64 stride = ((h.width * h.bitCount + 31) / 32) * 4;
    // The last row need not be padded out in the file.
    const qint64 lastRow = (h.width * h.bitCount + 7) / 8;
    if (!bits.has(0, stride * (rows - 1) + lastRow))
        return {QImage(), true};

    quint32 masks[3] = {h.masks[0], h.masks[1], h.masks[2]};
    if (h.compression != biBitfields) {
        if (h.bitCount == 16) {
            masks[0] = 0x7C00, masks[1] = 0x03E0, masks[2] = 0x001F;
        } else {
            masks[0] = 0xFF0000, masks[1] = 0x00FF00, masks[2] = 0x0000FF;
        }
    }
    const char* base = bits.data();
    for (qint64 row = 0; row < rows; ++row) {
        const auto* src = reinterpret_cast<const uchar*>(base + row * stride);
        auto* out = reinterpret_cast<QRgb*>(image.scanLine(rowOf(row)));
        for (qint64 x = 0; x < h.width; ++x) {
            switch (h.bitCount) {
            case 1:
            case 4:
            case 8: {
                const qint64 bit = x * h.bitCount;
                const int shift = int(8 - h.bitCount - bit % 8);
                const int index = (src[bit / 8] >> shift) & ((1 << h.bitCount) - 1);
                out[x] = index < table.size() ? table[index] : qRgb(0, 0, 0);
                break;
            }
            case 16: {
                const quint32 p = quint32(src[2 * x]) | quint32(src[2 * x + 1]) << 8;
                out[x] = qRgb(channel(p, masks[0]), channel(p, masks[1]), channel(p, masks[2]));
                break;
            }
            case 24:
                out[x] = qRgb(src[3 * x + 2], src[3 * x + 1], src[3 * x]);
                break;
            default: {
                const quint32 p = quint32(src[4 * x]) | quint32(src[4 * x + 1]) << 8 |
                                  quint32(src[4 * x + 2]) << 16 | quint32(src[4 * x + 3]) << 24;
                if (keepAlpha) { // premultiplied, as ALPHABLEND takes it; colours above alpha are cut
                    const int a = int(p >> 24);
                    out[x] = qRgba(std::min(a, channel(p, masks[0])), std::min(a, channel(p, masks[1])),
                                   std::min(a, channel(p, masks[2])), a);
                } else {
                    out[x] = qRgb(channel(p, masks[0]), channel(p, masks[1]), channel(p, masks[2]));
                }
                break;
            }
            }
        }
    }
    return {image, false, h.height > 0};
}

Dib decodePackedDib(const Bytes& packed, quint32 usage) {
    bool supported = true;
    const std::optional<DibHeader> header = readHeader(packed, supported, usage);
    if (!header)
        return {QImage(), true};
    if (!supported)
        return {};
    const qint64 offset = header->headerSize + header->masksSize + header->colours * header->entrySize;
    if (!packed.has(offset, 0))
        return {QImage(), true};
    return decodeDib(packed, packed.sub(offset, packed.size() - offset), usage);
}

Dib decodeRecordDib(const Bytes& record, quint32 offBmi, quint32 cbBmi, quint32 offBits, quint32 cbBits,
                    quint32 usage, bool keepAlpha) {
    if (!record.has(offBmi, cbBmi) || !record.has(offBits, cbBits))
        return {QImage(), true};
    return decodeDib(record.sub(offBmi, cbBmi), record.sub(offBits, cbBits), usage, keepAlpha);
}

QRectF dibSource(const Dib& dib, QPointF at, QSizeF size) {
    if (dib.bottomUp)
        at.setY(dib.image.height() - at.y() - size.height());
    return QRectF(at, size);
}

} // namespace metafile
