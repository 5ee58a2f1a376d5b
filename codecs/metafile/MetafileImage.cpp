#include "codecs/metafile/MetafileImage.h"

#include "codecs/metafile/Canvas.h"
#include "codecs/metafile/EmfHeader.h"
#include "codecs/metafile/EmfPlayer.h"
#include "codecs/metafile/WmfHeader.h"
#include "codecs/metafile/WmfPlayer.h"

#include <QByteArray>

namespace metafile {

namespace {

// libuemf's record checks read a record's fixed part before they compare it with the record's size;
// zeroed slack after the copy keeps those reads inside memory of ours.
constexpr qsizetype slack = 64;

struct Picture {
    QSize size;
    Mapping mapping;
    std::optional<EmfHeader> emf;
    std::optional<WmfHeader> wmf;
};

std::optional<Picture> readHeader(const Bytes& bytes, Kind kind) {
    Picture picture;
    if (kind == Kind::Emf) {
        picture.emf = readEmfHeader(bytes);
        if (!picture.emf)
            return std::nullopt;
        picture.size = picture.emf->size;
        picture.mapping.deviceToImage = picture.emf->deviceToImage;
        picture.mapping.devicePerMm = picture.emf->devicePerMm;
    } else {
        picture.wmf = readWmfHeader(bytes);
        if (!picture.wmf)
            return std::nullopt;
        picture.size = picture.wmf->size;
        picture.mapping.wmf = true;
        picture.mapping.wmfWindow = picture.wmf->window;
    }
    picture.mapping.imageSize = QSizeF(picture.size);
    return picture;
}

} // namespace

std::optional<QSize> pictureSize(QByteArrayView bytes, Kind kind) {
    const std::optional<Picture> picture = readHeader(Bytes(bytes.data(), bytes.size()), kind);
    if (!picture)
        return std::nullopt;
    return picture->size;
}

QImage render(QByteArrayView bytes, Kind kind, QSize corner, qint64 maxPixels) {
    QByteArray copy(bytes.size() + slack, '\0');
    std::copy(bytes.begin(), bytes.end(), copy.begin());
    const Bytes file(copy.constData(), bytes.size());

    const std::optional<Picture> picture = readHeader(file, kind);
    if (!picture)
        return {};
    // The pixels drawn count, not the frame: the corner of a picture of any size costs only itself.
    QSize size = picture->size;
    if (corner.isValid())
        size = size.boundedTo(corner);
    if (size.isEmpty() || qint64(size.width()) * size.height() > maxPixels)
        return {};
    QImage image(size, QImage::Format_RGB32);
    if (image.isNull())
        return {};
    image.fill(Qt::white);

    {
        Canvas canvas(image, picture->mapping);
        if (picture->emf)
            EmfPlayer(canvas, *picture->emf).play(file);
        else
            WmfPlayer(canvas, *picture->wmf).play(file);
    }
    return image;
}

} // namespace metafile
