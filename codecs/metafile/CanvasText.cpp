#include "codecs/metafile/Canvas.h"
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

// The family list for a face: the metafile's name first (fontconfig finds its metric twin, such as
// Liberation Serif for Times New Roman), and for the symbol fonts, whose characters are mapped to
// Unicode, the fonts that have those characters when the named one is not installed: OpenSymbol
// for the mathematical signs, DejaVu Sans for the bracket pieces and arrows OpenSymbol lacks.
QStringList familiesOf(const LogicalFont& logical) {
    QString face = logical.face.trimmed();
    if (face.startsWith(u'@')) // a vertical CJK font: the same glyphs, set upright here
        face.remove(0, 1);
    QStringList families;
    if (!face.isEmpty())
        families.append(face);
    if (logical.symbols != SymbolSet::None)
        families << QStringLiteral("OpenSymbol") << QStringLiteral("DejaVu Sans");
    return families;
}

QFont qtFont(const LogicalFont& logical, double pixels, const QImage& image) {
    QFont font;
    const QStringList families = familiesOf(logical);
    if (!families.isEmpty())
        font.setFamilies(families);
    // In points of the image's resolution, which keeps a fraction of a pixel that a pixel size would
    // round away: formulas set at 14.7 pixels are not 15.
    font.setPointSizeF(pixels * 72 / image.logicalDpiY());
    font.setWeight(QFont::Weight(std::clamp(logical.weight == 0 ? 400 : logical.weight, 100, 900)));
    font.setItalic(logical.italic);
    font.setUnderline(logical.underline);
    font.setStrikeOut(logical.strikeOut);
    // GDI places every glyph on whole device pixels and neither kerns nor forms ligatures.
    font.setKerning(false);
    font.setStyleStrategy(QFont::PreferDefault);
    return font;
}

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

    const QString text = run.text.left(maxTextLength);
    const bool spaced = run.advances.size() >= std::size_t(text.size());
    // The baseline runs along the escapement, which the file gives in its logical space: a mapping
    // that turns the y axis upwards turns the text with it. Glyphs are never mirrored.
    const double escapement = dc_.font.escapementDegrees * M_PI / 180;
    const QPointF along(std::cos(escapement), -std::sin(escapement));
    const QPointF up(-std::sin(escapement), -std::cos(escapement));
    const QPointF origin = t.map(reference);
    const QPointF baseline = t.map(along) - t.map(QPointF());
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

    double logicalWidth = 0;
    if (spaced) {
        for (qsizetype i = 0; i < text.size(); ++i)
            logicalWidth += run.advances[std::size_t(i)];
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
            drawGlyphIndices(frame, QPointF(x, y), text, spaced ? run.advances : std::vector<double>(),
                             unitAlong, stretch, font);
        else if (spaced)
            drawSpaced(frame, QPointF(x, y), text, run.advances, unitAlong, stretch);
        else
            drawNatural(frame, QPointF(x, y), text, stretch);
        painter_.restore();
    }
    if (updateCurrent)
        dc_.currentPosition = reference + along * logicalWidth;
}

void Canvas::drawNatural(const QTransform& frame, QPointF at, const QString& text, double stretch) {
    painter_.setTransform(QTransform(stretch, 0, 0, 1, at.x(), 0) * frame);
    painter_.drawText(QPointF(0, at.y()), text);
}

void Canvas::drawSpaced(const QTransform& frame, QPointF at, const QString& text,
                        const std::vector<double>& advances, double unitAlong, double stretch) {
    double x = at.x();
    for (qsizetype i = 0; i < text.size(); ++i) {
        const qsizetype units = text[i].isHighSurrogate() && i + 1 < text.size() ? 2 : 1;
        if (!text[i].isSpace()) {
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
