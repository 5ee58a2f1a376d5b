#pragma once

#include <QtGlobal>

// How a question's answer is stored: an answer type and a code whose reading depends on it. The
// quiz program that reads the banks knows only these values.
namespace answercode {

enum Type : qint32 { SingleChoice = 1, TrueFalse = 2, MultipleChoice = 3 };

// Single choice codes A to D as 1 to 4; true/false shares that code space above them.
inline constexpr int choiceCount = 4;
inline constexpr quint32 trueCode = 6;
inline constexpr quint32 falseCode = 5;

// Multiple choice: letter k (A = 0) is the bit 2^(k+1); the bit 1 is never used.
inline constexpr int letterCount = 8;
constexpr quint32 letterBit(int letter) {
    return 2u << letter;
}

} // namespace answercode
