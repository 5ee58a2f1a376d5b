#include "codecs/metafile/Canvas.h"
#include "codecs/metafile/PageTransform.h"

#include <QFontMetricsF>
#include <cmath>

namespace metafile {

namespace {

// Longer strings are cut: no picture label needs more, and layout time grows with the length.
constexpr qsizetype maxTextLength = 4096;
// Font sizes in image pixels outside this range draw nothing visible or only cost time.
constexpr double minFontPixels = 0.5;
constexpr double maxFontPixels = 4096;

QFont qtFont(const LogicalFont& logical, double pixels) {
    QFont font;
    if (!logical.face.isEmpty())
        font.setFamilies({logical.face});
    font.setPixelSize(std::max(1, int(std::lround(pixels))));
    font.setWeight(QFont::Weight(std::clamp(logical.weight == 0 ? 400 : logical.weight, 100, 900)));
    font.setItalic(logical.italic);
    font.setUnderline(logical.underline);
    font.setStrikeOut(logical.strikeOut);
    return font;
}

} // namespace

void Canvas::text(QPointF reference, const QString& rawText, const std::optional<QRectF>& box,
                  quint32 options) {
    // Fonts need the application's font database; without one (a tool or a fuzzer) text is left out.
    if (!textUsable_ || exhausted() || recording_)
        return;
    const QTransform t = logicalToImage();
    if (!saneTransform(t))
        return;
    const bool updateCurrent = dc_.textAlign & 1;
    if (updateCurrent)
        reference = dc_.currentPosition;

    if (box && (options & 0x2) && prepare(*box, 4)) { // ETO_OPAQUE
        painter_.fillRect(box->normalized(), dc_.backgroundColor);
    }
    const QString text = rawText.left(maxTextLength);
    // The font's height is in logical units along the y axis.
    const double unitY = std::hypot(t.m21(), t.m22());
    const double pixels = std::abs(dc_.font.height) * unitY;
    if (text.isEmpty() || pixels < minFontPixels || pixels > maxFontPixels)
        return;

    const QFont font = qtFont(dc_.font, pixels);
    const QFontMetricsF metrics(font, &image_);
    const double width = metrics.horizontalAdvance(text);
    double x = 0;
    switch (dc_.textAlign & 6) {
    case 2:
        x = -width;
        break; // TA_RIGHT
    case 6:
        x = -width / 2;
        break; // TA_CENTER
    default:
        break;
    }
    double y = metrics.ascent(); // TA_TOP
    if ((dc_.textAlign & 24) == 24)
        y = 0; // TA_BASELINE
    else if (dc_.textAlign & 8)
        y = -metrics.descent(); // TA_BOTTOM

    QTransform place;
    place.translate(t.map(reference).x(), t.map(reference).y());
    place.rotate(-dc_.font.escapementDegrees);
    const QRectF textBox(x, y - metrics.ascent(), width, metrics.height());
    const QRectF imageBox = place.mapRect(textBox);
    budget_ -= 16 + text.size();
    const QRectF visible = imageBox.intersected(QRectF(image_.rect()));
    if (!visible.isEmpty()) {
        budget_ -= qint64(visible.width() * visible.height());
        painter_.save();
        painter_.resetTransform();  // the clip below is in image pixels
        if (box && (options & 0x4)) // ETO_CLIPPED
            painter_.setClipPath(
                [&] {
                    QPainterPath clip;
                    clip.addPolygon(t.map(QPolygonF(box->normalized())));
                    return clip;
                }(),
                dc_.clip ? Qt::IntersectClip : Qt::ReplaceClip);
        painter_.setTransform(place);
        if (dc_.opaqueBackground)
            painter_.fillRect(textBox, dc_.backgroundColor);
        painter_.setFont(font);
        painter_.setPen(dc_.textColor);
        painter_.drawText(QPointF(x, y), text);
        painter_.restore();
    }
    if (updateCurrent && unitY > 0)
        dc_.currentPosition = reference + QPointF(width / std::hypot(t.m11(), t.m12()), 0);
}

} // namespace metafile
