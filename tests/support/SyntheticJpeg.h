#pragma once

// JPEG files of any size up to the format's own limit, made without holding a picture in memory: every
// 8 x 8 block is the same mid grey, and each is coded in two bits. A picture of 65500 x 65500 pixels
// takes 16 MiB this way, where an encoder would first need its 4 GiB of pixels.
#include <QByteArray>
#include <QFile>
#include <QString>

namespace syntheticjpeg {

inline void appendSegment(QByteArray& out, quint8 marker, const QByteArray& body) {
    const int length = int(body.size()) + 2;
    out += char(0xFF);
    out += char(marker);
    out += char(length >> 8);
    out += char(length & 0xFF);
    out += body;
}

// A one-code Huffman table: the symbol `symbol` coded as the single bit 0.
inline QByteArray oneCodeTable(quint8 tableClass, quint8 symbol) {
    QByteArray table(1 + 16 + 1, '\0');
    table[0] = char(tableClass << 4);
    table[1] = 1; // one code of length 1
    table[17] = char(symbol);
    return table;
}

// The bytes before the scan data of a one-component picture of `width` x `height` whose frame is
// announced by `frameMarker` (0xC0 baseline, 0xC2 progressive, ...).
inline QByteArray headers(int width, int height, quint8 frameMarker) {
    QByteArray out("\xFF\xD8", 2);
    QByteArray quantisation(65, '\x01');
    quantisation[0] = 0;
    appendSegment(out, 0xDB, quantisation);
    const char frame[] = {
        8, char(height >> 8), char(height & 0xFF), char(width >> 8), char(width & 0xFF), 1, 1, 0x11, 0};
    appendSegment(out, frameMarker, QByteArray(frame, sizeof frame));
    // The DC difference 0 and the end of a block each coded "0": every block is "00", mid grey.
    appendSegment(out, 0xC4, oneCodeTable(0, 0x00));
    appendSegment(out, 0xC4, oneCodeTable(1, 0x00));
    const char scan[] = {1, 1, 0x00, 0, 63, 0};
    appendSegment(out, 0xDA, QByteArray(scan, sizeof scan));
    return out;
}

// Writes the whole file: headers, the scan data (zero bits only; those after the last block are never
// read) and the end marker.
inline bool write(const QString& path, int width, int height, quint8 frameMarker = 0xC0) {
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(headers(width, height, frameMarker)) < 0)
        return false;
    const qint64 blocks = qint64((width + 7) / 8) * ((height + 7) / 8);
    qint64 bytes = (blocks * 2 + 7) / 8;
    const QByteArray zeros(1 << 20, '\0');
    while (bytes > 0) {
        const qint64 chunk = qMin<qint64>(bytes, zeros.size());
        if (file.write(zeros.constData(), chunk) != chunk)
            return false;
        bytes -= chunk;
    }
    return file.write("\xFF\xD9", 2) == 2;
}

} // namespace syntheticjpeg
