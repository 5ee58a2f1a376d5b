#pragma once

#include <cstddef>
#include <cstdint>

// Counts the questions of a text bank as its bytes stream past, in chunks of any size.
//
// The text is read as a C stream in text mode reads it: a CR directly before a line feed is dropped.
// What comes out is cut into pieces of at most 199 bytes, each ending after the first line feed if one
// comes sooner: what fgets gives with a 200-byte buffer. A piece whose last two bytes are 0xBB and the
// line feed, with at least one byte before them, ends a question; in GBK that is a line closed by the
// full-width semicolon A3 BB, or by any other double-byte character whose second byte is 0xBB. A NUL
// byte ends what is looked at in its piece, as it ends a C string: a question end after it does not
// count. An empty line (a piece that is only a line feed) changes nothing.
//
// The scanner finds the line feeds with memchr and looks closer only at the end of a line, or of a
// chunk; it keeps just the state of the piece in progress, so the chunk boundaries can fall anywhere,
// even between a CR and its line feed.
class PieceScanner {
public:
    // With `skipFirstPiece`, the text's first piece is left out whatever it holds; a first line longer
    // than 199 bytes loses only its first 199.
    explicit PieceScanner(bool skipFirstPiece = false);

    void feed(const char* data, std::size_t size);
    // The end of the text: a CR held back in case a line feed followed is a plain byte after all.
    void finish();

    // Questions found so far.
    std::int64_t questions() const { return questions_; }

    static constexpr std::size_t pieceBytes = 199;

private:
    void appendPlain(const unsigned char* data, std::size_t size);
    void endLine(const unsigned char* data, std::size_t size);

    std::int64_t questions_ = 0;
    bool skipping_;               // the first piece has not been completed yet and is to be left out
    bool pendingCr_ = false;      // the last byte seen was a CR that a line feed may still drop
    std::size_t pieceLength_ = 0; // bytes of the piece in progress, 0 to 198
    bool pieceHasNul_ = false;    // a NUL among them
    unsigned char lastByte_ = 0;  // the last of them, when there is one
};
