#include "codecs/metafile/Canvas.h"
#include "codecs/metafile/EmfPlusPlayer.h"
#include "codecs/metafile/EmfPlusReader.h"
#include "codecs/metafile/EmfPlusRecords.h"
#include "codecs/metafile/FontChoice.h"
#include "codecs/metafile/PageTransform.h"
#include "codecs/metafile/TextEncoding.h"

#include <QFontMetricsF>
#include <QGlyphRun>
#include <QGuiApplication>
#include <QPainter>
#include <QRawFont>
#include <QtEndian>
#include <cmath>

namespace metafile {

using namespace emfplus;

namespace {

// Longer strings are cut: no picture label needs more, and layout time grows with the length.
constexpr qint64 maxTextLength = 4096;
// Font sizes in image pixels outside this range draw nothing visible or only cost time.
constexpr double minFontPixels = 0.5;
constexpr double maxFontPixels = 4096;
// A substituted font may run a little wider than the file's own: a line the file's font fits in its
// layout rectangle is not wrapped for that.
constexpr double wrapTolerance = 1.1;
// Laying out and drawing a character costs about a microsecond.
constexpr qint64 characterWork = 2000;

// String format flags.
constexpr quint32 formatNoWrap = 0x1000;
constexpr quint32 formatNoClip = 0x4000;
// Driver string options.
constexpr quint32 characterCodes = 0x1;
constexpr quint32 realizedAdvance = 0x4;

bool fontsAvailable() {
    // Fonts need the application's font database; without one (a tool or a fuzzer) text is left out.
    return qobject_cast<QGuiApplication*>(QCoreApplication::instance()) != nullptr;
}

// The font as GDI records name it, for the families and the symbol fonts they share.
LogicalFont logicalFont(const Font& font) {
    LogicalFont logical;
    logical.face = font.family;
    logical.symbols = symbolSetOf(font.family);
    return logical;
}

// Text in a symbol font as the characters its letters stand for: the text of GDI+ records is
// Unicode, but the Symbol font still shows Greek for Latin letters, as GDI+ draws it.
QString symbolText(const QString& text, const Font& font) {
    const SymbolSet symbols = symbolSetOf(font.family);
    return withSymbolShapes(mapSymbols(text, symbols), symbols);
}

QFont qtFont(const Font& font, int pixels, bool antialias) {
    QFont qfont;
    // The font, not the painter, decides whether Qt smooths its glyphs.
    if (!antialias)
        qfont.setStyleStrategy(QFont::NoAntialias);
    if (const QStringList families = fontFamilies(logicalFont(font)); !families.isEmpty())
        qfont.setFamilies(families);
    qfont.setPixelSize(pixels);
    qfont.setBold(font.style & 1);
    qfont.setItalic(font.style & 2);
    qfont.setUnderline(font.style & 4);
    qfont.setStrikeOut(font.style & 8);
    return qfont;
}

// Text is laid out in "local" units: world units scaled so that the font's em is a whole number of
// pixels, `pixels`, and the painter maps local units to the image at about one to one.
struct TextScale {
    int pixels = 0;
    double localPerWorld = 0;
    QTransform localToImage;
};

std::optional<TextScale> textScale(double emWorld, const QTransform& worldToImage) {
    const double imageEm = emWorld * std::hypot(worldToImage.m21(), worldToImage.m22());
    if (!(imageEm >= minFontPixels && imageEm <= maxFontPixels) || !saneTransform(worldToImage))
        return std::nullopt;
    TextScale scale;
    scale.pixels = std::max(1, int(std::lround(imageEm)));
    scale.localPerWorld = scale.pixels / emWorld;
    scale.localToImage =
        QTransform::fromScale(1 / scale.localPerWorld, 1 / scale.localPerWorld) * worldToImage;
    return scale;
}

QString readUtf16(Reader& in, qint64 length) {
    QString text;
    if (!in.has(length, 2))
        return text;
    text.reserve(std::min(length, maxTextLength));
    for (qint64 i = 0; i < length; ++i) {
        const char16_t c = in.u16();
        if (i < maxTextLength)
            text.append(QChar(c));
    }
    return text;
}

// How many glyphs the raw font has, from its 'maxp' table; 0 when unknown.
int glyphCount(const QRawFont& font) {
    const QByteArray maxp = font.fontTable("maxp");
    return maxp.size() >= 6 ? qFromBigEndian<quint16>(maxp.constData() + 4) : 0;
}

} // namespace

bool EmfPlusPlayer::textRecord(quint16 type, quint16 flags, Reader& in) {
    if (type == RecordDrawString)
        drawString(flags, in);
    else if (type == RecordDrawDriverString)
        drawDriverString(flags, in);
    else
        return false;
    return true;
}

// The string is laid out in its layout rectangle as GDI+ does: wrapped at words to the rectangle's
// width (unless the format says not to, or the width is 0), aligned by the format, a sixth of an em
// kept free on either side, and clipped to the rectangle unless the format says not to.
void EmfPlusPlayer::drawString(quint16 flags, Reader& in) {
    const quint32 brushOrColour = in.u32();
    const quint32 formatId = in.u32();
    const qint64 length = in.u32();
    const QRectF layout = in.rect();
    QString text = readUtf16(in, length);
    const Font* font = objects_.get<Font>(flags & 0xFF);
    const std::optional<Brush> paintWith = brush(flags, brushOrColour);
    if (!in.ok() || !font || !paintWith || text.isEmpty() || !fontsAvailable())
        return;
    text = symbolText(text, *font);
    const StringFormat format = [&] {
        const StringFormat* object = objects_.get<StringFormat>(formatId);
        return object ? *object : StringFormat{};
    }();
    const std::optional<TextScale> scale = textScale(worldLength(font->emSize, font->unit), worldToImage());
    if (!scale)
        return;
    const QFont qfont = qtFont(*font, scale->pixels, state_.textAntialias);
    const QFontMetricsF metrics(qfont);
    const double k = scale->localPerWorld;
    const QRectF rect(layout.x() * k, layout.y() * k, layout.width() * k, layout.height() * k);
    const bool sized = rect.width() > 0 && rect.height() > 0;
    QRectF box = rect.width() > 0 ? rect.adjusted(format.leadingMargin * scale->pixels, 0,
                                                  -format.trailingMargin * scale->pixels, 0)
                                  : QRectF(rect.topLeft(), QSizeF(0, std::max(0.0, rect.height())));

    static constexpr Qt::Alignment horizontal[] = {Qt::AlignLeft, Qt::AlignHCenter, Qt::AlignRight};
    static constexpr Qt::Alignment vertical[] = {Qt::AlignTop, Qt::AlignVCenter, Qt::AlignBottom};
    int qflags = int(horizontal[std::min<quint32>(format.alignment, 2)] |
                     vertical[std::min<quint32>(format.lineAlignment, 2)]) |
                 Qt::TextExpandTabs;
    if (format.hotkeyPrefix == 1)
        qflags |= Qt::TextShowMnemonic;
    else if (format.hotkeyPrefix == 2)
        qflags |= Qt::TextHideMnemonic;
    double widest = 0;
    for (const QString& line : text.split(QLatin1Char('\n')))
        widest = std::max(widest, metrics.horizontalAdvance(line));
    if (!(format.flags & formatNoWrap) && box.width() > 0 && widest > box.width() * wrapTolerance)
        qflags |= Qt::TextWordWrap;
    // What a wider substitute font puts past the rectangle's side stays visible.
    const QRectF clip =
        rect.adjusted(-rect.width() * (wrapTolerance - 1), 0, rect.width() * (wrapTolerance - 1), 0);
    const bool clipped = sized && !(format.flags & formatNoClip);
    if (!clipped)
        qflags |= Qt::TextDontClip;

    const QRectF extent = clipped ? clip : metrics.boundingRect(box, qflags, text);
    paint(
        scale->localToImage.mapRect(extent), characterWork * text.size(), scale->localToImage,
        [&](QPainter& painter) {
            if (clipped)
                painter.setClipRect(clip, Qt::IntersectClip);
            painter.setFont(qfont);
            painter.setPen(QPen(paintWith->brush, 0));
            painter.drawText(box, qflags, text);
        },
        state_.antialias);
}

// Glyphs, each at its own position (or, with realized advances, the first at its position and the
// others after it by their advances). The glyphs are characters or the font's glyph indices.
void EmfPlusPlayer::drawDriverString(quint16 flags, Reader& in) {
    const quint32 brushOrColour = in.u32();
    const quint32 options = in.u32();
    const bool hasMatrix = in.u32() != 0;
    const qint64 count = in.u32();
    if (!in.has(count, 2 + 8))
        return;
    QList<quint32> glyphs;
    for (qint64 i = 0; i < count; ++i)
        glyphs.append(in.u16());
    const QPolygonF positions = in.points(count, 0);
    const QTransform matrix = hasMatrix ? in.transform() : QTransform();
    const Font* font = objects_.get<Font>(flags & 0xFF);
    const std::optional<Brush> paintWith = brush(flags, brushOrColour);
    if (!in.ok() || !font || !paintWith || count == 0 || count > maxTextLength || !fontsAvailable())
        return;
    const std::optional<TextScale> scale =
        textScale(worldLength(font->emSize, font->unit), matrix * worldToImage());
    if (!scale)
        return;
    const QFont qfont = qtFont(*font, scale->pixels, state_.textAntialias);
    const QRawFont raw = QRawFont::fromFont(qfont);
    if (!raw.isValid())
        return;

    QString characters;
    if (options & characterCodes) {
        for (const quint32 code : glyphs)
            characters.append(QChar(char16_t(code)));
        characters = symbolText(characters, *font);
        glyphs = raw.glyphIndexesForString(characters);
        if (glyphs.size() != count)
            return; // surrogate pairs: not placed one by one
    } else {
        const quint32 available = quint32(glyphCount(raw));
        for (quint32& glyph : glyphs)
            glyph = glyph < available ? glyph : 0;
    }
    const double k = scale->localPerWorld;
    QList<QPointF> placed;
    if (options & realizedAdvance) {
        QPointF pen = positions.first() * k;
        const QList<QPointF> advances = raw.advancesForGlyphIndexes(glyphs);
        for (qsizetype i = 0; i < glyphs.size(); ++i) {
            placed.append(pen);
            pen += i < advances.size() ? advances[i] : QPointF();
        }
    } else {
        for (const QPointF& at : positions)
            placed.append(at * k);
    }
    // Characters the font lacks are drawn one by one, so that Qt finds another font for them.
    QList<quint32> drawnGlyphs;
    QList<QPointF> drawnAt;
    QList<std::pair<QChar, QPointF>> fallback;
    for (qsizetype i = 0; i < glyphs.size(); ++i) {
        if (glyphs[i] != 0) {
            drawnGlyphs.append(glyphs[i]);
            drawnAt.append(placed[i]);
        } else if (!characters.isEmpty() && !characters[i].isSpace()) {
            fallback.append({characters[i], placed[i]});
        }
    }
    QGlyphRun run;
    run.setRawFont(raw);
    run.setGlyphIndexes(drawnGlyphs);
    run.setPositions(drawnAt);
    run.setUnderline(font->style & 4);
    run.setStrikeOut(font->style & 8);
    const QRectF extent = QPolygonF(placed).boundingRect().adjusted(
        -2.0 * scale->pixels, -2.0 * scale->pixels, 2.0 * scale->pixels, 2.0 * scale->pixels);
    paint(
        scale->localToImage.mapRect(extent), characterWork * count, scale->localToImage,
        [&](QPainter& painter) {
            painter.setPen(QPen(paintWith->brush, 0));
            // Qt reads past an empty underlined or struck-out run.
            if (!drawnGlyphs.isEmpty())
                painter.drawGlyphRun(QPointF(), run);
            painter.setFont(qfont);
            for (const auto& [character, at] : fallback)
                painter.drawText(at, QString(character));
        },
        state_.antialias);
}

} // namespace metafile
