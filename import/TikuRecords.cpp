#include "import/TikuRecords.h"

#include <utility>

namespace {

// Blocks of this size go to the sink: few enough writes, little enough memory.
constexpr std::size_t blockBytes = 64 * 1024;

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

TikuRecordStream::TikuRecordStream(Sink sink) : sink_(std::move(sink)) {
    buffer_.reserve(blockBytes + recordBytes);
}

void TikuRecordStream::append(const STRUCT_TK_CHAR2& r) {
    appendSigned(buffer_, r.ID);
    appendWord(buffer_, r.reservedText);
    appendSigned(buffer_, r.daanleixing);
    appendSigned(buffer_, r.reservedInt);
    appendWord(buffer_, r.ti_neirong);
    appendWord(buffer_, r.ti_daan);
    appendWord(buffer_, r.img);
    appendWord(buffer_, r.jiexi);
    appendSigned(buffer_, r.dui);
    appendSigned(buffer_, r.cuo);
    appendSigned(buffer_, r.gong);
}

bool TikuRecordStream::flush() {
    if (!failed_ && !buffer_.empty() && !sink_(buffer_.data(), buffer_.size()))
        failed_ = true;
    buffer_.clear();
    return !failed_;
}

bool TikuRecordStream::questionsFound(std::int64_t questions) {
    if (failed_)
        return false;
    if (!started_) {
        append(STRUCT_TK_CHAR2{});
        started_ = true;
    }
    while (questionsWritten_ < questions) {
        STRUCT_TK_CHAR2 record;
        record.ID = static_cast<std::int32_t>(++questionsWritten_);
        append(record);
        if (buffer_.size() >= blockBytes && !flush())
            return false;
    }
    return true;
}

bool TikuRecordStream::finish(std::int64_t questions) {
    if (!questionsFound(questions))
        return false;
    append(STRUCT_TK_CHAR2{});
    return flush();
}
