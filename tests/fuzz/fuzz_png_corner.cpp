// libFuzzer target for the PNG corner reader (codecs/PngCorner.cpp).
//
// The input is the file itself. The reader takes a path, so each input is written to a file of this
// process's own first. Every input is read into the editor's picture corner; an image that comes
// back must be no larger than the corner. Crashes, sanitizer reports, hangs and runaway memory are the
// findings.
#include "codecs/PngCorner.h"

#include <QDir>
#include <QFile>
#include <cstdint>
#include <cstdio>
#include <unistd.h>

namespace {

const QSize corner(337, 180);

QString scratchPath() {
    static const QString path = QDir::temp().filePath(QStringLiteral("fuzz_png_corner-%1.png").arg(getpid()));
    return path;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    QFile file(scratchPath());
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate))
        return 0;
    file.write(reinterpret_cast<const char*>(data), qint64(size));
    file.close();
    const std::optional<QImage> image = codecs::readPngCorner(scratchPath(), corner);
    if (image && !image->isNull() && (image->width() > corner.width() || image->height() > corner.height())) {
        std::fprintf(stderr, "fuzz_png_corner: the image is larger than the corner\n");
        __builtin_trap();
    }
    return 0;
}
