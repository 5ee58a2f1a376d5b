#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>

// One question record of a `.tiku` file: eleven 32-bit words, as the store's current question has
// them. A text field is a single word in the file and cannot hold text: the import leaves it 0.
struct STRUCT_TK_CHAR2 {
    std::int32_t ID = 0;
    std::uint32_t reservedText = 0;
    std::int32_t daanleixing = 0;
    std::int32_t reservedInt = 0;
    std::uint32_t ti_neirong = 0;
    std::uint32_t ti_daan = 0;
    std::uint32_t img = 0;
    std::uint32_t jiexi = 0;
    std::int32_t dui = 0;
    std::int32_t cuo = 0;
    std::int32_t gong = 0;
};

// The records of one import, written as the questions are found, so that memory stays the same
// however many questions the text holds: record 0, the empty first slot; record k for the k-th
// question, its ID k; and one empty slot after the last question. Each field is a little-endian
// 32-bit word: a file of n questions is 44 * (n + 2) bytes.
//
// The bytes go to `sink` in blocks of a few dozen KiB; a sink that fails ends the writing.
class TikuRecordStream {
public:
    static constexpr std::size_t recordBytes = 44;
    using Sink = std::function<bool(const char* data, std::size_t size)>;

    explicit TikuRecordStream(Sink sink);

    // Writes the records of the questions found so far, up to question `questions`, that have not
    // been written yet (record 0 before the first). False once the sink has failed.
    bool questionsFound(std::int64_t questions);
    // Writes what is left, the trailing slot included, and hands every byte to the sink. False when
    // the sink failed on the way.
    bool finish(std::int64_t questions);

private:
    void append(const STRUCT_TK_CHAR2& record);
    bool flush();

    Sink sink_;
    std::string buffer_;
    bool started_ = false;
    std::int64_t questionsWritten_ = 0;
    bool failed_ = false;
};
