// libFuzzer target for the piece scanner of the text import.
//
// The input is a header of four bytes (bit 0 of the first: leave out the first piece; the rest: the
// seed of the chunk sizes) followed by the text. Every input checks that the streaming scanner, fed in
// chunks of sizes drawn from the seed, counts what a plain reference counts by cutting the text into
// fgets pieces one after another, and that the counts and the record file keep their invariants.
#include "import/PieceScanner.h"
#include "import/TikuRecords.h"

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

namespace {

[[noreturn]] void broken(const char* property, long long got, long long expected) {
    std::fprintf(stderr, "fuzz_piece_scanner: %s: got %lld, expected %lld\n", property, got, expected);
    __builtin_trap();
}

void check(bool holds, const char* property, long long got, long long expected) {
    if (!holds)
        broken(property, got, expected);
}

// The stream that a C text-mode read gives: a CR directly before a line feed is dropped.
std::vector<unsigned char> textMode(const unsigned char* data, std::size_t size) {
    std::vector<unsigned char> out;
    out.reserve(size);
    for (std::size_t i = 0; i < size; ++i) {
        if (data[i] == '\r' && i + 1 < size && data[i + 1] == '\n')
            continue;
        out.push_back(data[i]);
    }
    return out;
}

// The reference: fgets with a 200-byte buffer, one piece at a time, and the test as written for a
// NUL-terminated buffer.
long long referenceCount(const unsigned char* data, std::size_t size, bool skipFirstPiece) {
    const std::vector<unsigned char> stream = textMode(data, size);
    std::size_t at = 0;
    unsigned char buffer[200];
    auto readPiece = [&] {
        if (at >= stream.size())
            return false;
        std::size_t n = 0;
        while (n < sizeof buffer - 1 && at < stream.size()) {
            const unsigned char c = stream[at++];
            buffer[n++] = c;
            if (c == '\n')
                break;
        }
        buffer[n] = 0;
        return true;
    };
    if (skipFirstPiece)
        readPiece();
    long long questions = 0;
    while (readPiece()) {
        if (buffer[0] == '\n')
            continue;
        for (std::size_t i = 0; buffer[i] != 0; ++i) {
            if (buffer[i + 1] == 0xBB && buffer[i + 2] == '\n') {
                ++questions;
                break;
            }
        }
    }
    return questions;
}

// splitmix64: chunk sizes that favour the awkward ones (single bytes, around a piece's length).
struct ChunkSizes {
    std::uint64_t state;
    std::size_t next() {
        std::uint64_t z = (state += 0x9E3779B97F4A7C15ULL);
        z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ULL;
        z = (z ^ (z >> 27)) * 0x94D049BB133111EBULL;
        z ^= z >> 31;
        switch (z & 3) {
        case 0:
            return 1 + (z >> 8) % 3;
        case 1:
            return 197 + (z >> 8) % 5;
        default:
            return 1 + (z >> 8) % 600;
        }
    }
};

long long streamedCount(const unsigned char* data, std::size_t size, bool skipFirstPiece, ChunkSizes* sizes) {
    PieceScanner scanner(skipFirstPiece);
    const auto* text = reinterpret_cast<const char*>(data);
    if (!sizes) {
        scanner.feed(text, size);
    } else {
        for (std::size_t at = 0; at < size;) {
            std::size_t chunk = sizes->next();
            if (chunk > size - at)
                chunk = size - at;
            scanner.feed(text + at, chunk);
            at += chunk;
        }
    }
    scanner.finish();
    return scanner.questions();
}

std::uint32_t wordAt(const std::string& bytes, std::size_t offset) {
    std::uint32_t word = 0;
    for (int b = 3; b >= 0; --b)
        word = (word << 8) | static_cast<unsigned char>(bytes[offset + std::size_t(b)]);
    return word;
}

// The record file as the import writes it, its records handed over in steps of `step` questions as
// the counting finds them.
void checkRecordFile(long long questions, long long step) {
    std::string bytes;
    TikuRecordStream records([&](const char* data, std::size_t size) {
        bytes.append(data, size);
        return true;
    });
    for (long long found = 0; found < questions; found += step)
        records.questionsFound(found);
    records.finish(questions);
    const auto expectedSize = static_cast<long long>(TikuRecordStream::recordBytes) * (questions + 2);
    check(static_cast<long long>(bytes.size()) == expectedSize, "record file size",
          static_cast<long long>(bytes.size()), expectedSize);
    for (std::size_t offset = 0; offset < bytes.size(); offset += 4) {
        const std::size_t record = offset / TikuRecordStream::recordBytes;
        const bool idWord = offset % TikuRecordStream::recordBytes == 0 && record >= 1 &&
                            static_cast<long long>(record) <= questions;
        const std::uint32_t expected = idWord ? static_cast<std::uint32_t>(record) : 0;
        check(wordAt(bytes, offset) == expected, "record file word", wordAt(bytes, offset), expected);
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < 4)
        return 0;
    const bool skip = (data[0] & 1) != 0;
    ChunkSizes sizes{(std::uint64_t(data[1]) << 16) | (std::uint64_t(data[2]) << 8) | data[3]};
    const unsigned char* text = data + 4;
    const std::size_t length = size - 4;

    const long long expected = referenceCount(text, length, skip);
    const long long chunked = streamedCount(text, length, skip, &sizes);
    check(chunked == expected, "streamed in chunks", chunked, expected);
    const long long whole = streamedCount(text, length, skip, nullptr);
    check(whole == expected, "streamed whole", whole, expected);

    // Leaving out the first piece loses at most the one question it may end.
    const long long all = referenceCount(text, length, false);
    const long long skipped = referenceCount(text, length, true);
    check(skipped == all || skipped == all - 1, "first piece left out", skipped, all);
    // Every question ends at a line feed of its own.
    const auto lineFeeds = static_cast<long long>(std::count(text, text + length, '\n'));
    check(all <= lineFeeds, "questions within line feeds", all, lineFeeds);

    checkRecordFile(expected, 1 + static_cast<long long>(data[1] % 7));
    return 0;
}
