#include "codecs/metafile/Canvas.h"
#include "codecs/metafile/FontChoice.h"
#include "codecs/metafile/PageTransform.h"

#include <QFontInfo>
#include <QFontMetricsF>
#include <QGlyphRun>
#include <QRawFont>
#include <QtEndian>
#include <cmath>

namespace metafile {

namespace {

// Longer strings are cut: no picture label needs more, and layout time grows with the length.
constexpr qsizetype maxTextLength = 4096;
// Font sizes in image pixels outside this range draw nothing visible or only cost time.
constexpr double minFontPixels = 0.5;
constexpr double maxFontPixels = 4096;
// Squeezing or widening glyphs further than this is a broken width, not a design.
constexpr double minStretch = 0.2;
constexpr double maxStretch = 5;

constexpr quint32 etoOpaque = 0x2;
constexpr quint32 etoClipped = 0x4;
constexpr quint32 etoGlyphIndex = 0x10;

double length(QPointF v) {
    return std::hypot(v.x(), v.y());
}

} // namespace

// The average character width of a font as GDI measures it (the OS/2 table's xAvgCharWidth), per
// pixel of its size; fonts without that table use Qt's own average.
double Canvas::averageWidthPerPixel(const QFont& font) {
    const QString key = font.families().join(u'/') + QString::number(font.weight()) +
                        QLatin1StringView(font.italic() ? "i" : "");
    if (const auto known = averageWidths_.constFind(key); known != averageWidths_.cend())
        return *known;
    double ratio = QFontMetricsF(font).averageCharWidth() / QFontInfo(font).pixelSize();
    const QRawFont raw = QRawFont::fromFont(font);
    const QByteArray os2 = raw.isValid() ? raw.fontTable("OS/2") : QByteArray();
    if (os2.size() >= 4 && raw.unitsPerEm() > 0) {
        const qint16 average = qFromBigEndian<qint16>(os2.constData() + 2);
        if (average > 0)
            ratio = average / raw.unitsPerEm();
    }
    averageWidths_.insert(key, ratio);
    return ratio;
}

// A square around the reference point that holds all `text` can draw: no length grows under the
// transform by more than its Frobenius norm, the font is as many pixels high as its height grows,
// glyphs are stretched at most `maxStretch`, no character advances further than three ems, and a
// glyph overhangs its advance by less than its em, the underline and the opaque box included.
bool Canvas::textMissesImage(QPointF reference, qint64 characters, std::optional<double> advance) const {
    if (recording_ || (dc_.textAlign & 1))
        return false;
    const QTransform t = logicalToImage();
    if (!saneTransform(t))
        return false;
    const double growth =
        std::sqrt(t.m11() * t.m11() + t.m12() * t.m12() + t.m21() * t.m21() + t.m22() * t.m22());
    const double em = std::abs(dc_.font.height) * growth * maxStretch;
    const double along = advance ? *advance * growth : double(characters) * 3 * em;
    const double reach = along + 3 * em + 4;
    const QPointF at = t.map(reference);
    const QRectF bounds(at - QPointF(reach, reach), at + QPointF(reach, reach));
    return std::isfinite(reach) && !bounds.intersects(QRectF(image_.rect()));
}

void Canvas::text(QPointF reference, const TextRun& run, const std::optional<QRectF>& box, quint32 options) {
    // Fonts need the application's font database; without one (a tool or a fuzzer) text is left out.
    if (!textUsable_ || exhausted() || recording_)
        return;
    const QTransform t = logicalToImage();
    if (!saneTransform(t))
        return;
    const bool updateCurrent = dc_.textAlign & 1;
    if (updateCurrent)
        reference = dc_.currentPosition;

    if (box && (options & etoOpaque) && prepare(*box, 4))
        painter_.fillRect(box->normalized(), dc_.backgroundColor);

    const QString text = withSymbolShapes(run.text.left(maxTextLength), dc_.font.symbols);
    // The baseline runs along the escapement, which the file gives in its logical space: a mapping
    // that turns the y axis upwards turns the text with it. Glyphs are never mirrored.
    const double escapement = dc_.font.escapementDegrees * M_PI / 180;
    const QPointF along(std::cos(escapement), -std::sin(escapement));
    const QPointF up(-std::sin(escapement), -std::cos(escapement));
    const QPointF origin = t.map(reference);
    QPointF baseline = t.map(along) - t.map(QPointF());
    // Outside the advanced graphics mode GDI writes text left to right whatever the mapping does to
    // the x axis: where the mapping mirrors x, the baseline is turned back. (Mirroring one axis only
    // also turns the escapement the other way, which mapping its logical direction already does.)
    if (!run.advancedGraphics && t.m12() == 0 && t.m21() == 0 && t.m11() < 0)
        baseline = -baseline;
    const double unitAlong = length(baseline);
    const double unitUp = length(t.map(up) - t.map(QPointF()));
    const double pixels = std::abs(dc_.font.height) * unitUp;
    if (text.isEmpty() || pixels < minFontPixels || pixels > maxFontPixels || unitAlong <= 0)
        return;

    const QFont font = qtFont(dc_.font, pixels, image_);
    const QFontMetricsF metrics(font, &image_);
    // Glyphs are widened or narrowed by the font's own width and by a world transform that scales
    // one axis more than the other.
    double stretch = length(dc_.world.map(along) - dc_.world.map(QPointF())) /
                     std::max(1e-9, length(dc_.world.map(up) - dc_.world.map(QPointF())));
    if (dc_.font.width > 0)
        stretch *= dc_.font.width * unitUp / (averageWidthPerPixel(font) * pixels);
    stretch = std::clamp(stretch, minStretch, maxStretch);

    // A symbol font's characters come from several stand-ins: each is placed at its own font's
    // advance, as if the file had given it.
    std::vector<double> advances = run.advances;
    const bool standIns = dc_.font.symbols != SymbolSet::None && !(options & etoGlyphIndex);
    const QFont serif = serifFont(font);
    if (standIns && advances.size() < std::size_t(text.size())) {
        const QFontMetricsF serifMetrics(serif, &image_);
        advances.clear();
        for (const QChar c : text)
            advances.push_back(
                (drawnInSerif(c, dc_.font.symbols) ? serifMetrics : metrics).horizontalAdvance(c) * stretch /
                unitAlong);
    }
    const bool spaced = advances.size() >= std::size_t(text.size());

    double logicalWidth = 0;
    if (spaced) {
        for (qsizetype i = 0; i < text.size(); ++i)
            logicalWidth += advances[std::size_t(i)];
    } else if (options & etoGlyphIndex) {
        const QRawFont raw = QRawFont::fromFont(font);
        QList<quint32> glyphs;
        for (const QChar c : text)
            glyphs.append(c.unicode());
        for (const QPointF advance : raw.advancesForGlyphIndexes(glyphs))
            logicalWidth += advance.x() * stretch / unitAlong;
    } else {
        logicalWidth = metrics.horizontalAdvance(text) * stretch / unitAlong;
    }
    const double width = logicalWidth * unitAlong;
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

    // Text space: x along the baseline, y down the glyphs, in image pixels, from the reference point.
    QTransform frame;
    frame.translate(origin.x(), origin.y());
    frame.rotateRadians(std::atan2(baseline.y(), baseline.x()));
    const QRectF textBox(x, y - metrics.ascent(), width, metrics.height());
    budget_ -= 16 + text.size();
    const QRectF visible = frame.mapRect(textBox).intersected(QRectF(image_.rect()));
    if (!visible.isEmpty()) {
        budget_ -= qint64(visible.width() * visible.height());
        painter_.save();
        painter_.resetTransform(); // the clip below is in image pixels
        if (box && (options & etoClipped)) {
            QPainterPath clip;
            clip.addPolygon(t.map(QPolygonF(box->normalized())));
            painter_.setClipPath(clip, dc_.clip ? Qt::IntersectClip : Qt::ReplaceClip);
        }
        painter_.setTransform(frame);
        if (dc_.opaqueBackground)
            painter_.fillRect(textBox, dc_.backgroundColor);
        painter_.setFont(font);
        painter_.setPen(dc_.textColor);
        if (options & etoGlyphIndex)
            drawGlyphIndices(frame, QPointF(x, y), text, spaced ? advances : std::vector<double>(), unitAlong,
                             stretch, font);
        else if (spaced)
            drawSpaced(frame, QPointF(x, y), text, advances, unitAlong, stretch, standIns ? &serif : nullptr);
        else
            drawNatural(frame, QPointF(x, y), text, stretch);
        painter_.restore();
    }
    // The current position moves on by the text's width along the baseline drawn.
    if (updateCurrent)
        dc_.currentPosition = t.inverted().map(origin + baseline * logicalWidth);
}

void Canvas::drawNatural(const QTransform& frame, QPointF at, const QString& text, double stretch) {
    painter_.setTransform(QTransform(stretch, 0, 0, 1, at.x(), 0) * frame);
    painter_.drawText(QPointF(0, at.y()), text);
}

void Canvas::drawSpaced(const QTransform& frame, QPointF at, const QString& text,
                        const std::vector<double>& advances, double unitAlong, double stretch,
                        const QFont* serif) {
    const QFont font = painter_.font();
    double x = at.x();
    for (qsizetype i = 0; i < text.size(); ++i) {
        const qsizetype units = text[i].isHighSurrogate() && i + 1 < text.size() ? 2 : 1;
        if (!text[i].isSpace()) {
            if (serif)
                painter_.setFont(drawnInSerif(text[i], dc_.font.symbols) ? *serif : font);
            painter_.setTransform(QTransform(stretch, 0, 0, 1, x, 0) * frame);
            painter_.drawText(QPointF(0, at.y()), text.mid(i, units));
        }
        for (qsizetype u = 0; u < units; ++u)
            x += advances[std::size_t(i + u)] * unitAlong;
        i += units - 1;
    }
}

// ETO_GLYPH_INDEX: the text's units are glyphs of the font, not characters.
void Canvas::drawGlyphIndices(const QTransform& frame, QPointF at, const QString& text,
                              const std::vector<double>& advances, double unitAlong, double stretch,
                              const QFont& font) {
    const QRawFont raw = QRawFont::fromFont(font);
    if (!raw.isValid())
        return;
    QList<quint32> glyphs;
    for (const QChar c : text)
        glyphs.append(c.unicode());
    QList<QPointF> positions;
    if (advances.empty()) {
        const QList<QPointF> natural = raw.advancesForGlyphIndexes(glyphs);
        double x = 0;
        for (const QPointF advance : natural) {
            positions.append(QPointF(x, 0));
            x += advance.x();
        }
    } else {
        double x = 0;
        for (qsizetype i = 0; i < glyphs.size(); ++i) {
            positions.append(QPointF(x, 0));
            x += advances[std::size_t(i)] * unitAlong / stretch;
        }
    }
    QGlyphRun run;
    run.setRawFont(raw);
    run.setGlyphIndexes(glyphs);
    run.setPositions(positions);
    painter_.setTransform(QTransform(stretch, 0, 0, 1, at.x(), 0) * frame);
    painter_.drawGlyphRun(QPointF(0, at.y()), run);
}

} // namespace metafile
