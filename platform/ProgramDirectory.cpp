#include "platform/ProgramDirectory.h"

#include "platform/Error.h"
#include "platform/SystemPlatform.h"

#include <QCoreApplication>
#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QStandardPaths>

using namespace Qt::StringLiterals;

namespace programdirectory {

namespace {

const QString dataDirectory = u"tavrindata"_s;

// The message for a program directory that could not be laid out, naming the path that failed.
[[noreturn]] void fail(const QString& directory, const QString& path) {
    throw platform::Error(u"程序目录“%1”无法建立：“%2”写不进去。"_s.arg(QDir::toNativeSeparators(directory),
                                                                        QDir::toNativeSeparators(path)));
}

void makePath(const QString& directory, const QString& path) {
    if (!QDir().mkpath(path))
        fail(directory, path);
}

bool isBank(const QString& path) {
    return QFileInfo(path).suffix().compare("stk"_L1, Qt::CaseInsensitive) == 0;
}

// Anything at `path`, a symbolic link that leads nowhere included: a user's entry is never replaced.
bool occupied(const QString& path) {
    const QFileInfo info(path);
    return info.exists() || info.isSymLink();
}

QByteArray contentOf(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    return file.readAll();
}

// Copies `from` to `to` unless something stands there already. QFile::copy writes a temporary file
// beside the target and renames it into place, so an interrupted copy leaves no half file behind.
void copyWhereMissing(const QString& directory, const QString& from, const QString& to) {
    if (occupied(to))
        return;
    makePath(directory, QFileInfo(to).absolutePath());
    if (!QFile::copy(from, to))
        fail(directory, to);
}

// Makes `to` a copy of `from` unless it is one already: whole or not at all.
void replaceWhereDifferent(const QString& directory, const QString& from, const QString& to) {
    QFile source(from);
    if (!source.open(QIODevice::ReadOnly))
        fail(directory, from);
    const QByteArray bytes = source.readAll();
    if (QFileInfo(to).isFile() && contentOf(to) == bytes)
        return;
    makePath(directory, QFileInfo(to).absolutePath());
    QSaveFile file(to);
    file.setDirectWriteFallback(false);
    if (!file.open(QIODevice::WriteOnly))
        fail(directory, to);
    if (file.write(bytes) != bytes.size()) {
        file.cancelWriting();
        fail(directory, to);
    }
    if (!file.commit())
        fail(directory, to);
}

// Every file under `root` (hidden ones too), by its path relative to `root`.
QStringList filesUnder(const QString& root) {
    QStringList files;
    QDirIterator it(root, QDir::Files | QDir::Hidden | QDir::NoDotAndDotDot, QDirIterator::Subdirectories);
    while (it.hasNext())
        files << QDir(root).relativeFilePath(it.next());
    files.sort();
    return files;
}

} // namespace

QString userDirectory() {
    const QString chosen = qEnvironmentVariable(overrideVariable);
    if (!chosen.isEmpty())
        return QDir::cleanPath(QDir(chosen).absolutePath());
    // $XDG_DATA_HOME, or ~/.local/share where it is unset or not absolute.
    const QString data = QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation);
    if (data.isEmpty())
        return {};
    return QDir::cleanPath(data + u"/qelbrin"_s);
}

bool isLaidOut(const QString& directory) {
    return QFileInfo(directory + u'/' + dataDirectory).isDir();
}

void layOut(const QString& directory, const QString& shipped) {
    makePath(directory, directory);
    const bool firstTime = !isLaidOut(directory);
    // The sample bank and its folder before the data directory, whose presence marks a directory laid
    // out: a first start cut short does it all again at the next.
    if (firstTime) {
        for (const QString& file : filesUnder(shipped)) {
            if (!file.startsWith(dataDirectory + u'/'))
                copyWhereMissing(directory, shipped + u'/' + file, directory + u'/' + file);
        }
    }
    const QString shippedData = shipped + u'/' + dataDirectory;
    const QString data = directory + u'/' + dataDirectory;
    for (const QString& file : filesUnder(shippedData)) {
        if (isBank(file))
            copyWhereMissing(directory, shippedData + u'/' + file, data + u'/' + file);
        else
            replaceWhereDifferent(directory, shippedData + u'/' + file, data + u'/' + file);
    }
    makePath(directory, data);
}

QString choose(const QString& executableDirectory, const QString& shipped) {
    // A program without shipped data anywhere (an executable copied on its own) keeps working in its
    // own folder, as a build's program does.
    if (isLaidOut(executableDirectory) || !isLaidOut(shipped))
        return executableDirectory;
    const QString directory = userDirectory();
    if (directory.isEmpty())
        throw platform::Error(u"找不到用户的数据目录，无法建立程序目录。请设置环境变量 HOME 或 %1。"_s.arg(
            QString::fromLatin1(overrideVariable)));
    layOut(directory, shipped);
    return directory;
}

QString settle() {
    const QString directory =
        choose(QCoreApplication::applicationDirPath(), QStringLiteral(QELBRIN_DATA_DIR));
    platform::setProgramDirectory(directory);
    return directory;
}

} // namespace programdirectory
