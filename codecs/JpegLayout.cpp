#include "codecs/JpegLayout.h"

#include <QFile>

namespace codecs {

namespace {

constexpr int maxSegments = 10'000;

// Start-of-frame markers, by the coding they announce. Huffman or arithmetic, baseline or extended,
// the sequential ones come out top to bottom; progressive, lossless and hierarchical ones do not.
bool isFrameMarker(quint8 marker) {
    return marker >= 0xC0 && marker <= 0xCF && marker != 0xC4 && marker != 0xC8 && marker != 0xCC;
}
bool isSequentialFrame(quint8 marker) {
    return marker == 0xC0 || marker == 0xC1 || marker == 0xC9;
}
// Markers that stand alone, without a length after them.
bool standsAlone(quint8 marker) {
    return marker == 0x01 || (marker >= 0xD0 && marker <= 0xD8);
}

bool readByte(QFile& file, quint8* byte) {
    char c = 0;
    if (!file.getChar(&c))
        return false;
    *byte = static_cast<quint8>(c);
    return true;
}

} // namespace

bool decodesTopDown(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return false;
    quint8 soi[2] = {};
    if (!readByte(file, &soi[0]) || !readByte(file, &soi[1]) || soi[0] != 0xFF || soi[1] != 0xD8)
        return false;

    int frameMarker = -1;
    int frameComponents = 0;
    for (int segment = 0; segment < maxSegments; ++segment) {
        quint8 byte = 0;
        if (!readByte(file, &byte) || byte != 0xFF)
            return false;
        quint8 marker = 0xFF;
        // Any number of 0xFF bytes may fill the space before a marker.
        while (marker == 0xFF)
            if (!readByte(file, &marker))
                return false;
        if (standsAlone(marker))
            continue;
        if (marker == 0xD9)
            return false;
        quint8 length[2] = {};
        if (!readByte(file, &length[0]) || !readByte(file, &length[1]))
            return false;
        const int bodyLength = ((length[0] << 8) | length[1]) - 2;
        if (bodyLength < 0)
            return false;
        const qint64 body = file.pos();
        if (isFrameMarker(marker)) {
            quint8 header[6] = {};
            for (quint8& b : header)
                if (!readByte(file, &b))
                    return false;
            // The first frame is the picture; a second one belongs to a hierarchical file.
            if (frameMarker >= 0)
                return false;
            frameMarker = marker;
            frameComponents = header[5];
        } else if (marker == 0xDA) {
            quint8 scanComponents = 0;
            if (!readByte(file, &scanComponents))
                return false;
            return frameMarker >= 0 && isSequentialFrame(quint8(frameMarker)) && frameComponents > 0 &&
                   scanComponents == frameComponents;
        }
        if (!file.seek(body + bodyLength))
            return false;
    }
    return false;
}

} // namespace codecs
