#include "codecs/metafile/MetafileImage.h"

#include "codecs/metafile/Canvas.h"
#include "codecs/metafile/EmfHeader.h"
#include "codecs/metafile/EmfPlayer.h"
#include "codecs/metafile/Limits.h"
#include "codecs/metafile/WmfHeader.h"
#include "codecs/metafile/WmfPlayer.h"

#include <QByteArray>
#include <cmath>

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

// Draws the records onto `image`, the picture's device mapping followed by `stretch`, with at most
// `budget` units of drawing work, from which the work done is taken.
void draw(const Bytes& file, Picture picture, QImage& image, const QTransform& stretch, qint64& budget) {
    picture.mapping.deviceToImage *= stretch;
    Canvas canvas(image, picture.mapping);
    canvas.spend(limits::drawingBudget - budget);
    if (picture.emf)
        EmfPlayer(canvas, *picture.emf).play(file);
    else
        WmfPlayer(canvas, *picture.wmf).play(file);
    budget = std::max<qint64>(0, canvas.budgetLeft());
}

// Draws the records onto a white image of `size`, as on a page, the picture scaled by `scale`.
QImage drawOnPage(const Bytes& file, const Picture& picture, QSize size, double scale) {
    QImage image(size, QImage::Format_RGB32);
    if (image.isNull())
        return {};
    image.fill(Qt::white);
    qint64 budget = limits::drawingBudget;
    draw(file, picture, image, QTransform::fromScale(scale, scale), budget);
    return image;
}

// A copy of the file with zeroed slack after it (see `slack`).
QByteArray padded(QByteArrayView bytes) {
    QByteArray copy(bytes.size() + slack, '\0');
    std::copy(bytes.begin(), bytes.end(), copy.begin());
    return copy;
}

} // namespace

std::optional<QSize> pictureSize(QByteArrayView bytes, Kind kind) {
    const std::optional<Picture> picture = readHeader(Bytes(bytes.data(), bytes.size()), kind);
    if (!picture)
        return std::nullopt;
    return picture->size;
}

QImage render(QByteArrayView bytes, Kind kind, QSize corner, qint64 maxPixels) {
    const QByteArray copy = padded(bytes);
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
    return drawOnPage(file, *picture, size, 1);
}

QImage renderToFit(QByteArrayView bytes, Kind kind, qint64 maxPixels) {
    const QByteArray copy = padded(bytes);
    const Bytes file(copy.constData(), bytes.size());
    const std::optional<Picture> picture = readHeader(file, kind);
    if (!picture || maxPixels < 1)
        return {};
    const QSize natural = picture->size;
    const double pixels = double(natural.width()) * natural.height();
    const double scale = pixels <= double(maxPixels) ? 1 : std::sqrt(double(maxPixels) / pixels);
    // Rounded down, so that the scaled image stays within the limit.
    const QSize size(std::max(1, int(natural.width() * scale)), std::max(1, int(natural.height() * scale)));
    if (qint64(size.width()) * size.height() > maxPixels)
        return {};
    return drawOnPage(file, *picture, size, scale);
}

QImage renderEmbedded(QByteArrayView bytes, Kind kind, QSize size, qint64& budget) {
    const QByteArray copy = padded(bytes);
    const Bytes file(copy.constData(), bytes.size());
    const std::optional<Picture> picture = readHeader(file, kind);
    if (!picture || picture->size.isEmpty() || size.isEmpty())
        return {};
    QImage image(size, QImage::Format_ARGB32_Premultiplied);
    if (image.isNull())
        return {};
    image.fill(Qt::transparent);
    // Stretched from its natural size onto the image.
    draw(file, *picture, image,
         QTransform::fromScale(double(size.width()) / picture->size.width(),
                               double(size.height()) / picture->size.height()),
         budget);
    return image;
}

} // namespace metafile
