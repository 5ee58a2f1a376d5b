// Loads the top-left 337 x 180 corner of one picture through the program's loader, in a process of its
// own so that the memory the loading takes is measured alone, and prints
// "<width> <height> <grey of the top-left pixel> <KiB the peak resident set grew by>".
//
// Usage: corner_memory_helper FILE
#include "platform/SystemPlatform.h"

#include <QCoreApplication>
#include <QImage>
#include <cstdio>
#include <sys/resource.h>

namespace {

long peakKib() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss;
}

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    if (argc != 2) {
        std::fprintf(stderr, "usage: corner_memory_helper FILE\n");
        return 2;
    }
    platform::SystemPlatform os;
    const QString path = QString::fromLocal8Bit(argv[1]);
    const long before = peakKib();
    const QImage corner = os.loadPictureCorner(path, QSize(337, 180));
    const long grown = peakKib() - before;
    std::printf("%d %d %d %ld\n", corner.width(), corner.height(),
                corner.isNull() ? -1 : qGray(corner.pixel(0, 0)), grown);
    return 0;
}
