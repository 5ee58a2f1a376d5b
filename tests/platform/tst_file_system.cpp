#include "platform/SystemPlatform.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

using namespace Qt::StringLiterals;

namespace {

void writeFile(const QString& path, const QByteArray& content) {
    QFile f(path);
    QVERIFY2(f.open(QIODevice::WriteOnly), qPrintable(path));
    QCOMPARE(f.write(content), content.size());
}

QByteArray readFile(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

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
    void existsForFilesDirectoriesAndLinks();
    void copiesToNewTarget();
    void copyFailureLeavesTargetAlone_data();
    void copyFailureLeavesTargetAlone();

private:
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
    QVERIFY(system_.copyFileNoOverwrite(path(u"source.png"_s), path(u"12345source.png"_s)));
    QCOMPARE(readFile(path(u"12345source.png"_s)), content);
    QCOMPARE(readFile(path(u"source.png"_s)), content);
}

void TestFileSystem::copyFailureLeavesTargetAlone_data() {
    QTest::addColumn<QString>("from");
    QTest::addColumn<QString>("to");
    QTest::addColumn<QByteArray>("targetBefore"); // null: no target beforehand

    QTest::newRow("target exists") << u"source.png"_s << u"target.png"_s << QByteArray("existing");
    QTest::newRow("target is itself") << u"source.png"_s << u"source.png"_s << QByteArray("new content");
    QTest::newRow("target is a directory") << u"source.png"_s << u"folder"_s << QByteArray();
    QTest::newRow("source missing") << u"missing.png"_s << u"target.png"_s << QByteArray();
    QTest::newRow("source is a directory") << u"folder"_s << u"target.png"_s << QByteArray();
    QTest::newRow("target folder missing") << u"source.png"_s << u"nowhere/target.png"_s << QByteArray();
}

void TestFileSystem::copyFailureLeavesTargetAlone() {
    QFETCH(QString, from);
    QFETCH(QString, to);
    QFETCH(QByteArray, targetBefore);
    writeFile(path(u"source.png"_s), "new content");
    QVERIFY(QDir(dir_->path()).mkdir(u"folder"_s));
    if (!targetBefore.isNull() && to != u"source.png"_s)
        writeFile(path(to), targetBefore);
    const QStringList entriesBefore = sorted(QDir(dir_->path()).entryList(QDir::AllEntries | QDir::Hidden));

    QVERIFY(!system_.copyFileNoOverwrite(path(from), path(to)));

    // Nothing new appears: no target, and no temporary file left beside it.
    QCOMPARE(sorted(QDir(dir_->path()).entryList(QDir::AllEntries | QDir::Hidden)), entriesBefore);
    if (!targetBefore.isNull())
        QCOMPARE(readFile(path(to)), targetBefore);
    QCOMPARE(readFile(path(u"source.png"_s)), QByteArray("new content"));
}

QTEST_GUILESS_MAIN(TestFileSystem)
#include "tst_file_system.moc"
