// Driver set-up on a case folder: equation numbering, sparse pattern and symbolic factorisation
// times against the sizes they work on.
//   setup_bench <case folder> [repetitions]
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <string>
#include <vector>

#include "common/screen.hpp"
#include "driver/setup.hpp"
#include "input/startup.hpp"

using namespace vetrix;

int main(int argc, char** argv) {
    if (argc < 2) {
        std::fprintf(stderr, "usage: setup_bench <case folder> [repetitions]\n");
        return 1;
    }
    const int reps = argc > 2 ? std::atoi(argv[2]) : 3;
    std::filesystem::current_path(argv[1]);
    std::vector<double> times, cpu;
    DriverState last;
    for (int r = 0; r < reps; ++r) {
        std::string sink;
        screen().capture(&sink);
        RunInput in = read_run_input();
        DriverState w;
        const auto t0 = std::chrono::steady_clock::now();
        const std::clock_t c0 = std::clock();
        driver_setup(in, w);
        const std::clock_t c1 = std::clock();
        const auto t1 = std::chrono::steady_clock::now();
        cpu.push_back(double(c1 - c0) / CLOCKS_PER_SEC);
        screen().capture(nullptr);
        times.push_back(std::chrono::duration<double>(t1 - t0).count());
        if (r + 1 == reps) last = std::move(w);
    }
    std::sort(times.begin(), times.end());
    std::sort(cpu.begin(), cpu.end());
    const long long n = last.iRowT[0], z = last.NnzU[0], lju = last.LJU[0];
    std::printf("equations %lld, upper pattern %lld, profile %lld, factor entries %lld\n", n, z,
                static_cast<long long>(last.LSkyLine[0]), lju - 1);
    const double t = times[times.size() / 2], c = cpu[cpu.size() / 2];
    std::printf("set-up %.3f s wall, %.3f s processor (medians of %d), %.1f ns processor time per "
                "pattern-plus-factor entry\n", t, c, reps, 1e9 * c / double(z + lju));
    return 0;
}
