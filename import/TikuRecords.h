#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

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

// The records of one import: record 0 is the empty first slot, record k the k-th question found, and
// one empty slot follows the last question. It starts with room for 2998 questions and grows past
// that, so that a longer text still gets every record it needs.
class TikuRecords {
public:
    static constexpr std::size_t recordBytes = 44;
    static constexpr std::size_t initialRecords = 3000;

    // Empty until a run allocates it.
    bool allocated() const { return !records_.empty(); }
    // Starts over with `initialRecords` empty records.
    void allocate();
    // Record `k` stands for the k-th question (k >= 1): its ID becomes k.
    void markQuestion(std::size_t k);

    std::size_t size() const { return records_.size(); }
    const STRUCT_TK_CHAR2& operator[](std::size_t index) const { return records_[index]; }

    // The content of a `.tiku` file for `questions` questions: records 0 to questions + 1, each field
    // a little-endian 32-bit word, 44 * (questions + 2) bytes.
    std::string fileBytes(std::size_t questions) const;

private:
    std::vector<STRUCT_TK_CHAR2> records_;
};
