#pragma once

#include "bench/Measure.h"

#include <QString>
#include <string>

// The measured cases, each run in a process of its own so that its peak memory is its own. `bank` is
// a bank file of `n` generated questions, relative to the working directory as a chosen bank's path is.
namespace benchcases {

// "open_list": opening the bank and filling the main window's list, against a plain C API scan.
measure::CaseReport openList(int n, const QString& bank);

// "add", "update", "delete": one list command on a shown main window listing the whole bank, against
// one synced insert through the C API. They write to a copy of `bank`.
measure::CaseReport listCommand(const std::string& name, int n, const QString& bank);

bool isListCommand(const std::string& name);

} // namespace benchcases
