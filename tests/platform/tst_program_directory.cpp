#include "platform/Error.h"
#include "platform/ProgramDirectory.h"
#include "platform/SystemPlatform.h"
#include "tests/support/Files.h"

#include <QDir>
#include <QDirIterator>
#include <QFileInfo>
#include <QMap>
#include <QTemporaryDir>
#include <QtTest>
#include <optional>

using namespace Qt::StringLiterals;
using testfiles::readFile;
using testfiles::writeFile;

namespace {

// path relative to a tree -> its bytes
using Tree = QMap<QString, QByteArray>;

// What the package ships for the user's program directory, in miniature: the data directory with a
// template, the fallback bank, the logo and the helper page, and the sample bank with its folder.
const Tree shippedTree{
    {u"tavrindata/mb"_s, "template v1"},      {u"tavrindata/小车.stk"_s, "fallback bank v1"},
    {u"tavrindata/torvesk.jpg"_s, "logo v1"}, {u"tavrindata/h.html"_s, "helper page v1"},
    {u"示例题库.stk"_s, "sample bank v1"},    {u"示例题库/torvesk.jpg"_s, "logo v1"},
};

void writeTree(const QString& root, const Tree& tree) {
    for (auto it = tree.begin(); it != tree.end(); ++it) {
        const QString path = root + u'/' + it.key();
        QVERIFY(QDir().mkpath(QFileInfo(path).absolutePath()));
        writeFile(path, it.value());
    }
}

// Where the data directory notes the shipped data it was last brought up to.
const QString stamp = u"tavrindata/.shipped"_s;

// Every file under `root` with its bytes, but the stamp; empty directories as entries with a
// trailing "/".
Tree readTree(const QString& root) {
    Tree tree;
    QDirIterator it(root, QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot,
                    QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QFileInfo info(it.nextFileInfo());
        const QString relative = QDir(root).relativeFilePath(info.filePath());
        if (relative == stamp)
            continue;
        if (info.isDir()) {
            if (QDir(info.filePath()).isEmpty())
                tree.insert(relative + u'/', {});
        } else {
            tree.insert(relative, readFile(info.filePath()));
        }
    }
    return tree;
}

// Sets an environment variable (or removes it, for nullopt) for the object's lifetime.
class ScopedEnv {
public:
    ScopedEnv(const char* name, std::optional<QString> value)
        : name_(name), had_(qEnvironmentVariableIsSet(name)), old_(qgetenv(name)) {
        if (value)
            qputenv(name, value->toUtf8());
        else
            qunsetenv(name);
    }
    ~ScopedEnv() {
        if (had_)
            qputenv(name_, old_);
        else
            qunsetenv(name_);
    }
    ScopedEnv(const ScopedEnv&) = delete;
    ScopedEnv& operator=(const ScopedEnv&) = delete;

private:
    const char* name_;
    bool had_;
    QByteArray old_;
};

} // namespace

// The program directory of the installed program: laid out per user from the shipped data, kept
// across starts and upgrades; the build's program directory used as it is.
class TestProgramDirectory : public QObject {
    Q_OBJECT

private slots:
    void init();

    void firstStartLaysOutTheWholeTree();
    void upgradeRefreshesDataAndKeepsEverythingOfTheUser();
    void laterStartKeepsTheUsersChangesToData();
    void refreshCutShortIsDoneAgain();
    void missingDataFileComesBackButNotADeletedBank();
    void failureNamesThePathThatCouldNotBeWritten_data();
    void failureNamesThePathThatCouldNotBeWritten();
    void buildsProgramDirectoryIsUsedAsItIs();
    void installedProgramWorksInTheUsersDirectory();
    void withoutShippedDataTheExecutablesFolderStays();
    void userDirectoryFollowsTheEnvironment_data();
    void userDirectoryFollowsTheEnvironment();
    void platformReportsTheChosenDirectory();

private:
    QString path(const QString& name) const { return dir_->filePath(name); }

    std::unique_ptr<QTemporaryDir> dir_;
    QString shipped_;
};

void TestProgramDirectory::init() {
    dir_ = std::make_unique<QTemporaryDir>();
    QVERIFY(dir_->isValid());
    shipped_ = path(u"usr/share/qelbrin"_s);
    writeTree(shipped_, shippedTree);
}

void TestProgramDirectory::firstStartLaysOutTheWholeTree() {
    // Parents that do not exist yet, as in a fresh home.
    const QString user = path(u"home/.local/share/qelbrin"_s);
    programdirectory::layOut(user, shipped_);
    QCOMPARE(readTree(user), shippedTree);
    // A second start with nothing changed changes nothing.
    programdirectory::layOut(user, shipped_);
    QCOMPARE(readTree(user), shippedTree);
}

