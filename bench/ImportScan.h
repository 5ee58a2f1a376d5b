#pragma once

#include "bench/Measure.h"

#include <QString>
#include <cstdint>
#include <functional>
#include <string>

// The text import on large GBK text banks: what "开始" does (counting the questions and writing the
// record file as it counts), against one memchr pass for line feeds over the same bytes read the same
// way; and the import's peak memory on a text of millions of questions.
namespace importscan {

struct TextFacts {
    std::int64_t bytes = 0;
    std::int64_t questions = 0; // questions the import counts, its first line left out
    std::int64_t lineFeeds = 0;
};

// Makes the text of about `megabytes` MiB, whole questions only, handing it out in blocks: a title
// line, then questions in GBK with CR LF line ends (a stem of 40-100 characters, the options A-D on a
// line, the answer and explanation on a third, an empty line after a quarter of them). Nine in ten
// answer lines end with the full-width semicolon, the rest with a full stop. The same `megabytes`
// always gives the same bytes.
TextFacts makeText(int megabytes, const std::function<void(const std::string&)>& block);

// Writes that text to `path`.
TextFacts writeText(const std::string& path, int megabytes);

// "import_scan": the import of `text` as "开始" does it (opening, reading and scanning the text, writing
// the record file beside it), n = `megabytes`.
measure::CaseReport importScan(int megabytes, const QString& text);

// Writes a text of `millions` million short questions, one line each, to `path`.
TextFacts writeManyQuestions(const std::string& path, int millions);

// "import_peak": the import's peak memory on the text of `millions` million questions.
measure::CaseReport importPeak(int millions, const QString& text);

} // namespace importscan
