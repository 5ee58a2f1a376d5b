#include "bench/BenchOptions.h"

#include <cstdio>
#include <cstdlib>
#include <string_view>

namespace {

constexpr const char* usage =
    "usage: qelbrin_bench [--only CASE] [--max-n N] [--timeout SECONDS]\n"
    "       qelbrin_bench --case CASE --n N --bank FILE   (one measurement; the driver runs these)\n"
    "       qelbrin_bench --case CASE --n N --picture-into FOLDER   (writes a picture case's picture)\n"
    "       qelbrin_bench --case open_html_panel --n N --bank FILE --first-only   (one first opening)\n"
    "cases: open_list (n = 1000, 10000, 100000, 1000000), add, update, delete, open_editor (n = 100000),\n"
    "       import_scan (n = 100: a text of that many MiB), import_peak (n = 10: a text of that\n"
    "       many million questions), show_picture_jpeg, show_picture_png\n"
    "       (n = 24 megapixels), show_picture_emf (n = 20 MiB),\n"
    "       show_picture_wmf (n = 8 lines of formulas), startup (n = 10 banks),\n"
    "       open_html_panel (n = 1000)\n";

bool positive(const char* text, int& out) {
    char* end = nullptr;
    const long value = std::strtol(text, &end, 10);
    if (end == text || *end != '\0' || value <= 0 || value > 100000000)
        return false;
    out = static_cast<int>(value);
    return true;
}

} // namespace

std::optional<BenchOptions> parseBenchOptions(int argc, char** argv) {
    BenchOptions options;
    for (int i = 1; i < argc; ++i) {
        const std::string_view arg = argv[i];
        if (arg == "--first-only") {
            options.firstOnly = true;
            continue;
        }
        const char* value = i + 1 < argc ? argv[i + 1] : nullptr;
        bool ok = value != nullptr;
        if (ok && arg == "--only")
            options.only = value;
        else if (ok && arg == "--max-n")
            ok = positive(value, options.maxN);
        else if (ok && arg == "--timeout")
            ok = positive(value, options.timeoutSeconds);
        else if (ok && arg == "--case")
            options.caseName = value;
        else if (ok && arg == "--n")
            ok = positive(value, options.n);
        else if (ok && arg == "--bank")
            options.bank = value;
        else if (ok && arg == "--picture-into")
            options.pictureInto = value;
        else
            ok = false;
        if (!ok) {
            std::fprintf(stderr, "qelbrin_bench: cannot use argument %s\n%s", argv[i], usage);
            return std::nullopt;
        }
        ++i;
    }
    if (!options.caseName.empty() &&
        (options.n == 0 || (options.bank.empty() && options.pictureInto.empty()))) {
        std::fprintf(stderr, "qelbrin_bench: --case needs --n and --bank\n%s", usage);
        return std::nullopt;
    }
    return options;
}
