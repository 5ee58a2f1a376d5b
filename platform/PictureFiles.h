#pragma once

#include "platform/SafeFile.h"

#include <QImage>
#include <QString>
#include <functional>

// The pictures the program writes into a bank's folder. Each gets a name made of the tick count and
// a suffix (the source file's own name, or ".bmp"), and never takes the place of a file already
// there: the tick counter starts again at every boot and wraps after 49.7 days, so a name it gives
// may belong to a picture a saved question shows. A taken name moves the picture on to the next
// number, `<tick+1><suffix>` and so on.
namespace platform {

struct SavedPicture {
    QString name; // the bare name the picture was written under (after a failure: the last one tried)
    WriteResult result = WriteResult::Failed;
};

// Tries `<tick><suffix>`, `<tick+1><suffix>`, ... in `folder` (the count wrapping at 2^32 as the
// counter does) with `write`, which writes the file at the path it is given and must refuse a taken
// name with NameTaken, until one is not taken.
SavedPicture writeUnderFreeName(const QString& folder, quint32 tick, const QString& suffix,
                                const std::function<WriteResult(const QString& path)>& write);

// Copies the file `source` into `folder` as `<tick count><its file name>`.
SavedPicture copyPictureInto(const QString& folder, const QString& source);

// Writes `image` into `folder` as the BMP file `<tick count>.bmp`.
SavedPicture writeBitmapInto(const QString& folder, const QImage& image);

// Raises platform::Error with the full disk's message when that is why `saved` was not written into
// `folder`; any other outcome is the caller's.
void raiseIfDiskFull(const SavedPicture& saved, const QString& folder);

} // namespace platform
