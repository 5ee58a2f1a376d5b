// libFuzzer target for the EMF and WMF reader and renderer.
//
// The input is one byte choosing the kind (bit 0 set: WMF, else EMF) followed by the file. Every input
// is measured and rendered into the editor's picture corner; a picture that renders must have a size,
// and its image must be that size cut to the corner. Crashes, sanitizer reports, hangs and runaway
// memory are the findings.
#include "codecs/metafile/MetafileImage.h"

#include <QGuiApplication>
#include <cstdint>
#include <cstdio>
#include <cstdlib>

namespace {

const QSize corner(337, 180);

[[noreturn]] void broken(const char* property) {
    std::fprintf(stderr, "fuzz_metafile: %s\n", property);
    __builtin_trap();
}

} // namespace

// Fontconfig, under Qt's font database, keeps its pattern caches for the life of the process; they are
// still held at exit and are not the renderer's.
extern "C" const char* __lsan_default_suppressions() {
    return "leak:libfontconfig.so\n";
}

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv) {
    // Text needs the font database, which lives in the application; no window is ever shown.
    setenv("QT_QPA_PLATFORM", "offscreen", 1);
    static QGuiApplication app(*argc, *argv);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 1)
        return 0;
    const metafile::Kind kind = (data[0] & 1) ? metafile::Kind::Wmf : metafile::Kind::Emf;
    const QByteArrayView file(reinterpret_cast<const char*>(data + 1), qsizetype(size - 1));
    const std::optional<QSize> natural = metafile::pictureSize(file, kind);
    const QImage image = metafile::render(file, kind, corner);
    if (!image.isNull()) {
        if (!natural)
            broken("a picture rendered without a size");
        if (image.size() != natural->boundedTo(corner))
            broken("the image is not the natural size cut to the corner");
    }
    return 0;
}
