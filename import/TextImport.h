#pragma once

#include "platform/SafeFile.h"

#include <QString>
#include <cstdint>

// What "开始" of the import dialog does once its checks have passed: counts the questions of the text
// bank at `textPath` and writes the record file `<textPath>.tiku` as it counts, so that memory stays
// the same however many questions the text holds.
struct TextImport {
    QString outputPath;
    std::int64_t questions = 0;
    // Written: the record file is in place, whole. Otherwise nothing was written under its name, and
    // a record file there before is as it was: Failed when it could not be created or written,
    // DiskFull when the disk ran out of room.
    platform::WriteResult result = platform::WriteResult::Failed;
};

// Throws platform::Error "无法打开文本题库：<path>" (nothing written) when the text cannot be opened,
// and "无法读取文本题库：<path>" when a read fails part-way (nothing written either).
TextImport importTextBank(const QString& textPath, bool skipFirstLine);
