#include "import/TextImport.h"

#include "import/TextQuestionCount.h"
#include "import/TikuRecords.h"
#include "platform/Error.h"
#include "platform/Platform.h"

using namespace Qt::StringLiterals;

TextImport importTextBank(const QString& textPath, bool skipFirstLine) {
    TextImport import;
    // The text file's own extension stays in the name: q.txt gives q.txt.tiku.
    import.outputPath = textPath + u".tiku"_s;
    const std::unique_ptr<QIODevice> text = platform::current().openForReading(textPath);
    if (!text)
        throw platform::Error(u"无法打开文本题库："_s + textPath);

    // An earlier record file of the name is replaced only once the new one is whole.
    platform::SafeFile output(import.outputPath, platform::SafeFile::Replacement);
    if (!output.open()) {
        import.result = output.result();
        return import;
    }
    TikuRecordStream records(
        [&](const char* data, std::size_t size) { return output.write(data, qint64(size)) == qint64(size); });
    // A read that fails part-way throws: `output` then goes without leaving anything behind.
    import.questions = countQuestions(*text, skipFirstLine, textPath,
                                      [&](std::int64_t found) { return records.questionsFound(found);
});
if (!records.finish(import.questions)) {
    import.result =
        output.result() == platform::WriteResult::Written ? platform::WriteResult::Failed : output.result();
    return import;
}
import.result = output.commit();
return import;
}
