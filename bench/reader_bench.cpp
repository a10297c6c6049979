// reader_bench: times DeckFile reads of a mesh-sized deck against a bare std::from_chars loop.
//
// The deck has the layout of a mesh file: NodT nodes, one per line "x y", then NelT triangles,
// three node numbers per line. Reads of the coordinates (2 NodT reals) and incidences (3 NelT
// integers) are timed, and the same numbers are parsed by a bare loop (skip blanks and line
// ends, std::from_chars) over the same text in the same run. Peak memory (maximum resident set)
// is reported after the DeckFile phase, before the bare loop makes its own copy of the text.
//
// Usage: reader_bench [NodT [NelT]]   (defaults 1000000 and 2000000)
#include <sys/resource.h>

#include <algorithm>
#include <charconv>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <random>
#include <string>
#include <vector>

#include "io/deck_file.hpp"

using namespace vetrix;
using Clock = std::chrono::steady_clock;

namespace {

double seconds_since(Clock::time_point t0) {
    return std::chrono::duration<double>(Clock::now() - t0).count();
}

long peak_rss_kib() {
    rusage u{};
    getrusage(RUSAGE_SELF, &u);
    return u.ru_maxrss;
}

void write_deck(const std::string& path, long nodes, long triangles) {
    std::FILE* f = std::fopen(path.c_str(), "w");
    if (!f) {
        std::perror(path.c_str());
        std::exit(1);
    }
    std::mt19937_64 rng(12345);
    std::uniform_real_distribution<double> coord(-1000.0, 1000.0);
    std::uniform_int_distribution<long> node(1, nodes);
    std::fprintf(f, "*COORDINATES\n%ld\n", nodes);
    for (long n = 0; n < nodes; ++n) std::fprintf(f, "%.15g %.15g\n", coord(rng), coord(rng));
    std::fprintf(f, "*INCIDENCE\n");
    for (long e = 0; e < triangles; ++e)
        std::fprintf(f, "%ld %ld %ld\n", node(rng), node(rng), node(rng));
    std::fclose(f);
}

// The reference: a bare from_chars loop over the same numbers.
template <class T>
const char* bare_parse(const char* p, const char* end, T* out, std::size_t count) {
    for (std::size_t i = 0; i < count; ++i) {
        while (*p == ' ' || *p == '\n') ++p;
        p = std::from_chars(p, end, out[i]).ptr;
    }
    return p;
}

}  // namespace

int main(int argc, char** argv) {
    const long nodes = argc > 1 ? std::atol(argv[1]) : 1000000;
    const long triangles = argc > 2 ? std::atol(argv[2]) : 2000000;
    const std::string path = "/tmp/vetrix_reader_bench_Mesh.txt";
    write_deck(path, nodes, triangles);

    std::vector<real> X(static_cast<std::size_t>(2 * nodes));
    std::vector<integer> JE(static_cast<std::size_t>(3 * triangles));
    const double array_mib = (X.size() * sizeof(real) + JE.size() * sizeof(integer)) / 1048576.0;
    const int repeats = 7;

    // 1 - DeckFile: load once and read everything once; the peak memory is taken here.
    // Times of the coordinate part (search, count, reals) and the incidence part (search,
    // integers) go to t[0] and t[1].
    auto read_deck = [&](DeckFile& deck, double* t) {
        deck.rewind();
        auto t0 = Clock::now();
        integer nodt = 0;
        if (ifindstringinfile("*COORDINATES", deck) != 0) std::exit(1);
        deck.read({nodt});
        deck.read({F1<real>(X)});
        t[0] = seconds_since(t0);
        t0 = Clock::now();
        if (ifindstringinfile("*INCIDENCE", deck) != 0) std::exit(1);
        deck.read({F1<integer>(JE)});
        t[1] = seconds_since(t0);
        if (nodt != nodes) std::exit(1);
    };
    auto t0 = Clock::now();
    DeckFile deck(path);
    const double t_load = seconds_since(t0);
    double t[2];
    read_deck(deck, t);
    const long rss_deck = peak_rss_kib();

    // 2 - the bare loop over its own copy of the text, timed in turn with the DeckFile reads so
    // that both see the same load of the machine (best of several rounds)
    std::ifstream in(path, std::ios::binary);
    const std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    const double text_mib = text.size() / 1048576.0;
    std::vector<real> X2(X.size());
    std::vector<integer> JE2(JE.size());
    double deck_best[2] = {1e30, 1e30}, bare_best[2] = {1e30, 1e30};
    for (int r = 0; r < repeats; ++r) {
        read_deck(deck, t);
        deck_best[0] = std::min(deck_best[0], t[0]);
        deck_best[1] = std::min(deck_best[1], t[1]);
        t0 = Clock::now();
        const char* end = text.data() + text.size();
        bare_parse(text.data() + text.find('\n', text.find('\n') + 1) + 1, end, X2.data(),
                   X2.size());
        bare_best[0] = std::min(bare_best[0], seconds_since(t0));
        t0 = Clock::now();
        bare_parse(text.data() + text.find('\n', text.find("*INCIDENCE")) + 1, end, JE2.data(),
                   JE2.size());
        bare_best[1] = std::min(bare_best[1], seconds_since(t0));
    }
    const double t_deck = deck_best[0] + deck_best[1], t_bare = bare_best[0] + bare_best[1];
    if (X2 != X || JE2 != JE) {
        std::printf("MISMATCH between DeckFile and the bare loop\n");
        return 1;
    }

    std::printf("deck: %ld nodes (%zu reals), %ld triangles (%zu integers), text %.1f MiB\n", nodes,
                X.size(), triangles, JE.size(), text_mib);
    std::printf("load whole file         %8.4f s\n", t_load);
    std::printf("                      reals       integers    all\n");
    std::printf("DeckFile reads        %8.4f s  %8.4f s  %8.4f s\n", deck_best[0], deck_best[1],
                t_deck);
    std::printf("bare from_chars loop  %8.4f s  %8.4f s  %8.4f s\n", bare_best[0], bare_best[1],
                t_bare);
    std::printf("ratio DeckFile / bare %8.2f    %8.2f    %8.2f\n", deck_best[0] / bare_best[0],
                deck_best[1] / bare_best[1], t_deck / t_bare);
    std::printf(
        "peak memory after DeckFile phase %.1f MiB; arrays %.1f MiB + text %.1f MiB = %.1f MiB "
        "(ratio %.2f)\n",
        rss_deck / 1024.0, array_mib, text_mib, array_mib + text_mib,
        (rss_deck / 1024.0) / (array_mib + text_mib));
    std::remove(path.c_str());
    return 0;
}