void TestProgramDirectory::upgradeRefreshesDataAndKeepsEverythingOfTheUser() {
    const QString user = path(u"qelbrin"_s);
    programdirectory::layOut(user, shipped_);

    // What the user did meanwhile: wrote into the sample bank, the fallback bank and the sample's
    // logo, made a bank with a folder and a picture, and left a note in the data directory; and
    // changed the helper page, which the upgrade replaces.
    writeTree(user, {{u"tavrindata/h.html"_s, "the user's helper page"}});
    const Tree userMade{
        {u"示例题库.stk"_s, "sample bank with the user's questions"},
        {u"tavrindata/小车.stk"_s, "fallback bank the user wrote in"},
        {u"示例题库/torvesk.jpg"_s, "the user's logo"},
        {u"我的题库.stk"_s, "the user's bank"},
        {u"我的题库/1234a.png"_s, "the user's picture"},
        {u"tavrindata/notes.txt"_s, "the user's note"},
    };
    writeTree(user, userMade);
    QVERIFY(QDir(user).mkdir(u"空文件夹"_s));

    // The upgrade: every shipped file changes and a data file is added.
    Tree upgrade;
    for (auto it = shippedTree.begin(); it != shippedTree.end(); ++it)
        upgrade.insert(it.key(), it.value() + " v2");
    upgrade.insert(u"tavrindata/new.css"_s, "added in v2");
    writeTree(shipped_, upgrade);

    programdirectory::layOut(user, shipped_);

    Tree expected = userMade;
    expected.insert(u"空文件夹/"_s, {});
    for (const QString& data :
         {u"tavrindata/mb"_s, u"tavrindata/torvesk.jpg"_s, u"tavrindata/h.html"_s, u"tavrindata/new.css"_s})
        expected.insert(data, upgrade.value(data));
    QCOMPARE(readTree(user), expected);
}

void TestProgramDirectory::laterStartKeepsTheUsersChangesToData() {
    const QString user = path(u"qelbrin"_s);
    programdirectory::layOut(user, shipped_);
    writeTree(user, {{u"tavrindata/h.html"_s, "the user's helper page"},
                     {u"tavrindata/mb"_s, "the user's template"}});

    programdirectory::layOut(user, shipped_);

    Tree expected = shippedTree;
    expected.insert(u"tavrindata/h.html"_s, "the user's helper page");
    expected.insert(u"tavrindata/mb"_s, "the user's template");
    QCOMPARE(readTree(user), expected);
}

void TestProgramDirectory::refreshCutShortIsDoneAgain() {
    const QString user = path(u"qelbrin"_s);
    programdirectory::layOut(user, shipped_);
    const QByteArray firstStamp = readFile(user + u'/' + stamp);
    QVERIFY(!firstStamp.isEmpty());
    writeTree(shipped_, {{u"tavrindata/h.html"_s, "helper page v2"}, {u"tavrindata/mb"_s, "template v2"}});
    // A refresh that ended after the helper page: the stamp still names the data before the upgrade.
    writeTree(user, {{u"tavrindata/h.html"_s, "helper page v2"}});

    programdirectory::layOut(user, shipped_);

    Tree expected = shippedTree;
    expected.insert(u"tavrindata/h.html"_s, "helper page v2");
    expected.insert(u"tavrindata/mb"_s, "template v2");
    QCOMPARE(readTree(user), expected);
    QVERIFY(readFile(user + u'/' + stamp) != firstStamp);
}

void TestProgramDirectory::missingDataFileComesBackButNotADeletedBank() {
    const QString user = path(u"qelbrin"_s);
    programdirectory::layOut(user, shipped_);
    QVERIFY(QFile::remove(user + u"/tavrindata/h.html"_s));
    QVERIFY(QFile::remove(user + u"/示例题库.stk"_s));
    QVERIFY(QDir(user + u"/示例题库"_s).removeRecursively());

    programdirectory::layOut(user, shipped_);

    Tree expected = shippedTree;
    expected.remove(u"示例题库.stk"_s);
    expected.remove(u"示例题库/torvesk.jpg"_s);
    QCOMPARE(readTree(user), expected);
}

void TestProgramDirectory::failureNamesThePathThatCouldNotBeWritten_data() {
    QTest::addColumn<QString>("inTheWay");
    QTest::addColumn<QString>("named");
    // A file where a directory must go: the program directory itself, one of its parents, the data
    // directory; and a directory where a data file must go.
    QTest::newRow("program directory") << u"qelbrin"_s << u"qelbrin"_s;
    QTest::newRow("parent") << u"share"_s << u"share/qelbrin"_s;
    QTest::newRow("data directory") << u"share/qelbrin/tavrindata"_s << u"share/qelbrin/tavrindata"_s;
    QTest::newRow("data file") << u"share/qelbrin/tavrindata/h.html/"_s
                               << u"share/qelbrin/tavrindata/h.html"_s;
}

