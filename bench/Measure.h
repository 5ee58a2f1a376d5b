#pragma once

#include <chrono>
#include <string>
#include <vector>

// Timing, memory and the one-line JSON report of a benchmark case.
namespace measure {

// Milliseconds that `work` takes, by the monotonic clock.
template <typename Work> double millisecondsOf(Work&& work) {
    const auto start = std::chrono::steady_clock::now();
    work();
    const auto end = std::chrono::steady_clock::now();
    return std::chrono::duration<double, std::milli>(end - start).count();
}

double median(std::vector<double> samples);

// The largest resident set this process has had so far, in MiB.
double peakRssMb();
// The resident set right now, in MiB.
double currentRssMb();

struct CaseReport {
    std::string name;
    int n = 0;
    double ms = 0;
    double floorMs = 0;
    double peakRssMb = 0;
    double startRssMb = 0; // before the measured work: what the process costs without it
    int runs = 0;
    double mbPerS = 0;       // MiB of input a second, for the cases that read a file; 0: not reported
    double fullMs = 0;       // picture cases: decoding the whole picture, beside the corner the display shows
    double againMs = 0;      // open_html_panel: the second and later openings, beside the first (ms)
    double programRssMb = 0; // startup: the started program's resident set once its window is shown
    double mappedMs = 0;     // startup: the start until the window was mapped, before it was painted
    double frameMs = 0;      // open_list: the slowest repaint of the list scrolled to the end and back
    std::string target;      // empty: none
};

// {"case": ..., "n": ..., "ms": ..., "floor_ms": ..., "ratio": ..., "peak_rss_mb": ..., ...}, with
// "mb_per_s", "full_decode_ms", "again_ms", "mapped_ms", "program_rss_mb" and "frame_ms" where the case
// reports them, and without "floor_ms" and "ratio" for a case that has no floor.
std::string jsonLine(const CaseReport& report);
// {"case": ..., "n": ..., "error": ...}
std::string errorLine(const std::string& name, int n, const std::string& error);

} // namespace measure
