#include "tests/support/MetafileWriter.h"

#include <QHash>
#include <QtGlobal>
#include <cstdlib>
#include <cstring>
#include <vector>

namespace {

// libuemf writes through a FILE as well as into its buffer; the buffer is what the tests take.
constexpr const char* sink = "/dev/null";

std::vector<uint16_t> utf16(const QString& text) {
    std::vector<uint16_t> out(text.utf16(), text.utf16() + text.size());
    out.push_back(0);
    return out;
}

U_RECTL rectL(int left, int top, int right, int bottom) {
    U_RECTL r;
    r.left = left;
    r.top = top;
    r.right = right;
    r.bottom = bottom;
    return r;
}

} // namespace

U_COLORREF colorRefOf(QRgb colour) {
    return colorref3_set(uint8_t(qRed(colour)), uint8_t(qGreen(colour)), uint8_t(qBlue(colour)));
}

DibParts makeDib(const QImage& source, int bitCount) {
    const QImage image = source.convertToFormat(QImage::Format_RGB32);
    const int width = image.width();
    const int height = image.height();
    QList<QRgb> palette;
    QHash<QRgb, int> index;
    if (bitCount <= 8) {
        for (int y = 0; y < height; ++y)
            for (int x = 0; x < width; ++x) {
                const QRgb c = image.pixel(x, y) | 0xFF000000u;
                if (!index.contains(c)) {
                    index.insert(c, int(palette.size()));
                    palette.append(c);
                }
            }
        if (palette.size() > (1 << bitCount))
            qFatal("makeDib: the image has more colours than %d bits hold", bitCount);
    }
    const int stride = (width * bitCount + 31) / 32 * 4;
    DibParts parts;
    parts.bits = QByteArray(stride * height, '\0');
    for (int row = 0; row < height; ++row) {
        auto* out = reinterpret_cast<uchar*>(parts.bits.data()) + row * stride;
        const int y = height - 1 - row;
        for (int x = 0; x < width; ++x) {
            const QRgb c = image.pixel(x, y) | 0xFF000000u;
            switch (bitCount) {
            case 1:
            case 4:
            case 8: {
                const int bit = x * bitCount;
                out[bit / 8] |= uchar(index.value(c) << (8 - bitCount - bit % 8));
                break;
            }
            case 24:
                out[3 * x] = uchar(qBlue(c)), out[3 * x + 1] = uchar(qGreen(c)),
                        out[3 * x + 2] = uchar(qRed(c));
                break;
            default:
                out[4 * x] = uchar(qBlue(c)), out[4 * x + 1] = uchar(qGreen(c)),
                        out[4 * x + 2] = uchar(qRed(c));
                break;
            }
        }
    }
    std::vector<U_RGBQUAD> colours;
    for (const QRgb c : palette)
        colours.push_back(rgbquad_set(uint8_t(qRed(c)), uint8_t(qGreen(c)), uint8_t(qBlue(c)), 0));
    const U_BITMAPINFOHEADER header =
        bitmapinfoheader_set(width, height, 1, uint16_t(bitCount), U_BI_RGB, uint32_t(parts.bits.size()),
                             3780, 3780, uint32_t(colours.size()), 0);
    PU_BITMAPINFO info = bitmapinfo_set(header, colours.empty() ? nullptr : colours.data());
    parts.info = QByteArray(reinterpret_cast<const char*>(info),
                            qsizetype(sizeof(U_BITMAPINFOHEADER) + colours.size() * sizeof(U_RGBQUAD)));
    std::free(info);
    return parts;
}

EmfWriter::EmfWriter(int width, int height)
    // 960 device pixels on 254 mm is 96 DPI; the frame is in 0.01 mm.
    : EmfWriter(rectL(0, 0, width - 1, height - 1),
                rectL(0, 0, int(std::lround(width * 2540.0 / 96)), int(std::lround(height * 2540.0 / 96))),
                sizel_set(960, 960), sizel_set(254, 254)) {}

