#include "platform/ProgramDirectory.h"

#include "platform/Error.h"
#include "platform/SafeFile.h"
#include "platform/SystemPlatform.h"

#include <QCoreApplication>
#include <QCryptographicHash>
#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QMap>
#include <QStandardPaths>

using namespace Qt::StringLiterals;

namespace programdirectory {

namespace {

const QString dataDirectory = u"tavrindata"_s;
// In the user's data directory: the fingerprint of the shipped data it was last brought up to.
const QString shippedStamp = u".shipped"_s;

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

QByteArray shippedContentOf(const QString& directory, const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        fail(directory, path);
    return file.readAll();
}

// Writes `bytes` as the whole content of `path`, or nothing at all; a `NewFile` leaves whatever
// stands under the name alone.
void writeWhole(const QString& directory, const QString& path, const QByteArray& bytes,
                platform::SafeFile::Mode mode) {
    makePath(directory, QFileInfo(path).absolutePath());
    platform::SafeFile file(path, mode);
    if (!file.open())
        fail(directory, path);
    file.write(bytes);
    const platform::WriteResult result = file.commit();
    if (result != platform::WriteResult::Written && result != platform::WriteResult::NameTaken)
        fail(directory, path);
}

// Copies `from` to `to` unless something stands there already.
void copyWhereMissing(const QString& directory, const QString& from, const QString& to) {
    if (occupied(to))
        return;
    writeWhole(directory, to, shippedContentOf(directory, from), platform::SafeFile::NewFile);
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
    // The data files: those missing are laid out at every start; the others are replaced only when
    // the shipped data has changed (an upgrade) since the directory was last brought up to it, so that
    // until then whatever the user made of them stays. Banks are never replaced.
    const QString shippedData = shipped + u'/' + dataDirectory;
    const QString data = directory + u'/' + dataDirectory;
    QMap<QString, QByteArray> dataFiles;
    QCryptographicHash fingerprint(QCryptographicHash::Sha256);
    for (const QString& file : filesUnder(shippedData)) {
        if (isBank(file)) {
            copyWhereMissing(directory, shippedData + u'/' + file, data + u'/' + file);
            continue;
        }
        const QByteArray bytes = shippedContentOf(directory, shippedData + u'/' + file);
        fingerprint.addData(file.toUtf8() + '\0' + QByteArray::number(bytes.size()) + '\0' + bytes);
        dataFiles.insert(file, bytes);
    }
    const QByteArray stamp = fingerprint.result().toHex() + '\n';
    const bool shippedChanged = contentOf(data + u'/' + shippedStamp) != stamp;
    for (auto it = dataFiles.cbegin(); it != dataFiles.cend(); ++it) {
        const QString target = data + u'/' + it.key();
        if (!occupied(target) || (shippedChanged && contentOf(target) != it.value()))
            writeWhole(directory, target, it.value(), platform::SafeFile::Replacement);
    }
    // Last: a refresh cut short is done again at the next start.
    if (shippedChanged)
        writeWhole(directory, data + u'/' + shippedStamp, stamp, platform::SafeFile::Replacement);
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
