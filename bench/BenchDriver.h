#pragma once

#include "bench/BenchOptions.h"

// The whole benchmark: generates the banks once into a temporary directory, runs every case in a
// child process of its own and prints each child's JSON line. Non-zero when a case could not be
// measured; figures beyond their targets are only reported.
int runBenchmark(const BenchOptions& options);

// One measuring child: runs `options.caseName` in this process and prints its JSON line.
int runBenchCase(const BenchOptions& options);
