#include "platform/SystemPlatform.h"

#include "codecs/PngCorner.h"
#include "codecs/metafile/MetafileImage.h"

#include <QApplication>
#include <QBuffer>
#include <QDirIterator>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QImageReader>
#include <QMessageBox>
#include <QMovie>
#include <QPointer>
#include <QSaveFile>
#include <QWidget>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <iostream>

using namespace Qt::StringLiterals;

namespace platform {

namespace {

// Pictures larger than this are refused from their header alone, before any pixel is decoded: a
// crafted file can claim any size, and the display would need four bytes a pixel.
constexpr qint64 maxPicturePixels = 100'000'000;
// Enough for the largest picture accepted, decoded at four bytes a pixel, with room to spare.
constexpr int pictureAllocationLimitMb = 512;

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

bool withinPixelLimit(const QSize& size) {
    return !size.isValid() || qint64(size.width()) * size.height() <= maxPicturePixels;
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
        return metafile::render(QByteArrayView(mapped, file.size()), kind, corner, maxPicturePixels);
    return metafile::render(file.readAll(), kind, corner, maxPicturePixels);
}

// Reads the picture at `path`, its format chosen by extension; only its top-left `corner` when that
// is given. The size in the header is checked before a pixel is decoded.
QImage readPicture(const QString& path, const QSize& corner) {
    const QByteArray format = pictureFormat(path);
    if (format.isEmpty())
        return {};
    if (format == "emf" || format == "wmf")
        return readMetafile(path, format == "emf" ? metafile::Kind::Emf : metafile::Kind::Wmf, corner);
    QImageReader reader(path, format);
    // The extension decides: a file that is not what its name says is not shown.
    reader.setAutoDetectImageFormat(false);
    reader.setAllocationLimit(pictureAllocationLimitMb);
    const QSize size = reader.size();
    if (!withinPixelLimit(size))
        return {};
    if (corner.isEmpty())
        return reader.read();
    if (format == "png") {
        // Qt's PNG reader cannot clip: it would inflate every row below the corner too.
        if (const std::optional<QImage> rows = codecs::readPngCorner(path, corner, maxPicturePixels))
            return *rows;
    }
    const QRect visible = QRect(QPoint(0, 0), corner).intersected(QRect(QPoint(0, 0), size));
    // Readers that can clip stop decoding below the visible part; the others decode it all.
    const bool clips = size.isValid() && reader.supportsOption(QImageIOHandler::ClipRect);
    if (clips)
        reader.setClipRect(visible);
    const QImage image = reader.read();
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

bool SystemPlatform::fileExists(const QString& path) {
    // A dangling link counts: nothing could be created in its place.
    const QFileInfo info(path);
    return !path.isEmpty() && (info.exists() || info.isSymLink());
}

bool SystemPlatform::copyFileNoOverwrite(const QString& from, const QString& to) {
    // QFile::copy refuses an existing target, writes into a temporary file beside it and renames that
    // into place without replacing, so a failed copy leaves no partial target behind.
    if (from.isEmpty() || to.isEmpty() || fileExists(to))
        return false;
    return QFile::copy(from, to);
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

bool SystemPlatform::writeFileAtomically(const QString& path, const QByteArray& bytes) {
    if (path.isEmpty())
        return false;
    // The rename that puts the new content in place would pass over the write protection of an
    // existing file; opening it for appending asks the system, without changing it, whether it may be
    // written at all.
    if (QFileInfo(path).isFile()) {
        QFile existing(path);
        if (!existing.open(QIODevice::WriteOnly | QIODevice::Append))
            return false;
    }
    QSaveFile file(path);
    // Writing into the target itself, where no temporary file can be made beside it, would leave it
    // half written on a failure.
    file.setDirectWriteFallback(false);
    if (!file.open(QIODevice::WriteOnly))
        return false;
    if (file.write(bytes) != bytes.size()) {
        file.cancelWriting();
        return false;
    }
    return file.commit();
}

QString SystemPlatform::programDirectory() {
    return QCoreApplication::applicationDirPath();
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
    if (!movie->isValid() || !size.isValid() || !withinPixelLimit(size))
        return nullptr;
    return movie;
}

bool SystemPlatform::writeBitmapFile(const QString& path, const QImage& image) {
    if (image.isNull())
        return false;
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    if (!image.save(&buffer, "BMP"))
        return false;
    return writeFileAtomically(path, bytes);
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
