#pragma once

#include "bench/Measure.h"

// "startup": the program started in a program directory holding `n` banks, until the bank chooser is
// shown (mapped and first painted) on a private X server, against a bare dialog of the chooser's size
// and controls started and shown the same way. The started processes are killed once shown.
namespace benchcases {

measure::CaseReport startup(int n);

} // namespace benchcases
