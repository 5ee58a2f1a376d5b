#pragma once

// A fragment as Qt's rich-text engine shows it (QTextDocument::setHtml, laid out), asked where its
// texts stand and how they look; and the rules a fragment must keep to be plain HTML that a quiz
// program can show.
#include <QAbstractTextDocumentLayout>
#include <QFont>
#include <QRegularExpression>
#include <QSet>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextLayout>
#include <QTextTable>
#include <functional>
#include <memory>

namespace rendered {

using namespace Qt::StringLiterals;

class Fragment {
public:
    explicit Fragment(const QString& html) : document_(std::make_unique<QTextDocument>()) {
        document_->setDefaultFont(QFont(u"DejaVu Sans"_s, 12));
        document_->setHtml(html);
        document_->setTextWidth(640);
        document_->documentLayout()->documentSize(); // lays it out
    }

    QTextDocument& document() const { return *document_; }
    QString plainText() const { return document_->toPlainText(); }

    // Where the `occurrence`th `needle` starts in the document; -1 when it is not there.
    int find(const QString& needle, int occurrence = 0) const {
        QTextCursor cursor(document_.get());
        for (int n = 0; n <= occurrence; ++n) {
            cursor = document_->find(needle, cursor, QTextDocument::FindCaseSensitively);
            if (cursor.isNull())
                return -1;
        }
        return cursor.selectionStart();
    }

    // The box of the characters of `needle` as laid out, in document coordinates; empty when absent.
    QRectF box(const QString& needle, int occurrence = 0) const {
        const int at = find(needle, occurrence);
        QRectF united;
        if (at < 0)
            return united;
        for (int p = at; p < at + needle.size(); ++p)
            united = united.isNull() ? charBox(p) : united.united(charBox(p));
        return united;
    }

    // Whether every character of `needle` has a format that `test` accepts.
    bool every(const QString& needle, const std::function<bool(const QTextCharFormat&)>& test) const {
        const int at = find(needle);
        if (at < 0)
            return false;
        for (int p = at; p < at + needle.size(); ++p)
            if (!test(formatAt(p)))
                return false;
        return true;
    }
    bool superscript(const QString& needle) const {
        return every(needle, [](const QTextCharFormat& f) {
            return f.verticalAlignment() == QTextCharFormat::AlignSuperScript;
        });
    }
    bool subscript(const QString& needle) const {
        return every(needle, [](const QTextCharFormat& f) {
            return f.verticalAlignment() == QTextCharFormat::AlignSubScript;
        });
    }

    // Whether a line runs over `needle`: its characters overlined, or a cell around it has a top border.
    bool barred(const QString& needle) const {
        if (every(needle, [](const QTextCharFormat& f) { return f.fontOverline(); }))
            return true;
        const int at = find(needle);
        return at >= 0 && !cellBordersAround(at, true).isEmpty();
    }

    // Whether a line runs between `top` and `bottom`: a border between their cells, or `top` underlined
    // or `bottom` overlined.
    bool lineBetween(const QString& top, const QString& bottom) const {
        const int upper = find(top), lower = find(bottom);
        if (upper < 0 || lower < 0)
            return false;
        return !cellBordersAround(lower, true).isEmpty() || !cellBordersAround(upper, false).isEmpty() ||
               every(top, [](const QTextCharFormat& f) { return f.fontUnderline(); }) ||
               every(bottom, [](const QTextCharFormat& f) { return f.fontOverline(); });
    }

    // The text with its raised and lowered runs marked: "H_{2}SO_{4}", "Fe^{3+}"; blocks on lines.
    QString notation() const {
        QStringList lines;
        for (QTextBlock block = document_->begin(); block.isValid(); block = block.next()) {
            QList<std::pair<QTextCharFormat::VerticalAlignment, QString>> runs;
            for (auto it = block.begin(); !it.atEnd(); ++it) {
                const QTextFragment piece = it.fragment();
                auto align = piece.charFormat().verticalAlignment();
                if (align != QTextCharFormat::AlignSuperScript && align != QTextCharFormat::AlignSubScript)
                    align = QTextCharFormat::AlignNormal;
                if (!runs.isEmpty() && runs.last().first == align)
                    runs.last().second += piece.text();
                else
                    runs.append({align, piece.text()});
            }
            QString line;
            for (const auto& [align, text] : runs)
                line += align == QTextCharFormat::AlignSuperScript ? u"^{"_s + text + u"}"_s
                        : align == QTextCharFormat::AlignSubScript ? u"_{"_s + text + u"}"_s
                                                                   : text;
            if (!line.isEmpty())
                lines << line;
        }
        return lines.join(u'\n');
    }

    int tableCount() const {
        int count = 0;
        countTables(document_->rootFrame(), count);
        return count;
    }

    // The table whose cells hold `needle`, innermost.
    QTextTable* tableAround(const QString& needle) const {
        const int at = find(needle);
        if (at < 0)
            return nullptr;
        QTextCursor cursor(document_.get());
        cursor.setPosition(at);
        return cursor.currentTable();
    }

private:
    QTextCharFormat formatAt(int position) const {
        QTextCursor cursor(document_.get());
        cursor.setPosition(position + 1);
        return cursor.charFormat();
    }

