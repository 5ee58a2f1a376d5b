#pragma once

#include <string>

// Writes a bank file of `count` generated questions the way a new bank is made: the shipped schema,
// the template's settings rows with the folder set to `folder`, then the questions, in one transaction.
// The file appears under `path` only once it is complete.
void makeBenchBank(const std::string& path, int count, const std::string& folder);
