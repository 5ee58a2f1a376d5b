#include "import/TikuRecords.h"

namespace {

// Byte by byte, so that the file is the same whatever the byte order of the machine that writes it.
void appendWord(std::string& out, std::uint32_t word) {
    out += static_cast<char>(word & 0xFFu);
    out += static_cast<char>((word >> 8) & 0xFFu);
    out += static_cast<char>((word >> 16) & 0xFFu);
    out += static_cast<char>((word >> 24) & 0xFFu);
}

void appendSigned(std::string& out, std::int32_t word) {
    appendWord(out, static_cast<std::uint32_t>(word));
}

} // namespace

void TikuRecords::allocate() {
    records_.assign(initialRecords, STRUCT_TK_CHAR2{});
}

void TikuRecords::markQuestion(std::size_t k) {
    // Room for the record and for the empty slot after it; resize grows the capacity geometrically.
    if (records_.size() < k + 2)
        records_.resize(k + 2);
    records_[k].ID = static_cast<std::int32_t>(k);
}

std::string TikuRecords::fileBytes(std::size_t questions) const {
    const std::size_t count = questions + 2;
    const STRUCT_TK_CHAR2 empty{};
    std::string out;
    out.reserve(count * recordBytes);
    for (std::size_t i = 0; i < count; ++i) {
        // A slot past the records held is an empty one, like the trailing slot.
        const STRUCT_TK_CHAR2& r = i < records_.size() ? records_[i] : empty;
        appendSigned(out, r.ID);
        appendWord(out, r.reservedText);
        appendSigned(out, r.daanleixing);
        appendSigned(out, r.reservedInt);
        appendWord(out, r.ti_neirong);
        appendWord(out, r.ti_daan);
        appendWord(out, r.img);
        appendWord(out, r.jiexi);
        appendSigned(out, r.dui);
        appendSigned(out, r.cuo);
        appendSigned(out, r.gong);
    }
    return out;
}
