#include "codecs/metafile/EmfPlusObjects.h"

#include "codecs/metafile/EmfPlusReader.h"

namespace metafile::emfplus {

namespace {

constexpr quint16 continued = 0x8000;

enum ObjectType {
    TypeBrush = 1,
    TypePen,
    TypePath,
    TypeRegion,
    TypeImage,
    TypeFont,
    TypeStringFormat,
    TypeImageAttributes
};

std::optional<Font> readFont(const Bytes& data) {
    Reader in(data);
    Font font;
    if (!in.version())
        return std::nullopt;
    font.emSize = in.coordinate();
    font.unit = in.u32();
    font.style = in.u32();
    in.skip(4);
    const qint64 length = in.u32();
    if (!in.has(length, 2))
        return std::nullopt;
    for (qint64 i = 0; i < length; ++i) {
        const char16_t c = in.u16();
        if (c == 0)
            break;
        font.family.append(QChar(c));
    }
    if (!in.ok() || !(font.emSize > 0))
        return std::nullopt;
    return font;
}

std::optional<StringFormat> readStringFormat(const Bytes& data) {
    Reader in(data);
    StringFormat format;
    if (!in.version())
        return std::nullopt;
    format.flags = in.u32();
    in.skip(4); // language
    format.alignment = in.u32();
    format.lineAlignment = in.u32();
    in.skip(12); // digit substitution, digit language, first tab offset
    format.hotkeyPrefix = in.u32();
    format.leadingMargin = in.coordinate();
    format.trailingMargin = in.coordinate();
    if (!in.ok())
        return std::nullopt;
    return format;
}

std::optional<ImageAttributes> readImageAttributes(const Bytes& data) {
    Reader in(data);
    ImageAttributes attributes;
    if (!in.version())
        return std::nullopt;
    in.skip(4);
    attributes.wrapMode = in.u32();
    attributes.clampColour = in.argb();
    if (!in.ok())
        return std::nullopt;
    return attributes;
}

template <typename T> std::optional<Object> asObject(std::optional<T> object) {
    if (!object)
        return std::nullopt;
    return Object(std::move(*object));
}

std::optional<Object> readObject(int type, const Bytes& data) {
    switch (type) {
    case TypeBrush:
        return asObject(readBrush(data));
    case TypePen:
        return asObject(readPen(data));
    case TypePath:
        return asObject(readPath(data));
    case TypeRegion:
        return asObject(readRegion(data));
    case TypeImage:
        return asObject(readImage(data));
    case TypeFont:
        return asObject(readFont(data));
    case TypeStringFormat:
        return asObject(readStringFormat(data));
    case TypeImageAttributes:
        return asObject(readImageAttributes(data));
    default:
        return std::nullopt; // custom line caps are read as part of pens
    }
}

// Decoding a pixel, a path element or a region node costs some nanoseconds.
qint64 decodingWork(const Object& object) {
    constexpr qint64 perItem = 10;
    const auto pixels = [](const QImage& image) { return qint64(image.width()) * image.height(); };
    if (const auto* image = std::get_if<Image>(&object))
        return pixels(image->bitmap) * perItem;
    if (const auto* brush = std::get_if<Brush>(&object))
        return pixels(brush->brush.textureImage()) * perItem;
    if (const auto* path = std::get_if<QPainterPath>(&object))
        return path->elementCount() * perItem;
    if (const auto* region = std::get_if<Region>(&object))
        return qint64(region->nodes.size()) * perItem;
    return 0;
}

} // namespace

Brush solidBrush(const QColor& colour) {
    return Brush{QBrush(colour), std::nullopt, colour};
}

// An object larger than a record comes in pieces: each has the continuation bit and, first, the
// object's total size. Writers differ on the last piece (with the bit or without it), so an object is
// complete when its total has arrived, when a piece without the bit ends it, or when another record
// comes between. Nothing is allocated beyond the bytes that actually arrive.
void ObjectTable::record(quint16 flags, const Bytes& data) {
    const quint16 object = flags & 0x7FFF;
    if (partial_ && partial_->flags != object)
        interrupt();
    if (!(flags & continued)) {
        if (!partial_) {
            define(flags, data);
            return;
        }
        partial_->data.append(data.data(), data.size());
    } else {
        const quint32 total = data.u32(0);
        if (!data.ok())
            return;
        if (!partial_)
            partial_ = Partial{object, total, {}};
        const qint64 room = qint64(partial_->total) - partial_->data.size();
        partial_->data.append(data.data() + 4, qsizetype(std::clamp<qint64>(data.size() - 4, 0, room)));
        if (partial_->data.size() < qint64(partial_->total))
            return;
    }
    interrupt();
}

void ObjectTable::interrupt() {
    if (!partial_)
        return;
    const Partial whole = std::move(*partial_);
    partial_.reset();
    define(whole.flags, Bytes(whole.data.constData(), whole.data.size()));
}

void ObjectTable::define(quint16 flags, const Bytes& data) {
    const quint32 id = flags & 0xFF;
    if (id >= capacity)
        return;
    // An object that cannot be read leaves its slot empty: records using it draw nothing.
    table_[id] = readObject((flags >> 8) & 0x7F, data);
    work_ += data.size() + (table_[id] ? decodingWork(*table_[id]) : 0);
}

} // namespace metafile::emfplus
