#include "bench/ImportScan.h"

#include "import/TextImport.h"
#include "import/TextQuestionCount.h"
#include "import/TikuRecords.h"
#include "platform/Platform.h"

#include <QFileInfo>
#include <algorithm>
#include <cstring>
#include <fstream>
#include <stdexcept>
#include <vector>

namespace importscan {

namespace {

constexpr int runs = 7;
constexpr std::int64_t mebibyte = 1 << 20;
constexpr std::size_t blockBytes = 1 << 20;
constexpr std::size_t pieceBytes = 199;

void require(bool condition, const std::string& what) {
    if (!condition)
        throw std::runtime_error(what);
}

// splitmix64 and GB2312 characters from its first level (lead bytes B0-D6), never with the second
// byte 0xBB: only the endings chosen below may end a question.
class GbkText {
public:
    explicit GbkText(std::uint64_t seed) : state_(seed) {}

    std::uint64_t draw() {
        std::uint64_t z = (state_ += 0x9E3779B97F4A7C15ULL);
        z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ULL;
        z = (z ^ (z >> 27)) * 0x94D049BB133111EBULL;
        return z ^ (z >> 31);
    }
    int between(int low, int high) { return low + static_cast<int>(draw() % std::uint64_t(high - low + 1)); }

    void characters(std::string& out, int count) {
        for (int i = 0; i < count; ++i) {
            const std::uint64_t r = draw();
            auto trail = static_cast<unsigned char>(0xA1 + (r >> 8) % 94);
            if (trail == 0xBB)
                ++trail;
            out += static_cast<char>(0xB0 + r % 39);
            out += static_cast<char>(trail);
        }
    }
    // Phrases of 6-15 characters between full-width commas.
    void phrases(std::string& out, int count) {
        while (count > 0) {
            const int phrase = std::min(count, between(6, 15));
            characters(out, phrase);
            count -= phrase;
            if (count > 0)
                out += "\xA3\xAC";
        }
    }

private:
    std::uint64_t state_;
};

} // namespace

TextFacts makeText(int megabytes, const std::function<void(const std::string&)>& block) {
    GbkText gbk(0x1A5C0DE + std::uint64_t(megabytes));
    TextFacts facts;
    std::string out;
    out.reserve(blockBytes + 4096);
    auto line = [&](const std::string& content) {
        out += content;
        out += "\r\n";
        ++facts.lineFeeds;
    };
    auto flush = [&] {
        facts.bytes += std::int64_t(out.size());
        block(out);
        out.clear();
    };

    line("\xCC\xE2\xBF\xE2\xA3\xBA\xBB\xF9\xD7\xBC"); // "题库：基准", the first line the import leaves out
    const std::int64_t wanted = std::int64_t(megabytes) * mebibyte;
    for (int number = 1; facts.bytes + std::int64_t(out.size()) < wanted; ++number) {
        std::string stem = std::to_string(number) + "\xA3\xAE"; // "．"
        gbk.phrases(stem, gbk.between(40, 100));
        line(stem + "\xA3\xA8  \xA3\xA9\xA3\xBF"); // "（  ）？"

        std::string options;
        for (const char letter : {'A', 'B', 'C', 'D'}) {
            if (letter != 'A')
                options += "  ";
            options += letter;
            options += "\xA3\xAE";
            gbk.characters(options, gbk.between(2, 8));
        }
        line(options);

        std::string answer = "\xB4\xF0\xB0\xB8\xA3\xBA"; // "答案："
        answer += static_cast<char>('A' + gbk.between(0, 3));
        answer += "\xA1\xA3\xBD\xE2\xCE\xF6\xA3\xBA"; // "。解析："
        gbk.phrases(answer, gbk.between(10, 40));
        const bool ends = gbk.between(0, 9) != 0;
        // A line whose last piece would hold fewer than two bytes before its line feed ends no
        // question; one more character keeps every semicolon line a question.
        const std::size_t length = answer.size() + 2;
        if (length % pieceBytes < 2)
            gbk.characters(answer, 1);
        answer += ends ? "\xA3\xBB" : "\xA1\xA3";
        line(answer);
        if (ends)
            ++facts.questions;
        if (gbk.between(0, 3) == 0)
            line("");
        if (out.size() >= blockBytes)
            flush();
    }
    flush();
    return facts;
}

TextFacts writeText(const std::string& path, int megabytes) {
    std::ofstream file(path, std::ios::binary | std::ios::trunc);
    require(bool(file), "cannot create " + path);
    const TextFacts facts = makeText(megabytes, [&](const std::string& block) {
        file.write(block.data(), std::streamsize(block.size()));
    });
    file.close();
    require(bool(file), "cannot write " + path);
    return facts;
}

namespace {

// The floor: the same opening and reads, and nothing but a memchr pass for line feeds.
std::int64_t countLineFeeds(const QString& path) {
    const std::unique_ptr<QIODevice> text = platform::current().openForReading(path);
    require(text != nullptr, "cannot open the text");
    std::vector<char> buffer(static_cast<std::size_t>(textChunkBytes));
    std::int64_t feeds = 0;
    for (;;) {
        const qint64 got = text->read(buffer.data(), textChunkBytes);
        require(got >= 0, "cannot read the text");
        if (got == 0)
            break;
        const char* p = buffer.data();
        const char* const end = p + got;
        while ((p = static_cast<const char*>(std::memchr(p, '\n', std::size_t(end - p)))) != nullptr) {
            ++feeds;
            ++p;
        }
    }
    return feeds;
}

} // namespace

namespace {

// One import of `text` as "开始" does it, first line left out; checks the record file's size.
std::int64_t importOnce(const QString& text) {
    const TextImport import = importTextBank(text, true);
    require(import.result == platform::WriteResult::Written, "the record file was not written");
    const qint64 expected = qint64(TikuRecordStream::recordBytes) * (import.questions + 2);
    require(QFileInfo(import.outputPath).size() == expected, "the record file has the wrong size");
    return import.questions;
}

} // namespace

measure::CaseReport importScan(int megabytes, const QString& text) {
    measure::CaseReport report;
    report.name = "import_scan";
    report.n = megabytes;
    report.target = "mb_per_s>=300, peak_rss_mb<64";
    report.runs = runs;
    const double textMb = double(QFileInfo(text).size()) / double(mebibyte);
    require(textMb > 0, "no text to scan");
    // Both the measured import and the floor find the text in the page cache, as the floor's first
    // pass leaves it.
    countLineFeeds(text);
    report.startRssMb = measure::currentRssMb();

    std::vector<double> samples;
    std::int64_t questions = 0;
    for (int i = 0; i < runs; ++i)
        samples.push_back(measure::millisecondsOf([&] { questions = importOnce(text); }));
    report.ms = measure::median(samples);
    report.peakRssMb = measure::peakRssMb();
    report.mbPerS = textMb / (report.ms / 1000.0);

    std::vector<double> floorSamples;
    std::int64_t feeds = 0;
    for (int i = 0; i < runs; ++i)
        floorSamples.push_back(measure::millisecondsOf([&] { feeds = countLineFeeds(text); }));
    report.floorMs = measure::median(floorSamples);

    // The same text made again, in memory only, says what both passes had to find.
    const TextFacts facts = makeText(megabytes, [](const std::string&) {});
    require(questions == facts.questions, "the import counted " + std::to_string(questions) +
                                              " questions, not " + std::to_string(facts.questions));
    require(feeds == facts.lineFeeds, "the floor counted " + std::to_string(feeds) + " line feeds, not " +
                                          std::to_string(facts.lineFeeds));
    return report;
}

TextFacts writeManyQuestions(const std::string& path, int millions) {
    std::ofstream file(path, std::ios::binary | std::ios::trunc);
    require(bool(file), "cannot create " + path);
    TextFacts facts;
    std::string block;
    auto line = [&](const std::string& content) {
        block += content;
        block += "\r\n";
        ++facts.lineFeeds;
    };
    line("\xCC\xE2\xBF\xE2"); // "题库", the first line the import leaves out
    const std::int64_t wanted = std::int64_t(millions) * 1'000'000;
    for (std::int64_t k = 1; k <= wanted; ++k) {
        // "第k题；"
        line("\xB5\xDA" + std::to_string(k) + "\xCC\xE2\xA3\xBB");
        ++facts.questions;
        if (block.size() >= blockBytes) {
            file.write(block.data(), std::streamsize(block.size()));
            facts.bytes += std::int64_t(block.size());
            block.clear();
        }
    }
    file.write(block.data(), std::streamsize(block.size()));
    facts.bytes += std::int64_t(block.size());
    file.close();
    require(bool(file), "cannot write " + path);
    return facts;
}

measure::CaseReport importPeak(int millions, const QString& text) {
    measure::CaseReport report;
    report.name = "import_peak";
    report.n = millions;
    report.target = "peak_rss_mb<64";
    report.runs = 1;
    countLineFeeds(text);
    report.startRssMb = measure::currentRssMb();
    std::int64_t questions = 0;
    report.ms = measure::millisecondsOf([&] { questions = importOnce(text); });
    report.peakRssMb = measure::peakRssMb();
    report.mbPerS = double(QFileInfo(text).size()) / double(mebibyte) / (report.ms / 1000.0);
    report.floorMs = measure::millisecondsOf([&] { countLineFeeds(text); });
    require(questions == std::int64_t(millions) * 1'000'000,
            "the import counted " + std::to_string(questions) + " questions");
    return report;
}

} // namespace importscan
