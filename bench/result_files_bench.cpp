// result_files_bench: times the restart file of 1e6 value lines (write_restart_file) and one
// output step of escribir against a hand-written C formatter writing the same restart file.
#include <unistd.h>

#include <chrono>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <filesystem>
#include <string>
#include <vector>

#include "common/screen.hpp"
#include "hand_formatter.hpp"
#include "driver/result_files.hpp"

namespace {

using bench::append_field_snprintf;

template <class F>
double cpu_seconds(F&& f) {
    const std::clock_t c0 = std::clock();
    f();
    return static_cast<double>(std::clock() - c0) / CLOCKS_PER_SEC;
}

}  // namespace

int main(int argc, char** argv) {
    using namespace vetrix;
    const integer NodT = argc > 1 ? std::atoi(argv[1]) : 1000000;
    const integer NDof = 1;
    std::vector<real> sol0(static_cast<std::size_t>(NodT) * NDof);
    std::vector<integer> Nodos(static_cast<std::size_t>(NodT));
    std::uint64_t seed = 12345;
    for (integer i = 0; i < NodT; ++i) {
        Nodos[i] = i + 1;
        seed = seed * 6364136223846793005ULL + 1442695040888963407ULL;
        const double u = static_cast<double>(seed >> 11) / 9007199254740992.0;
        sol0[i] = (seed & 1 ? -1.0 : 1.0) * u * std::pow(10.0, static_cast<int>(seed % 13) - 6);
    }
    namespace fs = std::filesystem;
    const fs::path dir = fs::temp_directory_path() / ("vetrix_bench_" + std::to_string(getpid()));
    fs::create_directories(dir);
    fs::current_path(dir);
    std::string screen_text;
    screen().capture(&screen_text);

    const double t_restart = cpu_seconds([&] {
        write_restart_file(F1<const real>(sol0), 1.0, 0.5, F1<const integer>(Nodos), NodT, NDof, 1);
    });
    const double t_hand = cpu_seconds([&] {
        std::string out = "*Initial Conditions\n";
        out.reserve(static_cast<std::size_t>(NodT) * 18 + 100);
        for (integer i = 0; i < NodT; ++i) {
            append_field_snprintf(out, sol0[static_cast<std::size_t>(Nodos[i] - 1)]);
            out.push_back('\n');
        }
        out += "\n*Time   [ T , DT ]\n   0.1000000E+01    0.5000000E+00\n";
        std::FILE* f = std::fopen("IniFile_hand.txt", "w");
        std::fwrite(out.data(), 1, out.size(), f);
        std::fclose(f);
    });
    const std::vector<integer> none;
    const std::vector<real> no_reals;
    EscribirState st;
    const double t_step = cpu_seconds([&] {
        escribir(F1<const integer>(none), F1<const integer>(none), F1<const real>(no_reals),
                 F1<const real>(sol0), 1.0, 0.5, 0, 1, F1<const integer>(Nodos),
                 F1<const integer>(none), 0, F1<const integer>(none), NodT, NDof, 0, 2,
                 F1<const integer>(none), 1, st);
    });
    const bool same = fs::file_size("IniFile.txt") == fs::file_size("IniFile_hand.txt");
    screen().capture(nullptr);
    fs::current_path(fs::temp_directory_path());
    fs::remove_all(dir);
    std::printf("%d value lines, cpu seconds\n", NodT);
    std::printf("  write_restart_file          %6.3f\n", t_restart);
    std::printf("  hand-written C formatter    %6.3f%s\n", t_hand, same ? "" : "  (size differs)");
    std::printf("  escribir (both files)       %6.3f\n", t_step);
    return 0;
}
