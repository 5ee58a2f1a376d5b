#include "import/PieceScanner.h"

#include <cstring>

namespace {

constexpr unsigned char lineFeed = '\n';
constexpr unsigned char carriageReturn = '\r';
constexpr unsigned char questionEndByte = 0xBB;

bool hasNul(const unsigned char* data, std::size_t size) {
    return size > 0 && std::memchr(data, 0, size) != nullptr;
}

} // namespace

PieceScanner::PieceScanner(bool skipFirstPiece) : skipping_(skipFirstPiece) {}

void PieceScanner::feed(const char* data, std::size_t size) {
    const auto* p = reinterpret_cast<const unsigned char*>(data);
    const unsigned char* const end = p + size;
    if (p == end)
        return;
    if (pendingCr_) {
        pendingCr_ = false;
        // Followed by a line feed, the CR is dropped and the line feed below ends the line.
        if (*p != lineFeed)
            appendPlain(&carriageReturn, 1);
    }
    while (p < end) {
        const auto* feedAt =
            static_cast<const unsigned char*>(std::memchr(p, lineFeed, std::size_t(end - p)));
        if (!feedAt) {
            std::size_t length = std::size_t(end - p);
            // The chunk may end between a CR and its line feed: whether the CR stays is known only
            // from the next byte.
            if (p[length - 1] == carriageReturn) {
                pendingCr_ = true;
                --length;
            }
            appendPlain(p, length);
            return;
        }
        std::size_t length = std::size_t(feedAt - p);
        if (length > 0 && p[length - 1] == carriageReturn)
            --length;
        endLine(p, length);
        p = feedAt + 1;
    }
}

void PieceScanner::finish() {
    if (pendingCr_) {
        pendingCr_ = false;
        appendPlain(&carriageReturn, 1);
    }
}

// Bytes of a line that no line feed follows within them.
void PieceScanner::appendPlain(const unsigned char* data, std::size_t size) {
    if (size == 0)
        return;
    const std::size_t total = pieceLength_ + size;
    if (total < pieceBytes) {
        pieceHasNul_ = pieceHasNul_ || hasNul(data, size);
        pieceLength_ = total;
        lastByte_ = data[size - 1];
        return;
    }
    // A piece was completed without a line feed: the first piece, if it is to be left out, is gone.
    skipping_ = false;
    // The new piece in progress lies wholly within `data`: a boundary falls after the old one's bytes.
    pieceLength_ = total % pieceBytes;
    pieceHasNul_ = hasNul(data + size - pieceLength_, pieceLength_);
    lastByte_ = data[size - 1];
}

// The rest of a line, then its line feed, which ends the piece in progress.
void PieceScanner::endLine(const unsigned char* data, std::size_t size) {
    const std::size_t total = pieceLength_ + size;
    bool endsQuestion = false;
    if (total >= pieceBytes) {
        skipping_ = false;
        // The line feed's piece holds the line's last `before` bytes, all of them from `data`.
        const std::size_t before = total % pieceBytes;
        endsQuestion =
            before >= 2 && data[size - 1] == questionEndByte && !hasNul(data + size - before, before);
    } else {
        const unsigned char last = size > 0 ? data[size - 1] : lastByte_;
        endsQuestion = total >= 2 && last == questionEndByte && !pieceHasNul_ && !hasNul(data, size);
        if (skipping_) {
            skipping_ = false;
            endsQuestion = false;
        }
    }
    if (endsQuestion)
        ++questions_;
    pieceLength_ = 0;
    pieceHasNul_ = false;
    lastByte_ = 0;
}
