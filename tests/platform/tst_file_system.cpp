#include "platform/SystemPlatform.h"
#include "tests/support/Files.h"
#include "tests/support/WriteProtection.h"
#include "tests/support/WriteResults.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QtTest>
#include <sys/stat.h>

using namespace Qt::StringLiterals;
using platform::SafeFile;
using platform::WriteResult;
using testfiles::readFile;
using testfiles::writeFile;
using testfiles::writeSafely;

namespace {

QStringList sorted(QStringList names) {
    names.sort();
    return names;
}

} // namespace

// The real file system, in a fresh temporary directory for each test.
class TestFileSystem : public QObject {
    Q_OBJECT

private slots:
    void init();

    void listsMatchingEntriesOfAnyKind();
    void listingMissingDirectoryIsEmpty();
    void makesOneDirectoryOnce();
    void removesFilesAndEmptyDirectories();
    void existsForFilesDirectoriesAndLinks();
    void copiesToNewTarget();
    void copyFailureLeavesTargetAlone_data();
    void copyFailureLeavesTargetAlone();
    void opensForReadingOnly();
    void openForReadingRefusesAllButFiles_data();
    void openForReadingRefusesAllButFiles();
    void writesWholeFileReplacingAnyEarlier();
    void atomicWriteFailureLeavesTargetAlone_data();
    void atomicWriteFailureLeavesTargetAlone();
    void aNewFileNeverReplacesOneThatAppearedMeanwhile();
    void anUncommittedFileLeavesNothing();

private:
    QStringList entries() const {
        return sorted(QDir(dir_->path()).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot));
    }

    QString path(const QString& name) const { return dir_->filePath(name); }

    std::unique_ptr<QTemporaryDir> dir_;
    platform::SystemPlatform system_;
};

void TestFileSystem::init() {
    dir_ = std::make_unique<QTemporaryDir>();
    QVERIFY(dir_->isValid());
}

void TestFileSystem::listsMatchingEntriesOfAnyKind() {
    for (const QString& name :
         {u"小车.stk"_s, u"X.STK"_s, u".hidden.stk"_s, u"notes.txt"_s, u"a.stk.bak"_s, u"stk"_s})
        writeFile(path(name), "x");
    QVERIFY(QDir(dir_->path()).mkdir(u"x.stk"_s));
    QVERIFY(QDir(dir_->path()).mkdir(u"pictures"_s));

    QCOMPARE(sorted(system_.listEntries(dir_->path(), u"*.stk"_s)),
             sorted({u"小车.stk"_s, u"X.STK"_s, u".hidden.stk"_s, u"x.stk"_s}));
    // The directory's own entries "." and ".." are never names of anything in it.
    QCOMPARE(sorted(system_.listEntries(dir_->path(), u"*"_s)).size(), 8);
}

void TestFileSystem::listingMissingDirectoryIsEmpty() {
    QVERIFY(system_.listEntries(path(u"missing"_s), u"*.stk"_s).isEmpty());
}

void TestFileSystem::makesOneDirectoryOnce() {
    const QString folder = path(u"题库图片"_s);
    QVERIFY(system_.makeDirectory(folder));
    QVERIFY(QFileInfo(folder).isDir());
    QVERIFY(!system_.makeDirectory(folder));
    QVERIFY(QFileInfo(folder).isDir());

    // One level only.
    QVERIFY(!system_.makeDirectory(path(u"a/b"_s)));
    QVERIFY(!QFileInfo::exists(path(u"a"_s)));
    // A file stands in the way.
    writeFile(path(u"taken"_s), "x");
    QVERIFY(!system_.makeDirectory(path(u"taken"_s)));
}

void TestFileSystem::removesFilesAndEmptyDirectories() {
    QVERIFY(QDir(dir_->path()).mkdir(u"folder"_s));
    writeFile(path(u"folder/logo.jpg"_s), "x");
    QVERIFY(!system_.removeDirectory(path(u"folder"_s)));
    QVERIFY(!system_.removeFile(path(u"folder"_s)));
    QVERIFY(system_.removeFile(path(u"folder/logo.jpg"_s)));
    QVERIFY(!system_.removeFile(path(u"folder/logo.jpg"_s)));
    QVERIFY(system_.removeDirectory(path(u"folder"_s)));
    QCOMPARE(entries(), QStringList());
}

void TestFileSystem::existsForFilesDirectoriesAndLinks() {
    writeFile(path(u"a.jpg"_s), "x");
    QVERIFY(QDir(dir_->path()).mkdir(u"folder"_s));
    QVERIFY(QFile::link(path(u"gone"_s), path(u"dangling"_s)));

    QVERIFY(system_.fileExists(path(u"a.jpg"_s)));
    QVERIFY(system_.fileExists(path(u"folder"_s)));
    QVERIFY(system_.fileExists(path(u"dangling"_s)));
    QVERIFY(!system_.fileExists(path(u"b.jpg"_s)));
    QVERIFY(!system_.fileExists(QString()));
}

