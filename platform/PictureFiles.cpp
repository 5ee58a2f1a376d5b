#include "platform/PictureFiles.h"

#include "platform/Error.h"
#include "platform/Platform.h"

#include <QFileInfo>

using namespace Qt::StringLiterals;

namespace platform {

namespace {

// A folder holding this many pictures of one tick count's neighbourhood is not to be searched on.
constexpr quint32 maxAttempts = 1'000'000;

} // namespace

SavedPicture writeUnderFreeName(const QString& folder, quint32 tick, const QString& suffix,
                                const std::function<WriteResult(const QString& path)>& write) {
    SavedPicture saved;
    for (quint32 step = 0; step < maxAttempts; ++step) {
        saved.name = QString::number(quint32(tick + step)) + suffix;
        saved.result = write(folder + u'/' + saved.name);
        if (saved.result != WriteResult::NameTaken)
            return saved;
    }
    saved.result = WriteResult::Failed;
    return saved;
}

SavedPicture copyPictureInto(const QString& folder, const QString& source) {
    Platform& os = current();
    return writeUnderFreeName(folder, os.tickCount(), QFileInfo(source).fileName(),
                              [&](const QString& path) { return os.copyFileNoOverwrite(source, path); });
}

SavedPicture writeBitmapInto(const QString& folder, const QImage& image) {
    Platform& os = current();
    return writeUnderFreeName(folder, os.tickCount(), u".bmp"_s,
                              [&](const QString& path) { return os.writeBitmapFile(path, image); });
}

void raiseIfDiskFull(const SavedPicture& saved, const QString& folder) {
    if (saved.result == WriteResult::DiskFull)
        throw Error(diskFullText(folder + u'/' + saved.name));
}

} // namespace platform
