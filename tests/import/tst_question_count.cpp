// The counting of questions on its own: the piece scanner fed in chunks of every awkward size, and
// the reading of a text through the platform.
#include "import/PieceScanner.h"
#include "import/TextQuestionCount.h"
#include "platform/Error.h"
#include "tests/import/ImportCases.h"
#include "tests/support/FakePlatform.h"

#include <QBuffer>
#include <QTest>

using namespace Qt::StringLiterals;

namespace {

qint64 scanInChunks(const QByteArray& text, bool skipFirstLine, qsizetype chunk) {
    PieceScanner scanner(skipFirstLine);
    for (qsizetype at = 0; at < text.size(); at += chunk)
        scanner.feed(text.constData() + at, std::size_t(std::min(chunk, text.size() - at)));
    scanner.finish();
    return scanner.questions();
}

// A text device that fails after handing out its first bytes, as a disk that breaks mid-read.
class FailingDevice final : public QIODevice {
public:
    explicit FailingDevice(QByteArray first) : first_(std::move(first)) { open(QIODevice::ReadOnly); }

protected:
    qint64 readData(char* data, qint64 maxSize) override {
        if (first_.isEmpty())
            return -1;
        const qint64 n = std::min<qint64>(maxSize, first_.size());
        std::memcpy(data, first_.constData(), std::size_t(n));
        first_.remove(0, n);
        return n;
    }
    qint64 writeData(const char*, qint64) override { return -1; }

private:
    QByteArray first_;
};

} // namespace

class QuestionCountTest : public QObject {
    Q_OBJECT

private slots:
    void countsWhateverTheChunks_data() {
        QTest::addColumn<QByteArray>("text");
        QTest::addColumn<bool>("skipFirstLine");
        QTest::addColumn<qint64>("questions");
        for (const ImportCase& c : importCases())
            QTest::newRow(c.name) << c.text << c.skipFirstLine << c.questions;
    }
    void countsWhateverTheChunks() {
        QFETCH(QByteArray, text);
        QFETCH(bool, skipFirstLine);
        QFETCH(qint64, questions);
        // Chunk ends between a CR and its line feed, inside a piece and on its boundary.
        for (const qsizetype chunk : {qsizetype(1), qsizetype(2), qsizetype(3), qsizetype(7), qsizetype(198),
                                      qsizetype(199), qsizetype(200), qsizetype(1) << 20}) {
            QVERIFY2(scanInChunks(text, skipFirstLine, chunk) == questions,
                     qPrintable(u"chunks of %1 bytes"_s.arg(chunk)));
        }
        QBuffer device(&text);
        QVERIFY(device.open(QIODevice::ReadOnly));
        QCOMPARE(countQuestions(device, skipFirstLine, u"q.txt"_s), questions);
    }

    void emptyChunksChangeNothing() {
        PieceScanner scanner;
        const QByteArray text = "a" + semicolon + '\r';
        scanner.feed(text.constData(), std::size_t(text.size()));
        scanner.feed(nullptr, 0);
        scanner.feed("\n", 1);
        scanner.finish();
        QCOMPARE(scanner.questions(), 1);
    }

    void aReadFailurePartWayIsAnError() {
        FailingDevice device("a" + semicolon + "\nb" + semicolon + '\n');
        QCOMPARE(errorOf([&] { countQuestions(device, false, u"/texts/q.txt"_s); }),
                 u"无法读取文本题库：/texts/q.txt"_s);
    }
};

QTEST_GUILESS_MAIN(QuestionCountTest)
#include "tst_question_count.moc"
