// Renders EMF and WMF files to PNG at their natural size with the program's own metafile renderer,
// for comparing its drawing with other renderers and for checking a single picture by eye.
//
//   render_metafiles OUT_DIR FILE...
//
// Writes OUT_DIR/<name>.png for each FILE (<name> is the file's name without its extension) and prints
// one line per file: its path, "ok" with the picture's size, or "refused" (no PNG is written), and
// the time the rendering took. A picture over 100 million pixels at its natural size is drawn scaled
// down to fit them, and its line says so. Exit code 0 when every file was rendered, 1 when any was
// refused.
#include "codecs/metafile/MetafileImage.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QGuiApplication>
#include <QImage>
#include <cstdio>
#include <optional>

using namespace Qt::StringLiterals;

namespace {

// The program's own limit on the pixels of a picture it shows.
constexpr qint64 maxPixels = 100'000'000;

std::optional<metafile::Kind> kindOf(const QString& path) {
    const QString suffix = QFileInfo(path).suffix().toLower();
    if (suffix == u"emf"_s)
        return metafile::Kind::Emf;
    if (suffix == u"wmf"_s)
        return metafile::Kind::Wmf;
    return std::nullopt;
}

void report(const QString& path, const QString& status, double ms) {
    std::printf("%s\t%s\t%.1f ms\n", qPrintable(path), qPrintable(status), ms);
    std::fflush(stdout);
}

// Renders one file into `outDir`; false when it is refused.
bool renderOne(const QString& path, const QDir& outDir) {
    const std::optional<metafile::Kind> kind = kindOf(path);
    QFile file(path);
    if (!kind || !file.open(QIODevice::ReadOnly)) {
        report(path, kind ? u"refused (cannot be read)"_s : u"refused (not .emf or .wmf)"_s, 0);
        return false;
    }
    const QByteArray bytes = file.readAll();
    QElapsedTimer timer;
    timer.start();
    const QImage image = metafile::renderToFit(bytes, *kind, maxPixels);
    const double ms = timer.nsecsElapsed() / 1e6;
    if (image.isNull()) {
        report(path, u"refused"_s, ms);
        return false;
    }
    const QString out = outDir.filePath(QFileInfo(path).completeBaseName() + u".png"_s);
    if (!image.save(out, "PNG")) {
        report(path, u"refused (cannot write "_s + out + u')', ms);
        return false;
    }
    QString status = u"ok %1x%2"_s.arg(image.width()).arg(image.height());
    if (const std::optional<QSize> natural = metafile::pictureSize(bytes, *kind);
        natural && *natural != image.size())
        status += u" (scaled down from %1x%2 to fit 100 million pixels)"_s.arg(natural->width())
                      .arg(natural->height());
    report(path, status, ms);
    return true;
}

} // namespace

int main(int argc, char** argv) {
    // Text is drawn through Qt's fonts, which need a GUI application but no screen.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    const QStringList args = QCoreApplication::arguments().mid(1);
    if (args.size() < 2) {
        std::fprintf(stderr, "usage: render_metafiles OUT_DIR FILE...\n");
        return 2;
    }
    const QDir outDir(args.first());
    if (!outDir.exists() && !QDir().mkpath(outDir.path())) {
        std::fprintf(stderr, "render_metafiles: cannot create %s\n", qPrintable(outDir.path()));
        return 2;
    }
    bool all = true;
    for (const QString& path : args.mid(1))
        all = renderOne(path, outDir) && all;
    return all ? 0 : 1;
}