void TestFileSystem::copiesToNewTarget() {
    const QByteArray content("\x89PNG\r\n\x1a\n\0binary", 16);
    writeFile(path(u"source.png"_s), content);
    QCOMPARE(system_.copyFileNoOverwrite(path(u"source.png"_s), path(u"12345source.png"_s)),
             WriteResult::Written);
    QCOMPARE(readFile(path(u"12345source.png"_s)), content);
    QCOMPARE(readFile(path(u"source.png"_s)), content);
    // Several chunks' worth.
    const QByteArray large(3 * 1024 * 1024 + 17, '\x5a');
    writeFile(path(u"large.bmp"_s), large);
    QCOMPARE(system_.copyFileNoOverwrite(path(u"large.bmp"_s), path(u"1large.bmp"_s)), WriteResult::Written);
    QCOMPARE(readFile(path(u"1large.bmp"_s)), large);
}

void TestFileSystem::copyFailureLeavesTargetAlone_data() {
    QTest::addColumn<QString>("from");
    QTest::addColumn<QString>("to");
    QTest::addColumn<QByteArray>("targetBefore"); // null: no target beforehand
    QTest::addColumn<WriteResult>("result");

    QTest::newRow("target exists") << u"source.png"_s << u"target.png"_s << QByteArray("existing")
                                   << WriteResult::NameTaken;
    QTest::newRow("target is itself")
        << u"source.png"_s << u"source.png"_s << QByteArray("new content") << WriteResult::NameTaken;
    QTest::newRow("target is a directory")
        << u"source.png"_s << u"folder"_s << QByteArray() << WriteResult::NameTaken;
    QTest::newRow("source missing") << u"missing.png"_s << u"target.png"_s << QByteArray()
                                    << WriteResult::Failed;
    QTest::newRow("source is a directory")
        << u"folder"_s << u"target.png"_s << QByteArray() << WriteResult::Failed;
    QTest::newRow("target folder missing")
        << u"source.png"_s << u"nowhere/target.png"_s << QByteArray() << WriteResult::Failed;
}

void TestFileSystem::copyFailureLeavesTargetAlone() {
    QFETCH(QString, from);
    QFETCH(QString, to);
    QFETCH(QByteArray, targetBefore);
    QFETCH(WriteResult, result);
    writeFile(path(u"source.png"_s), "new content");
    QVERIFY(QDir(dir_->path()).mkdir(u"folder"_s));
    if (!targetBefore.isNull() && to != u"source.png"_s)
        writeFile(path(to), targetBefore);
    const QStringList entriesBefore = sorted(QDir(dir_->path()).entryList(QDir::AllEntries | QDir::Hidden));

    QCOMPARE(system_.copyFileNoOverwrite(path(from), path(to)), result);

    // Nothing new appears: no target, and no temporary file left beside it.
    QCOMPARE(sorted(QDir(dir_->path()).entryList(QDir::AllEntries | QDir::Hidden)), entriesBefore);
    if (!targetBefore.isNull())
        QCOMPARE(readFile(path(to)), targetBefore);
    QCOMPARE(readFile(path(u"source.png"_s)), QByteArray("new content"));
}

void TestFileSystem::opensForReadingOnly() {
    const QByteArray content("line\r\n\xA3\xBB\n\0end", 13);
    writeFile(path(u"题库.txt"_s), content);
    WriteProtection readOnly(path(u"题库.txt"_s));
    QVERIFY(readOnly.holds());

    const std::unique_ptr<QIODevice> file = system_.openForReading(path(u"题库.txt"_s));
    QVERIFY(file);
    QCOMPARE(file->openMode(), QIODevice::ReadOnly);
    QCOMPARE(file->readAll(), content);
}

void TestFileSystem::openForReadingRefusesAllButFiles_data() {
    QTest::addColumn<QString>("what");
    QTest::newRow("missing") << u"missing"_s;
    QTest::newRow("directory") << u"directory"_s;
    QTest::newRow("empty path") << u"empty"_s;
    // Opening a pipe would wait for a writer; a device such as /dev/zero would never end.
    QTest::newRow("pipe") << u"pipe"_s;
    QTest::newRow("device") << u"device"_s;
}

void TestFileSystem::openForReadingRefusesAllButFiles() {
    QFETCH(QString, what);
    QString target = path(u"q.txt"_s);
    if (what == u"directory"_s)
        QVERIFY(QDir(dir_->path()).mkdir(u"q.txt"_s));
    else if (what == u"pipe"_s)
        QCOMPARE(mkfifo(QFile::encodeName(target).constData(), 0600), 0);
    else if (what == u"empty"_s)
        target.clear();
    else if (what == u"device"_s)
        target = u"/dev/zero"_s;
    QVERIFY(!system_.openForReading(target));
}