EmfWriter::EmfWriter(U_RECTL bounds, U_RECTL frame, U_SIZEL device, U_SIZEL millimetres) {
    if (emf_start(sink, 1 << 16, 1 << 16, &track_) || emf_htable_create(128, 128, &handles_))
        qFatal("EmfWriter: libuemf cannot start a file");
    add(U_EMRHEADER_set(bounds, frame, nullptr, 0, nullptr, device, millimetres, 0));
}

EmfWriter::~EmfWriter() {
    if (track_)
        emf_free(&track_);
    if (handles_)
        emf_htable_free(&handles_);
}

EmfWriter& EmfWriter::add(char* record) {
    if (!record || emf_append(reinterpret_cast<PU_ENHMETARECORD>(record), track_, 1))
        qFatal("EmfWriter: a record could not be made or added");
    return *this;
}

EmfWriter& EmfWriter::pen(quint32 style, int width, QRgb colour) {
    uint32_t handle = 0;
    add(createpen_set(&handle, handles_, logpen_set(style, point32_set(width, 0), colorRefOf(colour))));
    return add(selectobject_set(handle, handles_));
}

EmfWriter& EmfWriter::brush(QRgb colour, quint32 style, quint32 hatch) {
    uint32_t handle = 0;
    add(createbrushindirect_set(&handle, handles_, logbrush_set(style, colorRefOf(colour), int32_t(hatch))));
    return add(selectobject_set(handle, handles_));
}

EmfWriter& EmfWriter::font(int height, const QString& face, int weight) {
    std::vector<uint16_t> name = utf16(face.left(U_LF_FACESIZE - 1));
    const U_LOGFONT logFont =
        logfont_set(height, 0, 0, 0, weight, 0, 0, 0, U_ANSI_CHARSET, U_OUT_DEFAULT_PRECIS,
                    U_CLIP_DEFAULT_PRECIS, U_DEFAULT_QUALITY, U_DEFAULT_PITCH, name.data());
    uint32_t handle = 0;
    add(extcreatefontindirectw_set(&handle, handles_, reinterpret_cast<const char*>(&logFont), nullptr));
    return add(selectobject_set(handle, handles_));
}

EmfWriter& EmfWriter::stock(quint32 object) {
    return add(selectobject_set(object, handles_));
}

EmfWriter& EmfWriter::rectangle(int left, int top, int right, int bottom) {
    return add(U_EMRRECTANGLE_set(rectL(left, top, right, bottom)));
}

EmfWriter& EmfWriter::text(int x, int y, const QString& text) {
    std::vector<uint16_t> chars = utf16(text);
    // libuemf always writes the advances; readers may ignore them.
    std::vector<uint32_t> advances(std::size_t(text.size()) + 1, 10);
    char* emrtext = emrtext_set(point32_set(x, y), uint32_t(text.size()), 2, chars.data(), U_ETO_NONE,
                                rectL(0, 0, -1, -1), advances.data());
    add(U_EMREXTTEXTOUTW_set(rectL(0, 0, -1, -1), U_GM_COMPATIBLE, 1, 1,
                             reinterpret_cast<PU_EMRTEXT>(emrtext)));
    std::free(emrtext);
    return *this;
}

EmfWriter& EmfWriter::stretchDib(const QRect& target, const QImage& image, int bitCount) {
    DibParts dib = makeDib(image, bitCount);
    return add(U_EMRSTRETCHDIBITS_set(
        rectL(target.left(), target.top(), target.right(), target.bottom()),
        point32_set(target.x(), target.y()), point32_set(target.width(), target.height()), point32_set(0, 0),
        point32_set(image.width(), image.height()), U_DIB_RGB_COLORS, U_SRCCOPY,
        const_cast<PU_BITMAPINFO>(dib.bitmapInfo()), uint32_t(dib.bits.size()), dib.bits.data()));
}

QByteArray EmfWriter::finish() {
    add(U_EMREOF_set(0, nullptr, track_));
    if (emf_finish(track_, handles_))
        qFatal("EmfWriter: libuemf cannot finish the file");
    return QByteArray(track_->buf, qsizetype(track_->used));
}

