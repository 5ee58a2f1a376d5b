#pragma once

#include <QtEndian>
#include <QtGlobal>
#include <bit>

namespace metafile {

// A bounds-checked little-endian view of a block of bytes. A read outside the block yields zero and
// marks the view failed, so a record decoder reads all its fields and checks `ok()` once at the end.
// Metafile fields are not aligned for the host, so every read goes through an unaligned load.
class Bytes {
public:
    Bytes() = default;
    Bytes(const char* data, qsizetype size) : data_(data), size_(data ? size : 0) {}

    const char* data() const { return data_; }
    qsizetype size() const { return size_; }
    bool ok() const { return ok_; }
    void fail() const { ok_ = false; }

    // True when [offset, offset + length) lies inside the view; free of overflow for any inputs.
    bool has(qint64 offset, qint64 length) const {
        return offset >= 0 && length >= 0 && offset <= size_ && length <= size_ - offset;
    }

    quint8 u8(qint64 offset) const { return read<quint8>(offset); }
    quint16 u16(qint64 offset) const { return read<quint16>(offset); }
    qint16 i16(qint64 offset) const { return read<qint16>(offset); }
    quint32 u32(qint64 offset) const { return read<quint32>(offset); }
    qint32 i32(qint64 offset) const { return read<qint32>(offset); }
    float f32(qint64 offset) const { return std::bit_cast<float>(read<quint32>(offset)); }

    // The bytes [offset, offset + length), or an empty failed view (and this one failed) when they
    // are not all inside.
    Bytes sub(qint64 offset, qint64 length) const {
        if (!has(offset, length)) {
            ok_ = false;
            Bytes none;
            none.ok_ = false;
            return none;
        }
        return Bytes(data_ + offset, qsizetype(length));
    }

private:
    template <typename T> T read(qint64 offset) const {
        if (!has(offset, sizeof(T))) {
            ok_ = false;
            return T{};
        }
        return qFromLittleEndian<T>(data_ + offset);
    }

    const char* data_ = nullptr;
    qsizetype size_ = 0;
    mutable bool ok_ = true;
};

} // namespace metafile
