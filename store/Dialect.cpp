#include "store/Dialect.h"

#include <algorithm>

using namespace Qt::StringLiterals;

namespace dialect {

namespace {

// SQLite's identifier characters: ASCII letters, digits, the underscore, and everything beyond ASCII.
bool isNameChar(QChar c) {
    const char16_t u = c.unicode();
    return (u >= u'a' && u <= u'z') || (u >= u'A' && u <= u'Z') || (u >= u'0' && u <= u'9') || u == u'_' ||
           u >= 0x80;
}

// The index just past a quoted text, quoted identifier or comment that starts at `i`, or `i` itself
// when none starts there. Quotes are ended by their doubled form only where SQLite allows it.
qsizetype skipQuotedOrComment(const QString& s, qsizetype i) {
    const qsizetype n = s.size();
    const QChar c = s.at(i);
    if (c == u'\'' || c == u'"' || c == u'`') {
        qsizetype j = i + 1;
        while (j < n) {
            if (s.at(j) == c) {
                if (j + 1 < n && s.at(j + 1) == c) {
                    j += 2;
                    continue;
                }
                return j + 1;
            }
            ++j;
        }
        return n;
    }
    if (c == u'[') {
        const qsizetype end = s.indexOf(u']', i + 1);
        return end < 0 ? n : end + 1;
    }
    if (c == u'-' && i + 1 < n && s.at(i + 1) == u'-') {
        const qsizetype end = s.indexOf(u'\n', i + 2);
        return end < 0 ? n : end + 1;
    }
    if (c == u'/' && i + 1 < n && s.at(i + 1) == u'*') {
        const qsizetype end = s.indexOf(u"*/"_s, i + 2);
        return end < 0 ? n : end + 2;
    }
    return i;
}

bool isWordAt(const QString& s, qsizetype i, QStringView word) {
    if (i > 0 && isNameChar(s.at(i - 1)))
        return false;
    const qsizetype end = i + word.size();
    if (end > s.size() || QStringView(s).mid(i, word.size()).compare(word, Qt::CaseInsensitive) != 0)
        return false;
    return end == s.size() || !isNameChar(s.at(end));
}

// The position of the first `word` outside quotes and comments, or -1.
qsizetype findWord(const QString& s, QStringView word) {
    for (qsizetype i = 0; i < s.size();) {
        if (const qsizetype skipped = skipQuotedOrComment(s, i); skipped != i) {
            i = skipped;
            continue;
        }
        if (isWordAt(s, i, word))
            return i;
        ++i;
    }
    return -1;
}

qsizetype skipSpaces(const QString& s, qsizetype i) {
    while (i < s.size() && s.at(i).isSpace())
        ++i;
    return i;
}

// A bare name is a parameter; the words SQLite reads as values in their own right are not.
bool isBareName(QStringView item) {
    if (item.isEmpty() || item.front().isDigit() || !std::all_of(item.begin(), item.end(), isNameChar))
        return false;
    static const QStringList valueWords = {u"NULL"_s,         u"TRUE"_s,         u"FALSE"_s,
                                           u"CURRENT_DATE"_s, u"CURRENT_TIME"_s, u"CURRENT_TIMESTAMP"_s};
    return !std::any_of(valueWords.begin(), valueWords.end(),
                        [&](const QString& w) { return item.compare(w, Qt::CaseInsensitive) == 0; });
}

// Where the bare names of the values lists of an insert start; empty for any other statement.
QList<qsizetype> bareValuePositions(const QString& s) {
    QList<qsizetype> positions;
    if (!isWordAt(s, skipSpaces(s, 0), u"INSERT"))
        return positions;
    const qsizetype values = findWord(s, u"VALUES");
    if (values < 0)
        return positions;
    qsizetype i = skipSpaces(s, values + 6);
    while (i < s.size() && s.at(i) == u'(') {
        qsizetype itemStart = i + 1;
        int depth = 0;
        ++i;
        while (i < s.size()) {
            if (const qsizetype skipped = skipQuotedOrComment(s, i); skipped != i) {
                i = skipped;
                continue;
            }
            const QChar c = s.at(i);
            if (c == u'(') {
                ++depth;
            } else if (c == u')' && depth > 0) {
                --depth;
            } else if ((c == u',' || c == u')') && depth == 0) {
                const QStringView item = QStringView(s).mid(itemStart, i - itemStart).trimmed();
                if (isBareName(item))
                    positions << skipSpaces(s, itemStart);
                itemStart = i + 1;
                if (c == u')') {
                    ++i;
                    break;
                }
            }
            ++i;
        }
        i = skipSpaces(s, i);
        if (i >= s.size() || s.at(i) != u',')
            break;
        i = skipSpaces(s, i + 1);
    }
    return positions;
}

// The colon-marked names outside quotes and comments, each once, in the order they first stand.
QStringList colonParameters(const QString& s) {
    QStringList names;
    for (qsizetype i = 0; i < s.size();) {
        if (const qsizetype skipped = skipQuotedOrComment(s, i); skipped != i) {
            i = skipped;
            continue;
        }
        if (s.at(i) == u':' && i + 1 < s.size() && isNameChar(s.at(i + 1))) {
            qsizetype end = i + 1;
            while (end < s.size() && isNameChar(s.at(end)))
                ++end;
            const QString name = s.mid(i + 1, end - i - 1);
            if (!names.contains(name))
                names << name;
            i = end;
            continue;
        }
        ++i;
    }
    return names;
}

} // namespace

Prepared forSqlite(const QString& statement) {
    QString text = statement;
    const QList<qsizetype> positions = bareValuePositions(statement);
    for (auto it = positions.crbegin(); it != positions.crend(); ++it)
        text.insert(*it, u':');
    return {text, colonParameters(text)};
}

} // namespace dialect