void TestProgramDirectory::failureNamesThePathThatCouldNotBeWritten() {
    QFETCH(QString, inTheWay);
    QFETCH(QString, named);
    const QString user = path(named.startsWith("share"_L1) ? u"share/qelbrin"_s : u"qelbrin"_s);
    if (inTheWay.endsWith(u'/')) {
        QVERIFY(QDir().mkpath(path(inTheWay)));
    } else {
        QVERIFY(QDir().mkpath(QFileInfo(path(inTheWay)).absolutePath()));
        writeFile(path(inTheWay), "in the way");
    }
    try {
        programdirectory::layOut(user, shipped_);
        QFAIL("no error for a program directory that cannot be laid out");
    } catch (const platform::Error& error) {
        QVERIFY2(error.text().contains(path(named)), qPrintable(error.text()));
    }
}

void TestProgramDirectory::buildsProgramDirectoryIsUsedAsItIs() {
    const QString build = path(u"build/Qelbrin"_s);
    writeTree(build, {{u"tavrindata/mb"_s, "the build's template"}});
    const ScopedEnv home(programdirectory::overrideVariable, path(u"user"_s));

    QCOMPARE(programdirectory::choose(build, shipped_), build);
    QVERIFY(!QFileInfo::exists(path(u"user"_s)));
    QCOMPARE(readTree(build), (Tree{{u"tavrindata/mb"_s, "the build's template"}}));
}

void TestProgramDirectory::installedProgramWorksInTheUsersDirectory() {
    const QString bin = path(u"usr/bin"_s);
    QVERIFY(QDir().mkpath(bin));
    const ScopedEnv home(programdirectory::overrideVariable, path(u"user"_s));

    QCOMPARE(programdirectory::choose(bin, shipped_), path(u"user"_s));
    QCOMPARE(readTree(path(u"user"_s)), shippedTree);
    QVERIFY(QDir(bin).isEmpty());
}

void TestProgramDirectory::withoutShippedDataTheExecutablesFolderStays() {
    const QString lone = path(u"somewhere"_s);
    QVERIFY(QDir().mkpath(lone));
    const ScopedEnv home(programdirectory::overrideVariable, path(u"user"_s));

    QCOMPARE(programdirectory::choose(lone, path(u"nothing/shipped"_s)), lone);
    QVERIFY(!QFileInfo::exists(path(u"user"_s)));
}

void TestProgramDirectory::userDirectoryFollowsTheEnvironment_data() {
    QTest::addColumn<std::optional<QString>>("qelbrinHome");
    QTest::addColumn<std::optional<QString>>("xdgDataHome");
    QTest::addColumn<QString>("expected");
    const std::optional<QString> unset;
    QTest::newRow("default") << unset << unset << u"/home/lin/.local/share/qelbrin"_s;
    QTest::newRow("empty XDG_DATA_HOME")
        << unset << std::optional(QString()) << u"/home/lin/.local/share/qelbrin"_s;
    QTest::newRow("XDG_DATA_HOME") << unset << std::optional(u"/data/lin"_s) << u"/data/lin/qelbrin"_s;
    QTest::newRow("QELBRIN_HOME") << std::optional(u"/srv/题库/"_s) << std::optional(u"/data/lin"_s)
                                  << u"/srv/题库"_s;
    QTest::newRow("empty QELBRIN_HOME")
        << std::optional(QString()) << unset << u"/home/lin/.local/share/qelbrin"_s;
    QTest::newRow("relative QELBRIN_HOME")
        << std::optional(u"banks/../mine"_s) << unset << QDir::currentPath() + u"/mine"_s;
}

void TestProgramDirectory::userDirectoryFollowsTheEnvironment() {
    QFETCH(std::optional<QString>, qelbrinHome);
    QFETCH(std::optional<QString>, xdgDataHome);
    QFETCH(QString, expected);
    const ScopedEnv home("HOME", u"/home/lin"_s);
    const ScopedEnv chosen(programdirectory::overrideVariable, qelbrinHome);
    const ScopedEnv data("XDG_DATA_HOME", xdgDataHome);
    QCOMPARE(programdirectory::userDirectory(), expected);
}

void TestProgramDirectory::platformReportsTheChosenDirectory() {
    platform::SystemPlatform system;
    const QString executable = QCoreApplication::applicationDirPath();
    QCOMPARE(system.programDirectory(), executable);
    platform::setProgramDirectory(path(u"user"_s));
    QCOMPARE(system.programDirectory(), path(u"user"_s));
    // The modules stay the installed program's own, never taken from a user's directory.
    QVERIFY(!system.moduleDirectories().contains(path(u"user"_s)));
    QCOMPARE(system.moduleDirectories().value(0), executable);
    platform::setProgramDirectory(QString());
    QCOMPARE(system.programDirectory(), executable);
}

QTEST_GUILESS_MAIN(TestProgramDirectory)
#include "tst_program_directory.moc"
