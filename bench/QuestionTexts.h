#pragma once

#include <cstdint>
#include <string>
#include <vector>

// One generated question, its texts in UTF-8, ready for the sqlite3 C API or for QString::fromStdString.
struct GeneratedQuestion {
    int daanleixing = 0;
    std::string ti_neirong;
    std::uint32_t ti_daan = 0;
    std::string img;
    std::string jiexi;
};

// Questions that look like the ones users write: 80-120 characters of Chinese text (a stem, and for
// the choice types the options on a line of their own), a valid answer code for the type, an
// explanation of 20-60 characters and a picture on about a third of them. The same seed always gives
// the same questions, so that figures from different runs compare like with like.
class QuestionTexts {
public:
    explicit QuestionTexts(std::uint64_t seed);

    GeneratedQuestion next();

private:
    std::uint64_t draw();
    int between(int low, int high); // inclusive
    void appendChars(std::string& out, int count);
    std::string stem(int length, const char* ending);

    std::uint64_t state_;
    std::vector<std::string> pool_; // one UTF-8 character per entry
};
