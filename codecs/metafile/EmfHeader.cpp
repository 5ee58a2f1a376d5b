#include "codecs/metafile/EmfHeader.h"

#include "codecs/metafile/Limits.h"

#include <cmath>
#include <cstddef>
#include <uemf.h>
#include <uemf_safe.h>

namespace metafile {

namespace {

constexpr double screenDpi = 96;
constexpr double mmPerInch = 25.4;

struct Rect {
    qint64 left, top, right, bottom;
    qint64 width() const { return right - left; }
    qint64 height() const { return bottom - top; }
};

Rect rectAt(const Bytes& b, qint64 at) {
    return {b.i32(at), b.i32(at + 4), b.i32(at + 8), b.i32(at + 12)};
}

// Where the records start when the header's own size leaves the file: after what the header holds,
// the fixed part of one of its three lengths and the description that follows it, where a record
// plausibly starts.
std::optional<qint64> repairedHeaderSize(const Bytes& bytes) {
    qint64 description = 0;
    const qint64 characters = bytes.u32(offsetof(U_EMRHEADER, nDescription));
    const qint64 offset = bytes.u32(offsetof(U_EMRHEADER, offDescription));
    if (characters > 0) {
        if (offset < qint64(U_SIZE_EMRHEADER_MIN) || !bytes.has(offset, characters * 2))
            return std::nullopt;
        description = (offset + characters * 2 + 3) / 4 * 4;
    }
    // Without and with the pixel format fields, and with the micrometre size after them.
    for (const qint64 fixed : {88, 100, 108}) {
        const qint64 end = std::max(fixed, description);
        if (!bytes.has(end, 8)) // read nothing outside: a failed read would fail the whole file's view
            continue;
        const quint32 type = bytes.u32(end);
        const quint32 size = bytes.u32(end + 4);
        if (type > U_EMR_HEADER && type <= U_EMR_MAX && size >= 8 && size % 4 == 0 && bytes.has(end, size))
            return end;
    }
    return std::nullopt;
}

} // namespace

// The picture is the header's frame (rclFrame, 0.01 mm), shown at the display's 96 DPI. The frame is
// placed on the reference device through szlDevice / szlMillimeters, which say how many device units
// (the units records draw in under MM_TEXT) make a millimetre. A file without a frame is sized by its
// bounds (rclBounds, device units, inclusive) through the same ratio. A device without sizes is taken
// as a 96-DPI screen.
std::optional<EmfHeader> readEmfHeader(const Bytes& bytes) {
    const quint32 type = bytes.u32(offsetof(U_EMRHEADER, emr.iType));
    const quint32 size = bytes.u32(offsetof(U_EMRHEADER, emr.nSize));
    const quint32 signature = bytes.u32(offsetof(U_EMRHEADER, dSignature));
    if (!bytes.ok() || type != U_EMR_HEADER || signature != U_ENHMETA_SIGNATURE)
        return std::nullopt;
    // A header whose size leaves the file keeps its fields; the records are found after them.
    std::optional<qint64> headerBytes = size;
    if (size < U_SIZE_EMRHEADER_MIN || size % 4 != 0 || !bytes.has(0, size))
        headerBytes = repairedHeaderSize(bytes);
    else if (!U_emf_record_safe(bytes.data()))
        return std::nullopt;
    if (!headerBytes)
        return std::nullopt;

    const Rect bounds = rectAt(bytes, offsetof(U_EMRHEADER, rclBounds));
    const Rect frame = rectAt(bytes, offsetof(U_EMRHEADER, rclFrame));
    const qint64 deviceX = bytes.i32(offsetof(U_EMRHEADER, szlDevice.cx));
    const qint64 deviceY = bytes.i32(offsetof(U_EMRHEADER, szlDevice.cy));
    const qint64 mmX = bytes.i32(offsetof(U_EMRHEADER, szlMillimeters.cx));
    const qint64 mmY = bytes.i32(offsetof(U_EMRHEADER, szlMillimeters.cy));
    EmfHeader header;
    header.handles = bytes.u16(offsetof(U_EMRHEADER, nHandles));
    header.headerBytes = *headerBytes;
    header.devicePerMm = deviceX > 0 && deviceY > 0 && mmX > 0 && mmY > 0
                             ? QSizeF(double(deviceX) / double(mmX), double(deviceY) / double(mmY))
                             : QSizeF(screenDpi / mmPerInch, screenDpi / mmPerInch);

    // The picture's rectangle in device units and in millimetres.
    QRectF device;
    QSizeF mm;
    if (frame.width() > 0 && frame.height() > 0) {
        mm = QSizeF(double(frame.width()) / 100, double(frame.height()) / 100);
        device = QRectF(double(frame.left) / 100 * header.devicePerMm.width(),
                        double(frame.top) / 100 * header.devicePerMm.height(),
                        mm.width() * header.devicePerMm.width(), mm.height() * header.devicePerMm.height());
    } else if (bounds.width() >= 0 && bounds.height() >= 0) {
        device = QRectF(double(bounds.left), double(bounds.top), double(bounds.width() + 1),
                        double(bounds.height() + 1));
        mm = QSizeF(device.width() / header.devicePerMm.width(),
                    device.height() / header.devicePerMm.height());
    } else {
        return std::nullopt;
    }
    const double width = std::round(mm.width() / mmPerInch * screenDpi);
    const double height = std::round(mm.height() / mmPerInch * screenDpi);
    if (!(width >= 1 && height >= 1 && width <= limits::maxSide && height <= limits::maxSide))
        return std::nullopt;
    header.size = QSize(int(width), int(height));
    // A frame in 0.01 mm rarely comes out at whole device pixels. When the device is within a pixel
    // of the image, it is the image (a 96-DPI device): device pixels then land exactly on pixels.
    const auto axis = [](double deviceLength, double deviceStart, double pixels) {
        if (std::abs(deviceLength - pixels) < 1)
            return std::pair(1.0, -std::round(deviceStart));
        const double scale = pixels / deviceLength;
        return std::pair(scale, -deviceStart * scale);
    };
    const auto [sx, dx] = axis(device.width(), device.left(), width);
    const auto [sy, dy] = axis(device.height(), device.top(), height);
    header.deviceToImage = QTransform(sx, 0, 0, sy, dx, dy);
    return header;
}

} // namespace metafile