WmfWriter::WmfWriter(int width, int height, int unitsPerInch) {
    U_PAIRF* inches = U_PAIRF_set(float(width) / 96, float(height) / 96);
    start(inches, unsigned(unitsPerInch));
    std::free(inches);
}

WmfWriter::WmfWriter() {
    start(nullptr, 0);
}

void WmfWriter::start(U_PAIRF* inches, unsigned dpi) {
    (void)wmf_highwater(U_HIGHWATER_CLEAR); // libuemf counts objects across files in one global
    if (wmf_start(sink, 1 << 16, 1 << 16, &track_) || wmf_htable_create(128, 128, &handles_))
        qFatal("WmfWriter: libuemf cannot start a file");
    char* header = U_WMRHEADER_set(inches, dpi);
    if (!header || wmf_header_append(reinterpret_cast<U_METARECORD*>(header), track_, 1))
        qFatal("WmfWriter: the header could not be made");
}

WmfWriter::~WmfWriter() {
    if (track_)
        wmf_free(&track_);
    if (handles_)
        wmf_htable_free(&handles_);
}

WmfWriter& WmfWriter::add(char* record) {
    if (!record || wmf_append(reinterpret_cast<U_METARECORD*>(record), track_, 1))
        qFatal("WmfWriter: a record could not be made or added");
    return *this;
}

WmfWriter& WmfWriter::pen(quint16 style, int width, QRgb colour) {
    uint32_t handle = 0;
    add(wcreatepenindirect_set(&handle, handles_, U_PEN_set(style, uint16_t(width), colorRefOf(colour))));
    return add(wselectobject_set(handle, handles_));
}

WmfWriter& WmfWriter::brush(QRgb colour, quint16 style, quint16 hatch) {
    uint32_t handle = 0;
    add(wcreatebrushindirect_set(&handle, handles_, U_WLOGBRUSH_set(style, colorRefOf(colour), hatch)));
    return add(wselectobject_set(handle, handles_));
}

WmfWriter& WmfWriter::font(int height, const QByteArray& face, quint8 charset) {
    QByteArray name = face.left(31);
    U_FONT* font = U_FONT_set(int16_t(height), 0, 0, 0, 400, 0, 0, 0, charset, U_OUT_DEFAULT_PRECIS,
                              U_CLIP_DEFAULT_PRECIS, U_DEFAULT_QUALITY, U_DEFAULT_PITCH, name.data());
    uint32_t handle = 0;
    add(wcreatefontindirect_set(&handle, handles_, font));
    std::free(font);
    return add(wselectobject_set(handle, handles_));
}

WmfWriter& WmfWriter::rectangle(int left, int top, int right, int bottom) {
    return add(U_WMRRECTANGLE_set(U_RECT16_set(point16_set(int16_t(left), int16_t(top)),
                                               point16_set(int16_t(right), int16_t(bottom)))));
}

QByteArray WmfWriter::finish() {
    add(U_WMREOF_set());
    if (wmf_finish(track_))
        qFatal("WmfWriter: libuemf cannot finish the file");
    return QByteArray(track_->buf, qsizetype(track_->used));
}

