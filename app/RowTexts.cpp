#include "app/RowTexts.h"

#include <algorithm>
#include <functional>
#include <limits>
#include <stdexcept>

namespace {

// Characters a block holds: 1 MiB. Large enough that a million rows take a few hundred blocks, small
// enough that the last block's unused room does not count.
constexpr std::size_t blockLength = 512 * 1024;

} // namespace

QStringView RowTexts::cell(std::size_t row, int column) const {
    const Row& r = rows_.at(row);
    const char16_t* at = r.start;
    for (int c = 0; c < column; ++c)
        at += r.lengths[static_cast<std::size_t>(c)];
    return QStringView(at, static_cast<qsizetype>(r.lengths.at(static_cast<std::size_t>(column))));
}

void RowTexts::append(const Cells& cells) {
    rows_.push_back(write(allocate(lengthOf(cells)), cells));
}

void RowTexts::replace(std::size_t row, const Cells& cells) {
    Row& r = rows_.at(row);
    const std::size_t length = lengthOf(cells);
    // The old place is reused when the texts fit (and are not read from it); otherwise it stays unused
    // until the list goes.
    const std::size_t oldLength = lengthOf(r);
    const std::less<const char16_t*> before;
    const bool readsItself = std::any_of(cells.begin(), cells.end(), [&](QStringView text) {
        return before(text.utf16(), r.start + oldLength) && before(r.start, text.utf16() + text.size());
    });
    char16_t* at = length <= oldLength && !readsItself ? r.start : allocate(length);
    r = write(at, cells);
}

void RowTexts::remove(std::size_t row) {
    if (row >= rows_.size())
        throw std::out_of_range("RowTexts::remove");
    rows_.erase(rows_.begin() + static_cast<std::ptrdiff_t>(row));
}

char16_t* RowTexts::allocate(std::size_t length) {
    if (length > freeLength_) {
        // A row longer than a block gets a block of its own; the current block keeps its room.
        if (length > blockLength / 4) {
            blocks_.push_back(std::make_unique_for_overwrite<char16_t[]>(length));
            return blocks_.back().get();
        }
        blocks_.push_back(std::make_unique_for_overwrite<char16_t[]>(blockLength));
        free_ = blocks_.back().get();
        freeLength_ = blockLength;
    }
    char16_t* at = free_;
    free_ += length;
    freeLength_ -= length;
    return at;
}

RowTexts::Row RowTexts::write(char16_t* at, const Cells& cells) {
    Row row;
    row.start = at;
    for (std::size_t c = 0; c < cells.size(); ++c) {
        const QStringView text = cells[c];
        std::copy_n(text.utf16(), text.size(), at);
        at += text.size();
        row.lengths[c] = static_cast<quint32>(text.size());
    }
    return row;
}

std::size_t RowTexts::lengthOf(const Cells& cells) {
    std::size_t length = 0;
    for (const QStringView text : cells) {
        // A cell's length is kept in 32 bits; no text of a bank comes near it.
        if (static_cast<std::size_t>(text.size()) > std::numeric_limits<quint32>::max())
            throw std::length_error("RowTexts: a text too long for the list");
        length += static_cast<std::size_t>(text.size());
    }
    return length;
}

std::size_t RowTexts::lengthOf(const Row& row) {
    std::size_t length = 0;
    for (const quint32 l : row.lengths)
        length += l;
    return length;
}
