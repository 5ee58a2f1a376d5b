#include "import/TextQuestionCount.h"

#include "import/PieceScanner.h"
#include "platform/Error.h"
#include "platform/Platform.h"

#include <QIODevice>
#include <vector>

using namespace Qt::StringLiterals;

std::int64_t countQuestions(QIODevice& device, bool skipFirstLine, const QString& path,
                            const QuestionsFound& found) {
    PieceScanner scanner(skipFirstLine);
    std::vector<char> buffer(static_cast<std::size_t>(textChunkBytes));
    for (;;) {
        const qint64 got = device.read(buffer.data(), textChunkBytes);
        if (got < 0)
            throw platform::Error(u"无法读取文本题库："_s + path);
        if (got == 0)
            break;
        scanner.feed(buffer.data(), static_cast<std::size_t>(got));
        if (found && !found(scanner.questions()))
            return scanner.questions();
    }
    scanner.finish();
    return scanner.questions();
}

std::int64_t countTextQuestions(const QString& path, bool skipFirstLine) {
    const std::unique_ptr<QIODevice> text = platform::current().openForReading(path);
    if (!text)
        throw platform::Error(u"无法打开文本题库："_s + path);
    return countQuestions(*text, skipFirstLine, path);
}
