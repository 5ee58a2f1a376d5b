#pragma once

// How a write ended, as a failing comparison prints it; and a whole file written through SafeFile.
#include "platform/SafeFile.h"

#include <QByteArray>
#include <QString>
#include <cstring>

namespace platform {

// Found by QCOMPARE through argument-dependent lookup.
inline char* toString(WriteResult result) {
    const char* names[] = {"Written", "NameTaken", "DiskFull", "Failed"};
    return qstrdup(names[int(result)]);
}

} // namespace platform

namespace testfiles {

// Writes `bytes` as the whole file `path` through a SafeFile of `mode`: how it ended.
inline platform::WriteResult writeSafely(const QString& path, const QByteArray& bytes,
                                         platform::SafeFile::Mode mode) {
    platform::SafeFile file(path, mode);
    if (!file.open())
        return file.result();
    if (file.write(bytes) != bytes.size())
        return file.result();
    return file.commit();
}

} // namespace testfiles