QByteArray largeEmf(qsizetype approxBytes) {
    constexpr int width = 4000;
    constexpr int height = 3000;
    EmfWriter emf(width, height);
    emf.font(-14);
    quint32 seed = 2024;
    const auto next = [&seed](int range) {
        seed = seed * 1103515245u + 12345u;
        return int((seed >> 8) % quint32(range));
    };
    // One pen and one brush live at a time: each new one is selected, then the old one deleted.
    uint32_t pen = 0;
    uint32_t brush = 0;
    const auto replace = [&emf](uint32_t& live, uint32_t fresh) {
        emf.add(selectobject_set(fresh, emf.handles()));
        if (live)
            emf.add(deleteobject_set(&live, emf.handles()));
        live = fresh;
    };
    for (int i = 0; emf.size() < approxBytes; ++i) {
        const int x = next(width - 60);
        const int y = next(height - 60);
        const U_COLORREF colour = colorref3_set(uint8_t(next(256)), uint8_t(next(256)), uint8_t(next(256)));
        switch (i % 8) {
        case 0: {
            uint32_t fresh = 0;
            emf.add(createpen_set(&fresh, emf.handles(),
                                  logpen_set(U_PS_SOLID, point32_set(1 + next(3), 0), colour)));
            replace(pen, fresh);
            break;
        }
        case 1: {
            uint32_t fresh = 0;
            emf.add(createbrushindirect_set(&fresh, emf.handles(), logbrush_set(U_BS_SOLID, colour, 0)));
            replace(brush, fresh);
            break;
        }
        case 2:
            emf.rectangle(x, y, x + 10 + next(50), y + 10 + next(50));
            break;
        case 3:
            emf.add(U_EMRELLIPSE_set(rectL(x, y, x + 40, y + 30)));
            break;
        case 4: {
            U_POINT16 points[12];
            for (auto& p : points)
                p = point16_set(int16_t(x + next(60)), int16_t(y + next(60)));
            emf.add(U_EMRPOLYGON16_set(rectL(x, y, x + 60, y + 60), 12, points));
            break;
        }
        case 5: {
            U_POINTL points[8];
            for (auto& p : points)
                p = point32_set(x + next(60), y + next(60));
            emf.add(U_EMRPOLYLINE_set(rectL(x, y, x + 60, y + 60), 8, points));
            break;
        }
        case 6:
            emf.text(x, y, QStringLiteral("Qelbrin %1").arg(i));
            break;
        default:
            emf.add(U_EMRMOVETOEX_set(point32_set(x, y)));
            emf.add(U_EMRLINETO_set(point32_set(x + next(60), y + next(60))));
            break;
        }
    }
    return emf.finish();
}

QByteArray formulaWmf(int lines) {
    constexpr int unitsPerInch = 2304; // the equation editors' own
    constexpr int lineHeight = 576;
    const int width = 9216; // three formulas a line

    WmfWriter wmf(width * 96 / unitsPerInch, lines * lineHeight * 96 / unitsPerInch, unitsPerInch);
    wmf.add(U_WMRSETBKMODE_set(U_TRANSPARENT)).add(U_WMRSETTEXTALIGN_set(U_TA_BASELINE | U_TA_UPDATECP));
    wmf.add(U_WMRSETWINDOWORG_set(point16_set(0, 0)));
    wmf.add(U_WMRSETWINDOWEXT_set(point16_set(int16_t(width), int16_t(lines * lineHeight))));
    wmf.pen(U_PS_SOLID, 17, 0);
    const auto run = [&wmf](int x, int y, const QByteArray& face, quint8 charset, const QByteArray& text) {
        wmf.font(-352, face, charset);
        wmf.add(U_WMRMOVETO_set(point16_set(int16_t(x), int16_t(y))));
        std::vector<int16_t> dx(std::size_t(text.size()), 176);
        QByteArray bytes = text;
        wmf.add(U_WMREXTTEXTOUT_set(point16_set(0, 0), int16_t(bytes.size()), 0, bytes.data(), dx.data(),
                                    U_RECT16_set(point16_set(0, 0), point16_set(0, 0))));
    };
    for (int line = 0; line < lines; ++line) {
        const int y = line * lineHeight + 400;
        for (int x = 0; x < width; x += 3072) {
            run(x + 60, y, "Times New Roman", 0, "f(x)ax+bcos");
            run(x + 2100, y, "Symbol", 2, "=\xb3pDa\xb9");
            wmf.add(U_WMRMOVETO_set(point16_set(int16_t(x + 2300), int16_t(y - 120))));
            wmf.add(U_WMRLINETO_set(point16_set(int16_t(x + 2800), int16_t(y - 120))));
        }
    }
    return wmf.finish();
}
