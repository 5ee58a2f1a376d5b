#pragma once

#include "codecs/metafile/Bytes.h"
#include "codecs/metafile/Limits.h"

#include <QColor>
#include <QPolygonF>
#include <QRectF>
#include <QTransform>
#include <cmath>
#include <optional>

namespace metafile::emfplus {

// An EmfPlusARGB as a 32-bit value: alpha, red, green, blue from the high byte down.
inline QColor argbColour(quint32 v) {
    return QColor(int((v >> 16) & 0xFF), int((v >> 8) & 0xFF), int(v & 0xFF), int(v >> 24));
}

// Reads the fields of an EMF+ record or object one after another. Like `Bytes`, a read past the end
// yields zero and marks the reader failed; so does a coordinate that is not a finite number of sane
// size, so that a decoder reads all its fields and checks `ok()` once.
class Reader {
public:
    explicit Reader(const Bytes& bytes, qint64 at = 0) : bytes_(bytes), at_(at) {}

    bool ok() const { return ok_ && bytes_.ok(); }
    void fail() { ok_ = false; }
    qint64 at() const { return at_; }
    qint64 left() const { return std::max<qint64>(0, bytes_.size() - at_); }
    // True when `count` items of `size` bytes each can still be read; false (and failed) otherwise.
    bool has(qint64 count, qint64 size) {
        if (count < 0 || size <= 0 || count > left() / size)
            ok_ = false;
        return ok_;
    }

    // The graphics version every object starts with: 0xDBC01 in its high 20 bits. False when it is not.
    bool version() { return (u32() >> 12) == 0xDBC01 && ok(); }

    quint8 u8() {
        return next<quint8>(1, [&] { return bytes_.u8(at_); });
    }
    qint16 i16() {
        return next<qint16>(2, [&] { return bytes_.i16(at_); });
    }
    quint16 u16() {
        return next<quint16>(2, [&] { return bytes_.u16(at_); });
    }
    quint32 u32() {
        return next<quint32>(4, [&] { return bytes_.u32(at_); });
    }
    qint32 i32() {
        return next<qint32>(4, [&] { return bytes_.i32(at_); });
    }
    float f32() {
        return next<float>(4, [&] { return bytes_.f32(at_); });
    }

    // A float that takes part in geometry.
    double coordinate() {
        const double value = f32();
        if (!std::isfinite(value) || std::abs(value) > limits::maxCoordinate) {
            ok_ = false;
            return 0;
        }
        return value;
    }
    QColor argb() { return argbColour(u32()); }
    // An EmfPlusRectF, or an EmfPlusRect of 16-bit integers when `compressed`.
    QRectF rect(bool compressed = false) {
        if (compressed) {
            const double x = i16(), y = i16(), w = i16(), h = i16();
            return {x, y, w, h};
        }
        const double x = coordinate(), y = coordinate(), w = coordinate(), h = coordinate();
        return {x, y, w, h};
    }
    // An EmfPlusTransformMatrix.
    QTransform transform() {
        const double m11 = coordinate(), m12 = coordinate(), m21 = coordinate(), m22 = coordinate();
        const double dx = coordinate(), dy = coordinate();
        return {m11, m12, m21, m22, dx, dy};
    }
    // `count` points in the layout a record's or a path's flags give: relative (0x0800) points of 7-
    // or 15-bit integers, compressed (0x4000) 16-bit integers, otherwise floats.
    QPolygonF points(qint64 count, quint32 flags) {
        constexpr quint32 relative = 0x0800;
        constexpr quint32 compressed = 0x4000;
        QPolygonF out;
        // Each point takes at least two bytes; checked before anything is allocated.
        if (!has(count, (flags & relative) ? 2 : (flags & compressed) ? 4 : 8))
            return out;
        out.reserve(count);
        QPointF previous;
        for (qint64 i = 0; i < count && ok(); ++i) {
            if (flags & relative) {
                previous += QPointF(packedInteger(), packedInteger());
                out.append(previous);
            } else if (flags & compressed) {
                const double x = i16();
                out.append(QPointF(x, i16()));
            } else {
                const double x = coordinate();
                out.append(QPointF(x, coordinate()));
            }
        }
        return ok() ? out : QPolygonF();
    }

    // The next `length` bytes as a view; an empty failed view when they are not all there.
    Bytes take(qint64 length) {
        if (length < 0 || length > left()) {
            ok_ = false;
            return Bytes().sub(0, 1);
        }
        const Bytes part = bytes_.sub(at_, length);
        at_ += length;
        return part;
    }
    void skip(qint64 length) { take(length); }

private:
    template <typename T, typename Read> T next(qint64 size, Read read) {
        if (!ok_ || size > left()) {
            ok_ = false;
            return T{};
        }
        const T value = read();
        at_ += size;
        return value;
    }

    // EmfPlusInteger7 (one byte, high bit clear) or EmfPlusInteger15 (two bytes, big-endian, high bit set).
    double packedInteger() {
        const quint8 first = u8();
        if (!(first & 0x80))
            return (first & 0x40) ? int(first) - 0x80 : int(first);
        const int value = ((first & 0x7F) << 8) | u8();
        return (value & 0x4000) ? value - 0x8000 : value;
    }

    const Bytes& bytes_;
    qint64 at_;
    bool ok_ = true;
};

} // namespace metafile::emfplus
