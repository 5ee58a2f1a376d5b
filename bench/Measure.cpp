#include "bench/Measure.h"

#include <algorithm>
#include <cstdio>
#include <fstream>
#include <sys/resource.h>
#include <unistd.h>

namespace measure {

namespace {

std::string quoted(const std::string& text) {
    std::string out = "\"";
    for (const char c : text) {
        if (c == '"' || c == '\\') {
            out += '\\';
            out += c;
        } else if (static_cast<unsigned char>(c) < 0x20) {
            char escaped[8];
            std::snprintf(escaped, sizeof escaped, "\\u%04x", static_cast<unsigned>(c));
            out += escaped;
        } else {
            out += c;
        }
    }
    return out + "\"";
}

std::string number(double value, int decimals) {
    char text[64];
    std::snprintf(text, sizeof text, "%.*f", decimals, value);
    return text;
}

} // namespace

double median(std::vector<double> samples) {
    if (samples.empty())
        return 0;
    std::sort(samples.begin(), samples.end());
    const std::size_t middle = samples.size() / 2;
    return samples.size() % 2 ? samples[middle] : (samples[middle - 1] + samples[middle]) / 2;
}

double peakRssMb() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    // ru_maxrss is in kilobytes on Linux. The kernel's per-thread counters can leave it a few pages
    // behind the resident set read just now, which it never is below.
    return std::max(static_cast<double>(usage.ru_maxrss) / 1024.0, currentRssMb());
}

double currentRssMb() {
    std::ifstream statm("/proc/self/statm");
    long pages = 0;
    long resident = 0;
    statm >> pages >> resident;
    return static_cast<double>(resident) * static_cast<double>(sysconf(_SC_PAGESIZE)) / (1024.0 * 1024.0);
}

std::string jsonLine(const CaseReport& r) {
    std::string line =
        "{\"case\": " + quoted(r.name) + ", \"n\": " + std::to_string(r.n) + ", \"ms\": " + number(r.ms, 3);
    if (r.floorMs > 0)
        line += ", \"floor_ms\": " + number(r.floorMs, 3) + ", \"ratio\": " + number(r.ms / r.floorMs, 2);
    if (r.againMs > 0)
        line += ", \"again_ms\": " + number(r.againMs, 3);
    line += ", \"peak_rss_mb\": " + number(r.peakRssMb, 1) +
            ", \"start_rss_mb\": " + number(r.startRssMb, 1) + ", \"runs\": " + std::to_string(r.runs);
    if (r.mappedMs > 0)
        line += ", \"mapped_ms\": " + number(r.mappedMs, 3);
    if (r.programRssMb > 0)
        line += ", \"program_rss_mb\": " + number(r.programRssMb, 1);
    if (r.mbPerS > 0)
        line += ", \"mb_per_s\": " + number(r.mbPerS, 1);
    if (r.fullMs > 0)
        line += ", \"full_decode_ms\": " + number(r.fullMs, 1);
    if (r.frameMs > 0)
        line += ", \"frame_ms\": " + number(r.frameMs, 3);
    if (!r.target.empty())
        line += ", \"target\": " + quoted(r.target);
    return line + "}";
}

std::string errorLine(const std::string& name, int n, const std::string& error) {
    return "{\"case\": " + quoted(name) + ", \"n\": " + std::to_string(n) + ", \"error\": " + quoted(error) +
           "}";
}

} // namespace measure