void TestFileSystem::writesWholeFileReplacingAnyEarlier() {
    const QString target = path(u"q.txt.tiku"_s);
    const QByteArray content("\x01\0\0\0binary\0", 11);
    QCOMPARE(writeSafely(target, content, SafeFile::Replacement), WriteResult::Written);
    QCOMPARE(readFile(target), content);
    // A shorter content leaves nothing of the longer one behind.
    QCOMPARE(writeSafely(target, "ab", SafeFile::Replacement), WriteResult::Written);
    QCOMPARE(readFile(target), QByteArray("ab"));
    QCOMPARE(writeSafely(target, QByteArray(), SafeFile::Replacement), WriteResult::Written);
    QVERIFY(QFileInfo(target).isFile());
    QCOMPARE(QFileInfo(target).size(), 0);
    QCOMPARE(entries(), QStringList{u"q.txt.tiku"_s});
    // A new file takes a free name only.
    QCOMPARE(writeSafely(target, "other", SafeFile::NewFile), WriteResult::NameTaken);
    QCOMPARE(QFileInfo(target).size(), 0);
    QCOMPARE(writeSafely(path(u"1.bmp"_s), "BM", SafeFile::NewFile), WriteResult::Written);
    QCOMPARE(readFile(path(u"1.bmp"_s)), QByteArray("BM"));
    QCOMPARE(entries(), (QStringList{u"1.bmp"_s, u"q.txt.tiku"_s}));
}

void TestFileSystem::atomicWriteFailureLeavesTargetAlone_data() {
    QTest::addColumn<QString>("what");
    QTest::addColumn<int>("mode");
    for (const auto& [name, mode] :
         {std::pair{"replacement", SafeFile::Replacement}, std::pair{"new file", SafeFile::NewFile}}) {
        QTest::addRow("%s, directory in the way", name) << u"directory"_s << int(mode);
        QTest::addRow("%s, folder missing", name) << u"folder missing"_s << int(mode);
        QTest::addRow("%s, empty path", name) << u"empty"_s << int(mode);
    }
    QTest::newRow("replacement, write-protected file") << u"protected"_s << int(SafeFile::Replacement);
}

void TestFileSystem::atomicWriteFailureLeavesTargetAlone() {
    QFETCH(QString, what);
    QFETCH(int, mode);
    QString target = path(u"q.txt.tiku"_s);
    std::unique_ptr<WriteProtection> protection;
    if (what == u"directory"_s) {
        QVERIFY(QDir(dir_->path()).mkdir(u"q.txt.tiku"_s));
    } else if (what == u"folder missing"_s) {
        target = path(u"nowhere/q.txt.tiku"_s);
    } else if (what == u"protected"_s) {
        writeFile(target, "earlier");
        protection = std::make_unique<WriteProtection>(target);
        QVERIFY(protection->holds());
    } else {
        target.clear();
    }
    const QStringList before = entries();

    const WriteResult result = writeSafely(target, "new content", SafeFile::Mode(mode));

    QVERIFY(result == WriteResult::Failed || (what == u"directory"_s && result == WriteResult::NameTaken));
    // No temporary file is left beside the target.
    QCOMPARE(entries(), before);
    if (what == u"protected"_s)
        QCOMPARE(readFile(target), QByteArray("earlier"));
}

// Two writers choosing one name: the one that commits second finds it taken and leaves the first's
// file as it is.
void TestFileSystem::aNewFileNeverReplacesOneThatAppearedMeanwhile() {
    const QString target = path(u"4000000000.bmp"_s);
    SafeFile file(target, SafeFile::NewFile);
    QVERIFY(file.open());
    QCOMPARE(file.write("second"), 6);
    writeFile(target, "first");
    QCOMPARE(file.commit(), WriteResult::NameTaken);
    QCOMPARE(readFile(target), QByteArray("first"));
    QCOMPARE(entries(), QStringList{u"4000000000.bmp"_s});
}

void TestFileSystem::anUncommittedFileLeavesNothing() {
    const QString target = path(u"q.txt.tiku"_s);
    writeFile(target, "earlier");
    {
        SafeFile file(target, SafeFile::Replacement);
        QVERIFY(file.open());
        QCOMPARE(file.write("half of it"), 10);
        // A temporary file beside the target, hidden, until the writer goes.
        QCOMPARE(entries().size(), 2);
    }
    QCOMPARE(entries(), QStringList{u"q.txt.tiku"_s});
    QCOMPARE(readFile(target), QByteArray("earlier"));
}

QTEST_GUILESS_MAIN(TestFileSystem)
#include "tst_file_system.moc"
