#pragma once

#include <optional>
#include <string>

// The command line. Without --case the program drives the whole benchmark; with it, it is one
// measuring child that the driver started.
struct BenchOptions {
    // The driver's choices.
    std::string only;         // run just this case; empty: all
    int maxN = 0;             // skip sizes above this; 0: none skipped
    int timeoutSeconds = 900; // per child

    // The child's case.
    std::string caseName;
    int n = 0;
    std::string bank;
    // With a picture case: only write its picture into this folder. The driver has a child do it,
    // since a process's peak memory passes on to the processes it starts.
    std::string pictureInto;
    // With open_html_panel: only the first opening, its milliseconds alone on stdout.
    bool firstOnly = false;
};

// The options, or nothing (after a message on stderr) when the command line is not understood.
std::optional<BenchOptions> parseBenchOptions(int argc, char** argv);
