#include "codecs/metafile/Canvas.h"
#include "codecs/metafile/PageTransform.h"

#include <cmath>

namespace metafile {

namespace {

constexpr quint32 srcCopy = 0x00CC0020;
// A bitmap turned or sheared by the world transform is drawn by Qt; past this many pixels from the
// image, its transformed corners are garbage, not a picture.
constexpr double maxTransformedReach = 1e6;

// GDI's ternary raster operation on whole pixels, bit by bit.
quint32 ternary(quint8 operation, quint32 p, quint32 s, quint32 d) {
    quint32 out = 0;
    for (int i = 0; i < 8; ++i) {
        if (operation & (1 << i))
            out |= ((i & 4) ? p : ~p) & ((i & 2) ? s : ~s) & ((i & 1) ? d : ~d);
    }
    return out;
}

quint8 operationOf(quint32 rop) {
    return quint8((rop >> 16) & 0xFF);
}

} // namespace

// The brush's colour at an image pixel, as the pattern of a raster operation sees it.
quint32 Canvas::patternAt(int x, int y) const {
    const QBrush& brush = dc_.brush;
    if (brush.style() == Qt::TexturePattern) {
        const QImage tile = brush.textureImage();
        if (!tile.isNull())
            return tile.pixel(x % tile.width(), y % tile.height()) | 0xFF000000u;
    }
    if (brush.style() == Qt::NoBrush)
        return 0xFFFFFFFFu;
    return brush.color().rgb() | 0xFF000000u;
}

void Canvas::bitmap(const QRectF& target, const QImage& image, const QRectF& source, const Blend& blend) {
    if (image.isNull() || exhausted())
        return;
    const QTransform t = logicalToImage();
    if (!saneTransform(t) || !std::isfinite(source.x()) || !std::isfinite(source.y()) ||
        source.width() == 0 || source.height() == 0 || target.width() == 0 || target.height() == 0)
        return;
    // Source pixels to image pixels, through the unit square, so that a negative width or height on
    // either side mirrors the bitmap as GDI does.
    const QTransform sourceToUnit = QTransform::fromTranslate(-source.x(), -source.y()) *
                                    QTransform::fromScale(1 / source.width(), 1 / source.height());
    const QTransform unitToTarget(target.width(), 0, 0, target.height(), target.x(), target.y());
    const QTransform sourceToImage = sourceToUnit * unitToTarget * t;
    if (!saneTransform(sourceToImage))
        return;
    // Only the part of the source inside the bitmap is ever read: a rectangle reaching past it (a
    // damaged record) draws what it covers of the bitmap and nothing else.
    const QRect inside = source.normalized().toAlignedRect().intersected(image.rect());
    if (inside.isEmpty())
        return;
    budget_ -= 4;
    if (sourceToImage.m12() == 0 && sourceToImage.m21() == 0) {
        blitAligned(sourceToImage, image, inside, blend);
        return;
    }
    // Turned or sheared: Qt draws the part of the bitmap that is inside, under the transform.
    const QPolygonF corners = sourceToImage.map(QPolygonF(QRectF(inside)));
    const QRectF reach = corners.boundingRect();
    if (reach.width() > maxTransformedReach || reach.height() > maxTransformedReach ||
        std::abs(reach.x()) > maxTransformedReach || std::abs(reach.y()) > maxTransformedReach)
        return;
    const QRectF visible = reach.intersected(QRectF(image_.rect()));
    if (visible.isEmpty())
        return;
    budget_ -= qint64(visible.width() * visible.height()) + qint64(inside.width()) * inside.height();
    QImage part = image.copy(inside);
    if (blend.transparent) {
        part = part.convertToFormat(QImage::Format_ARGB32);
        for (int y = 0; y < part.height(); ++y) {
            auto* line = reinterpret_cast<QRgb*>(part.scanLine(y));
            for (int x = 0; x < part.width(); ++x)
                if ((line[x] & 0xFFFFFF) == (*blend.transparent & 0xFFFFFF))
                    line[x] = 0;
        }
    }
    painter_.save();
    painter_.setTransform(QTransform::fromTranslate(inside.x(), inside.y()) * sourceToImage);
    if (blend.alphaBlend)
        painter_.setOpacity(blend.constantAlpha / 255.0);
    painter_.drawImage(QPointF(0, 0), part);
    painter_.restore();
}

// An axis-aligned blit, sampled here pixel by pixel (nearest neighbour, as GDI stretches): only the
// image pixels it covers are visited, whatever the scale, and every raster operation applies.
void Canvas::blitAligned(const QTransform& sourceToImage, const QImage& image, const QRect& inside,
                         const Blend& blend) {
    const QRect covered = sourceToImage.mapRect(QRectF(inside)).toAlignedRect().intersected(image_.rect());
    if (covered.isEmpty())
        return;
    budget_ -= qint64(covered.width()) * covered.height();
    const QTransform imageToSource = sourceToImage.inverted();
    // Separable: one source column per image column, one source row per image row; -1 outside.
    std::vector<int> columns(std::size_t(covered.width()));
    for (int x = 0; x < covered.width(); ++x) {
        const double sx = std::floor(imageToSource.m11() * (covered.x() + x + 0.5) + imageToSource.dx());
        columns[std::size_t(x)] = sx >= inside.left() && sx <= inside.right() ? int(sx) : -1;
    }
    std::vector<int> rows(std::size_t(covered.height()));
    for (int y = 0; y < covered.height(); ++y) {
        const double sy = std::floor(imageToSource.m22() * (covered.y() + y + 0.5) + imageToSource.dy());
        rows[std::size_t(y)] = sy >= inside.top() && sy <= inside.bottom() ? int(sy) : -1;
    }
    const bool keepsAlpha = blend.alphaBlend && image.hasAlphaChannel();
    const QImage src =
        image.convertToFormat(keepsAlpha ? QImage::Format_ARGB32_Premultiplied : QImage::Format_RGB32);
    const bool plainCopy = blend.rop == srcCopy && blend.mask.isNull();
    QImage out(covered.size(), QImage::Format_ARGB32_Premultiplied);
    out.fill(Qt::transparent);
    for (int y = 0; y < covered.height(); ++y) {
        const int sy = rows[std::size_t(y)];
        if (sy < 0)
            continue;
        const auto* in = reinterpret_cast<const QRgb*>(src.constScanLine(sy));
        const auto* under =
            reinterpret_cast<const QRgb*>(image_.constScanLine(covered.y() + y)) + covered.x();
        const auto* maskLine = !blend.mask.isNull() && sy < blend.mask.height()
                                   ? reinterpret_cast<const QRgb*>(blend.mask.constScanLine(sy))
                                   : nullptr;
        auto* line = reinterpret_cast<QRgb*>(out.scanLine(y));
        for (int x = 0; x < covered.width(); ++x) {
            const int sx = columns[std::size_t(x)];
            if (sx < 0)
                continue;
            const QRgb s = in[sx];
            if (blend.transparent && (s & 0xFFFFFF) == (*blend.transparent & 0xFFFFFF))
                continue;
            if (keepsAlpha || plainCopy) {
                line[x] = keepsAlpha ? s : (s | 0xFF000000u);
                continue;
            }
            quint32 rop = blend.rop;
            if (maskLine && sx < blend.mask.width() && (maskLine[sx] & 0xFFFFFF) == 0)
                rop = blend.backgroundRop;
            const quint32 p = patternAt(covered.x() + x, covered.y() + y);
            line[x] = (ternary(operationOf(rop), p, s, under[x]) & 0xFFFFFF) | 0xFF000000u;
        }
    }
    painter_.save();
    painter_.resetTransform();
    if (blend.alphaBlend)
        painter_.setOpacity(blend.constantAlpha / 255.0);
    painter_.drawImage(covered.topLeft(), out);
    painter_.restore();
}

void Canvas::fill(const QRectF& target, const QBrush& brush) {
    if (!prepare(target, 4))
        return;
    painter_.fillRect(target.normalized(), brush);
}

// A blit of the brush alone: PATCOPY fills, the constant operations paint black or white, and the
// others combine the pattern with what is drawn, pixel by pixel where the mapping keeps the axes.
void Canvas::patternBlit(const QRectF& target, quint32 rop) {
    const quint8 operation = operationOf(rop);
    const QTransform t = logicalToImage();
    if (operation == 0xAA || exhausted() || !saneTransform(t)) // the destination as it is
        return;
    if (operation == 0xF0) {
        fill(target, dc_.brush);
        return;
    }
    if (t.m12() != 0 || t.m21() != 0) {
        if (operation == 0x00 || operation == 0xFF)
            fill(target, operation == 0x00 ? Qt::black : Qt::white);
        return;
    }
    const QRect covered = t.mapRect(target.normalized()).toAlignedRect().intersected(image_.rect());
    if (covered.isEmpty())
        return;
    budget_ -= 4 + qint64(covered.width()) * covered.height();
    QImage out(covered.size(), QImage::Format_RGB32);
    for (int y = 0; y < covered.height(); ++y) {
        const auto* under =
            reinterpret_cast<const QRgb*>(image_.constScanLine(covered.y() + y)) + covered.x();
        auto* line = reinterpret_cast<QRgb*>(out.scanLine(y));
        for (int x = 0; x < covered.width(); ++x)
            line[x] =
                ternary(operation, patternAt(covered.x() + x, covered.y() + y), 0, under[x]) | 0xFF000000u;
    }
    painter_.save();
    painter_.resetTransform();
    painter_.drawImage(covered.topLeft(), out);
    painter_.restore();
}

} // namespace metafile
