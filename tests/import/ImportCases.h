#pragma once

#include <QByteArray>
#include <QList>
#include <cstddef>

// Texts of the import at the level of bytes, with the number of questions each holds: shared by the
// suite of the counting and the suite of the dialog, which must agree on every one of them.
struct ImportCase {
    const char* name;
    QByteArray text;
    bool skipFirstLine;
    qint64 questions;
};

// A literal's bytes, NULs included.
template <std::size_t N> QByteArray bytesOf(const char (&text)[N]) {
    return QByteArray(text, qsizetype(N - 1));
}

// The full-width semicolon in GBK, the usual end of a question.
inline const QByteArray semicolon = bytesOf("\xA3\xBB");

// `length` bytes of line content, ending with the full-width semicolon.
inline QByteArray lineEndingInSemicolon(int length) {
    return QByteArray(length - 2, 'x') + semicolon;
}

inline QList<ImportCase> importCases() {
    const QByteArray end = semicolon + '\n';
    // One question as it is usually written, in GBK: "中国的首都是哪里？", "A．北京 B．上海", "答案：A；".
    const QByteArray gbkQuestion = bytesOf("\xD6\xD0\xB9\xFA\xB5\xC4\xCA\xD7\xB6\xBC\xCA\xC7\xC4\xC4\xC0\xEF"
                                           "\xA3\xBF\n"
                                           "A\xA3\xAE\xB1\xB1\xBE\xA9 B\xA3\xAE\xC9\xCF\xBA\xA3\n"
                                           "\xB4\xF0\xB0\xB8\xA3\xBA"
                                           "A\xA3\xBB\n");
    const QByteArray three = "first" + end + "second" + end + "third" + end;
    return {
        {"three questions", three, false, 3},
        {"three questions, first line skipped", three, true, 2},
        {"gbk question with body lines", gbkQuestion + "\n" + gbkQuestion, false, 2},
        {"gbk question after a title line", "title\n" + gbkQuestion, true, 1},
        {"empty text", QByteArray(), false, 0},
        {"empty text, first line skipped", QByteArray(), true, 0},
        {"only body lines", "stem\nA. one B. two\n", false, 0},
        {"empty lines neither add nor end", "\n\nbody\n\n" + ("a" + end) + "\n\n", false, 1},
        {"empty first line skipped", "\n" + ("a" + end), true, 1},
        {"semicolon alone on its line", end + end, false, 2},
        {"0xBB with nothing before it", bytesOf("\xBB\n"), false, 0},
        {"other double-byte character ending in 0xBB", bytesOf("\xC4\xBB\n"), false, 1},
        {"last line without a line feed", "a" + end + "b" + semicolon, false, 1},
        {"trailing blank", "a" + semicolon + " \n", false, 0},
        {"trailing tab", "a" + semicolon + "\t\n", false, 0},
        {"trailing full-width blank", "a" + semicolon + bytesOf("\xA1\xA1\n"), false, 0},
        {"utf-8 semicolons", "first\xEF\xBC\x9B\nsecond\xEF\xBC\x9B\n", false, 0},
        {"crlf line ends", "first" + semicolon + "\r\nbody\r\n\r\nsecond" + semicolon + "\r\n", false, 2},
        {"cr before crlf stays", "a" + semicolon + "\r\r\n", false, 0},
        {"cr alone ends no line", "a" + semicolon + "\ra" + semicolon + "\r", false, 0},
        {"nul before the semicolon", bytesOf("a\0b\xA3\xBB\n"), false, 0},
        {"nul in an earlier piece", QByteArray(150, 'x') + '\0' + QByteArray(100, 'x') + end, false, 1},
        {"question line of 199 bytes", lineEndingInSemicolon(198) + '\n', false, 1},
        {"line feed alone in the next piece", lineEndingInSemicolon(199) + '\n', false, 0},
        {"line feed alone after crlf", lineEndingInSemicolon(199) + "\r\n", false, 0},
        {"0xBB first in the next piece", lineEndingInSemicolon(200) + '\n', false, 0},
        {"long question line", lineEndingInSemicolon(300) + '\n', false, 1},
        {"two pieces exactly, then the line feed", lineEndingInSemicolon(398) + '\n', false, 0},
        {"long first line skipped in part", lineEndingInSemicolon(300) + '\n' + "b" + end, true, 2},
        {"first line of 199 bytes skipped whole", lineEndingInSemicolon(198) + '\n' + "b" + end, true, 1},
    };
}
