#include "platform/SystemPlatform.h"

#include "codecs/JpegLayout.h"
#include "codecs/PngCorner.h"
#include "codecs/metafile/MetafileImage.h"
#include "platform/PictureLimit.h"

#include <QApplication>
#include <QDirIterator>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QImageReader>
#include <QMessageBox>
#include <QMovie>
#include <QPointer>
#include <QWidget>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <iostream>

using namespace Qt::StringLiterals;

namespace platform {

namespace {

using picturelimit::maxPixels;

// A modal box with the application's title and one OK button, in front of the active window. The
// text is plain: a question or a path may contain "<" and must show as written.
void showModalBox(QMessageBox::Icon icon, const QString& text) {
    if (!qobject_cast<QApplication*>(QCoreApplication::instance())) {
        // Without a widget application there is no box to show; the text must not be lost.
        std::fprintf(stderr, "%s\n", text.toLocal8Bit().constData());
        return;
    }
    // On the heap and watched: the parent may be destroyed while the box's own loop runs, and it
    // takes its children with it.
    QPointer<QMessageBox> box = new QMessageBox(QApplication::activeWindow());
    box->setIcon(icon);
    box->setWindowTitle(QApplication::applicationName());
    box->setTextFormat(Qt::PlainText);
    box->setText(text);
    box->setStandardButtons(QMessageBox::Ok);
    box->setWindowModality(Qt::ApplicationModal);
    box->exec();
    delete box.data();
}

// The reader's format for a picture file, from its extension in any letter case; empty for a file
// that is not one of the picture kinds the program shows.
QByteArray pictureFormat(const QString& path) {
    const QString suffix = QFileInfo(path).suffix().toLower();
    if (suffix == "jpg"_L1 || suffix == "jpeg"_L1)
        return "jpeg";
    if (suffix == "png"_L1 || suffix == "gif"_L1 || suffix == "bmp"_L1 || suffix == "ico"_L1 ||
        suffix == "emf"_L1 || suffix == "wmf"_L1)
        return suffix.toLatin1();
    return {};
}

// A metafile larger than this is not read: its records would take minutes to play, and its bytes
// are held in memory while they do.
constexpr qint64 maxMetafileBytes = 256 * 1024 * 1024;

// Plays the metafile at `path` into a picture; only its top-left `corner` when that is given.
QImage readMetafile(const QString& path, metafile::Kind kind, const QSize& corner) {
    QFile file(path);
    if (!QFileInfo(path).isFile() || !file.open(QIODevice::ReadOnly) || file.size() > maxMetafileBytes)
        return {};
    // Mapped rather than read: the renderer takes a copy of its own, so a read would hold a large
    // metafile's bytes in memory twice.
    if (const uchar* mapped = file.map(0, file.size()))
        return metafile::render(QByteArrayView(mapped, file.size()), kind, corner, maxPixels);
    return metafile::render(file.readAll(), kind, corner, maxPixels);
}

// Reads the picture at `path`, its format chosen by extension; only its top-left `corner` when that
// is given. The size in the header is checked before a pixel is decoded, except where the corner is
// decoded alone: then memory stays bounded whatever the size.
QImage readPicture(const QString& path, const QSize& corner) {
    const QByteArray format = pictureFormat(path);
    if (format.isEmpty())
        return {};
    if (format == "emf" || format == "wmf")
        return readMetafile(path, format == "emf" ? metafile::Kind::Emf : metafile::Kind::Wmf, corner);
    QImageReader reader(path, format);
    // The extension decides: a file that is not what its name says is not shown.
    reader.setAutoDetectImageFormat(false);
    if (corner.isEmpty())
        return picturelimit::readWhole(reader);

    const QSize size = reader.size();
    if (format == "png") {
        // Qt's PNG reader cannot clip: it would inflate every row below the corner too.
        if (const std::optional<QImage> rows = codecs::readPngCorner(path, corner))
            return *rows;
        // Interlaced: decoded whole, below.
    }
    const QRect visible = QRect(QPoint(0, 0), corner).intersected(QRect(QPoint(0, 0), size));
    // Readers that can clip stop decoding below the visible part; the others decode it all.
    const bool clips = size.isValid() && reader.supportsOption(QImageIOHandler::ClipRect);
    if (clips)
        reader.setClipRect(visible);
    // A sequential JPEG comes out of the decoder a row of blocks at a time, and the reading stops
    // below the corner: no buffer of the whole picture is made. Any other picture is decoded whole.
    if (clips && format == "jpeg" && codecs::decodesTopDown(path))
        return reader.read();
    const QImage image = picturelimit::readWhole(reader);
    if (clips || image.isNull())
        return image;
    return image.copy(QRect(QPoint(0, 0), corner).intersected(image.rect()));
}

} // namespace

void SystemPlatform::showMessage(const QString& text) {
    showModalBox(QMessageBox::NoIcon, text);
}

void SystemPlatform::exitProcess(int code) {
    // Nothing else runs on the way out (no destructors, no exit handlers), so what has been written
    // must be pushed out first.
    std::cout.flush();
    std::cerr.flush();
    std::fflush(nullptr);
    std::_Exit(code);
}

quint32 SystemPlatform::tickCount() {
    // Time since boot including suspended time, as the counter the picture names were made of.
    timespec now{};
    if (clock_gettime(CLOCK_BOOTTIME, &now) != 0)
        clock_gettime(CLOCK_MONOTONIC, &now);
    const auto ms = static_cast<quint64>(now.tv_sec) * 1000u + static_cast<quint64>(now.tv_nsec) / 1'000'000u;
    return static_cast<quint32>(ms);
}

QStringList SystemPlatform::listEntries(const QString& directory, const QString& pattern) {
    // Name filters match without regard to case unless told otherwise, as on the target systems.
    QDirIterator it(directory, {pattern},
                    QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot);
    QStringList names;
    while (it.hasNext()) {
        it.next();
        names << it.fileName();
    }
    return names;
}

bool SystemPlatform::makeDirectory(const QString& path) {
    // One level only: a missing parent is a failure, as is a directory that is there already.
    return !path.isEmpty() && QDir().mkdir(path);
}

bool SystemPlatform::removeDirectory(const QString& path) {
    return !path.isEmpty() && QDir().rmdir(path);
}

bool SystemPlatform::removeFile(const QString& path) {
    return !path.isEmpty() && !QFileInfo(path).isDir() && QFile::remove(path);
}

bool SystemPlatform::fileExists(const QString& path) {
    // A dangling link counts: nothing could be created in its place.
    const QFileInfo info(path);
    return !path.isEmpty() && (info.exists() || info.isSymLink());
}

WriteResult SystemPlatform::copyFileNoOverwrite(const QString& from, const QString& to) {
    if (to.isEmpty())
        return WriteResult::Failed;
    if (fileExists(to))
        return WriteResult::NameTaken;
    const std::unique_ptr<QIODevice> source = openForReading(from);
    if (!source)
        return WriteResult::Failed;
    SafeFile target(to, SafeFile::NewFile);
    if (!target.open())
        return target.result();
    constexpr qint64 chunkBytes = 1 << 20;
    QByteArray chunk(chunkBytes, Qt::Uninitialized);
    for (;;) {
        const qint64 got = source->read(chunk.data(), chunkBytes);
        if (got < 0)
            return WriteResult::Failed; // the target goes with `target`
        if (got == 0)
            break;
        if (target.write(chunk.constData(), got) != got)
            return target.result();
    }
    return target.commit();
}

std::unique_ptr<QIODevice> SystemPlatform::openForReading(const QString& path) {
    // Only a regular file: a pipe would block the opening, a device such as /dev/zero never end.
    if (path.isEmpty() || !QFileInfo(path).isFile())
        return nullptr;
    auto file = std::make_unique<QFile>(path);
    if (!file->open(QIODevice::ReadOnly))
        return nullptr;
    return file;
}

namespace {

// Set at start-up where the program works elsewhere than in its executable's folder.
QString chosenProgramDirectory;

} // namespace

void setProgramDirectory(const QString& directory) {
    chosenProgramDirectory = directory;
}

QString SystemPlatform::programDirectory() {
    return chosenProgramDirectory.isEmpty() ? QCoreApplication::applicationDirPath() : chosenProgramDirectory;
}

QStringList SystemPlatform::moduleDirectories() {
    // The build's program directory holds its modules beside the executable; an installed program
    // keeps them in the library folder chosen when it was configured.
    QStringList directories{QCoreApplication::applicationDirPath()};
    const QString installed = QStringLiteral(QELBRIN_MODULE_DIR);
    if (!directories.contains(installed))
        directories << installed;
    return directories;
}

QString SystemPlatform::openFileName(QWidget* parent, const QString& filter) {
    return QFileDialog::getOpenFileName(parent, QString(), QString(), filter);
}

QImage SystemPlatform::loadPicture(const QString& path) {
    return readPicture(path, QSize());
}

QImage SystemPlatform::loadPictureCorner(const QString& path, const QSize& corner) {
    if (corner.isEmpty())
        return {};
    return readPicture(path, corner);
}

std::unique_ptr<QMovie> SystemPlatform::loadAnimation(const QString& path) {
    if (pictureFormat(path) != "gif")
        return nullptr;
    auto movie = std::make_unique<QMovie>(path, QByteArray("gif"));
    // The same checks as a still picture: a file without a readable screen size, or one claiming too
    // many pixels, is never decoded.
    QImageReader probe(path, "gif");
    probe.setAutoDetectImageFormat(false);
    const QSize size = probe.size();
    if (!movie->isValid() || !size.isValid() || !picturelimit::allows(size))
        return nullptr;
    return movie;
}

WriteResult SystemPlatform::writeBitmapFile(const QString& path, const QImage& image) {
    if (image.isNull())
        return WriteResult::Failed;
    // Straight into the file: a large picture's BMP is not held in memory a second time.
    SafeFile file(path, SafeFile::NewFile);
    if (!file.open())
        return file.result();
    if (!image.save(&file, "BMP"))
        return file.result() == WriteResult::Written ? WriteResult::Failed : file.result();
    return file.commit();
}

void SystemPlatform::raiseWithoutActivating(QWidget* window) {
    // Raising shows nothing new: a window not yet shown (an editor being prepared) stays as it is.
    if (!window || !window->isVisible())
        return;
    window->setAttribute(Qt::WA_ShowWithoutActivating);
    window->show();
    window->raise();
}

void SystemPlatform::reportError(const QString& text) {
    showModalBox(QMessageBox::Critical, text);
}

} // namespace platform
