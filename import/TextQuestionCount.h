#pragma once

#include <QString>
#include <cstdint>
#include <functional>

class QIODevice;

// The reads of a text are this large: enough that the system call per chunk costs nothing next to the
// scan, small enough that a chunk stays in the processor's cache while it is scanned.
inline constexpr qint64 textChunkBytes = 256 * 1024;

// Called after each chunk with the number of questions found so far; false stops the reading.
using QuestionsFound = std::function<bool(std::int64_t questions)>;

// Reads `device` from where it stands to its end through the piece scanner and returns the number of
// questions found. Throws platform::Error naming `path` when a read fails part-way: a count of part
// of the text would pass for the whole. With `found`, stops early when it says so.
std::int64_t countQuestions(QIODevice& device, bool skipFirstLine, const QString& path,
                            const QuestionsFound& found = {});

// Opens the text bank at `path` through the platform, read-only, and counts its questions. Throws
// platform::Error "无法打开文本题库：<path>" when it cannot be opened.
std::int64_t countTextQuestions(const QString& path, bool skipFirstLine);