    QRectF charBox(int position) const {
        const QTextBlock block = document_->findBlock(position);
        const QRectF blockBox = document_->documentLayout()->blockBoundingRect(block);
        const int offset = position - block.position();
        const QTextLine line = block.layout()->lineForTextPosition(offset);
        if (!line.isValid())
            return {};
        const qreal left = line.cursorToX(offset), right = line.cursorToX(offset + 1);
        return {blockBox.x() + left, blockBox.y() + line.y(), right - left, line.height()};
    }

    // The top (or bottom) border widths of the cells around `position`, from the innermost out.
    QList<qreal> cellBordersAround(int position, bool topBorder) const {
        QList<qreal> borders;
        QTextCursor cursor(document_.get());
        cursor.setPosition(position);
        for (QTextFrame* frame = cursor.currentFrame(); frame; frame = frame->parentFrame()) {
            auto* table = qobject_cast<QTextTable*>(frame);
            if (!table)
                continue;
            const QTextTableCellFormat cell = table->cellAt(position).format().toTableCellFormat();
            const qreal width = topBorder ? cell.topBorder() : cell.bottomBorder();
            const auto style = topBorder ? cell.topBorderStyle() : cell.bottomBorderStyle();
            if (width > 0 && style != QTextFrameFormat::BorderStyle_None)
                borders << width;
        }
        return borders;
    }

    static void countTables(QTextFrame* frame, int& count) {
        for (QTextFrame* child : frame->childFrames()) {
            if (qobject_cast<QTextTable*>(child))
                ++count;
            countTables(child, count);
        }
    }

    std::unique_ptr<QTextDocument> document_;
};

// Why `html` is not plain HTML a quiz program can show: tags other than b i u sup sub br table tr
// td span, a script or style element, a class, an event attribute, a style property other than the
// few that Qt's rich text also understands, a character that should have been an entity, or markup
// left open. Empty when it is plain.
inline QStringList faults(const QString& html) {
    static const QSet<QString> tags{u"b"_s,  u"i"_s,     u"u"_s,  u"sup"_s, u"sub"_s,
                                    u"br"_s, u"table"_s, u"tr"_s, u"td"_s,  u"span"_s};
    static const QSet<QString> attributes{u"style"_s,   u"align"_s,  u"valign"_s,      u"colspan"_s,
                                          u"rowspan"_s, u"border"_s, u"cellspacing"_s, u"cellpadding"_s};
    static const QSet<QString> properties{u"border-top"_s, u"text-decoration"_s, u"font-size"_s};
    // Plain string literals: raw ones with quotes inside confuse moc.
    static const QRegularExpression tagPattern(
        u"^<(/?)([A-Za-z][A-Za-z0-9]*)((?:\\s+[^\\s=>/\"']+(?:\\s*=\\s*(?:\"[^\"]*\"|'[^']*'|[^\\s>\"']+))?)*)\\s*>"_s);
    static const QRegularExpression attributePattern(
        u"([^\\s=]+)(?:\\s*=\\s*(?:\"([^\"]*)\"|'([^']*)'|([^\\s>]+)))?"_s);
    static const QRegularExpression entityPattern(
        uR"(^&(?:[A-Za-z][A-Za-z0-9]*|#[0-9]+|#[xX][0-9A-Fa-f]+);)"_s);

    QStringList found;
    QStringList open;
    for (int i = 0; i < html.size();) {
        const QChar c = html[i];
        if (c == u'<') {
            const QRegularExpressionMatch tag = tagPattern.match(QStringView(html).mid(i));
            if (!tag.hasMatch()) {
                found << u"a bare < at %1"_s.arg(i);
                ++i;
                continue;
            }
            const QString name = tag.captured(2).toLower();
            if (!tags.contains(name))
                found << u"<%1>"_s.arg(name);
            if (tag.captured(1).isEmpty()) {
                auto attribute = attributePattern.globalMatch(tag.captured(3));
                while (attribute.hasNext()) {
                    const QRegularExpressionMatch a = attribute.next();
                    const QString attributeName = a.captured(1).toLower();
                    if (!attributes.contains(attributeName))
                        found << u"attribute %1 on <%2>"_s.arg(attributeName, name);
                    if (attributeName != u"style"_s)
                        continue;
                    const QString value = a.captured(2) + a.captured(3) + a.captured(4);
                    for (const QString& declaration : value.split(u';', Qt::SkipEmptyParts)) {
                        const QString property = declaration.section(u':', 0, 0).trimmed().toLower();
                        if (!property.isEmpty() && !properties.contains(property))
                            found << u"style %1"_s.arg(property);
                    }
                }
                if (name != u"br"_s)
                    open << name;
            } else if (open.isEmpty() || open.takeLast() != name) {
                found << u"</%1> closes nothing open"_s.arg(name);
            }
            i += tag.capturedLength(0);
        } else if (c == u'&') {
            if (!entityPattern.match(QStringView(html).mid(i)).hasMatch())
                found << u"a bare & at %1"_s.arg(i);
            ++i;
        } else if (c == u'>') {
            found << u"a bare > at %1"_s.arg(i);
            ++i;
        } else {
            ++i;
        }
    }
    for (const QString& name : open)
        found << u"<%1> left open"_s.arg(name);
    return found;
}

// Markup that Qt's rich text would have shown as text: a tag seen in the rendered text.
inline bool showsLiteralTags(const Fragment& fragment) {
    static const QRegularExpression tag(uR"(</?(b|i|u|sup|sub|br|table|tr|td|span|script|style)\b)"_s);
    return fragment.plainText().contains(tag);
}

} // namespace rendered
