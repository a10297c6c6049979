// format_bench: times the result-file rows "(SP,E17.8E3)" x NDof written by Layout::append_reals
// against two hand-written formatters of the same field.
#include <charconv>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <string>
#include <vector>

#include "hand_formatter.hpp"
#include "io/format.hpp"

namespace {

using bench::append_field_snprintf;
using bench::append_field_to_chars;

struct Timing {
    double wall;  // elapsed seconds
    double cpu;   // processor seconds of this process (steadier on a busy machine)
};

template <class F>
Timing seconds(F&& f) {
    const auto t0 = std::chrono::steady_clock::now();
    const std::clock_t c0 = std::clock();
    f();
    const std::clock_t c1 = std::clock();
    return {std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count(),
            static_cast<double>(c1 - c0) / CLOCKS_PER_SEC};
}

}  // namespace

int main(int argc, char** argv) {
    const std::size_t lines = argc > 1 ? std::strtoul(argv[1], nullptr, 10) : 1000000;
    constexpr std::size_t ndof = 2;
    // Values of a typical result file: several magnitudes, both signs, some zeros.
    std::vector<double> values(lines * ndof);
    std::uint64_t seed = 12345;
    for (double& v : values) {
        seed = seed * 6364136223846793005ULL + 1442695040888963407ULL;
        const double u = static_cast<double>(seed >> 11) / 9007199254740992.0;
        const int scale = static_cast<int>(seed % 13) - 6;
        v = (seed & 1 ? -1.0 : 1.0) * u * std::pow(10.0, scale);
        if (seed % 97 == 0) v = 0.0;
    }
    const vetrix::Layout row("(SP,E17.8E3)");
    std::string a, b, c;
    a.reserve(lines * 36);
    b.reserve(lines * 36);
    c.reserve(lines * 36);
    const Timing t_layout = seconds([&] {
        for (std::size_t l = 0; l < lines; ++l) row.append_reals(a, &values[l * ndof], ndof);
    });
    const Timing t_snprintf = seconds([&] {
        for (std::size_t l = 0; l < lines; ++l) {
            for (std::size_t k = 0; k < ndof; ++k) {
                append_field_snprintf(b, values[l * ndof + k]);
                b.push_back('\n');
            }
        }
    });
    const Timing t_to_chars = seconds([&] {
        for (std::size_t l = 0; l < lines; ++l) {
            for (std::size_t k = 0; k < ndof; ++k) {
                append_field_to_chars(c, values[l * ndof + k]);
                c.push_back('\n');
            }
        }
    });
    std::printf("%zu lines of (SP,E17.8E3) x %zu\n", lines, ndof);
    std::printf("                           wall s   cpu s\n");
    std::printf("  Layout::append_reals     %6.3f  %6.3f\n", t_layout.wall, t_layout.cpu);
    std::printf("  hand-written, snprintf   %6.3f  %6.3f%s\n", t_snprintf.wall, t_snprintf.cpu,
                a == b ? "" : "  (output differs)");
    std::printf("  hand-written, to_chars   %6.3f  %6.3f%s\n", t_to_chars.wall, t_to_chars.cpu,
                a == c ? "" : "  (output differs)");
    return 0;
}
