// Start-up reading of a mesh deck (Mesh.txt of a case folder) against a bare std::from_chars loop
// over the same numbers, with the peak resident memory of the read.
//   read_deck_bench <case folder> [repetitions]
#include <sys/resource.h>

#include <algorithm>
#include <charconv>
#include <cstring>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "common/screen.hpp"
#include "input/mesh_file.hpp"
#include "input/run_input.hpp"
#include "io/deck_file.hpp"

using namespace vetrix;

namespace {

double now() {
    return std::chrono::duration<double>(std::chrono::steady_clock::now().time_since_epoch()).count();
}

long peak_rss_kb() {
    rusage u{};
    getrusage(RUSAGE_SELF, &u);
    return u.ru_maxrss;
}

double median(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

// The whole read start-up makes of Mesh.txt: mesh sections and prescribed values.
double read_with_vetrix(RunInput& in) {
    std::string sink;
    screen().capture(&sink);
    const double t0 = now();
    DeckFile mesh("Mesh.txt");
    read_mesh(mesh, in);
    in.NSubSteps = 1;
    read_dirichlet(mesh, in);
    const double t1 = now();
    screen().capture(nullptr);
    return t1 - t0;
}

// The same numbers by a bare loop: every line that is not a keyword line, every blank-separated
// token, as an integer when it has no decimal point or exponent and as a real otherwise.
double read_bare(const std::string& text, std::vector<double>& reals, std::vector<int>& ints) {
    const double t0 = now();
    std::size_t nr = 0, ni = 0;
    const char* p = text.data();
    const char* end = p + text.size();
    while (p < end) {
        const char* eol = static_cast<const char*>(std::memchr(p, '\n', end - p));
        if (!eol) eol = end;
        if (*p != '*') {
            const char* q = p;
            while (q < eol) {
                while (q < eol && *q == ' ') ++q;
                if (q == eol) break;
                const char* t = q;
                bool real_token = false;
                while (t < eol && *t != ' ') {
                    real_token |= (*t == '.' || *t == 'e' || *t == 'E');
                    ++t;
                }
                if (real_token) {
                    double x;
                    std::from_chars(q, t, x);
                    if (nr < reals.size()) reals[nr] = x;
                    ++nr;
                } else {
                    int k = 0;
                    std::from_chars(q, t, k);
                    if (ni < ints.size()) ints[ni] = k;
                    ++ni;
                }
                q = t;
            }
        }
        p = eol + 1;
    }
    const double t1 = now();
    reals.resize(nr);
    ints.resize(ni);
    return t1 - t0;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 2) {
        std::fprintf(stderr, "usage: read_deck_bench <case folder> [repetitions]\n");
        return 1;
    }
    const int reps = argc > 2 ? std::atoi(argv[2]) : 5;
    std::filesystem::current_path(argv[1]);
    const long rss_before = peak_rss_kb();

    // 1 - reads by the solver; the first one also sets the peak memory of a read
    std::vector<double> ours;
    long rss_after = 0;
    double array_bytes = 0;
    for (int r = 0; r < reps; ++r) {
        RunInput in;
        ours.push_back(read_with_vetrix(in));
        if (r == 0) {
            rss_after = peak_rss_kb();
            array_bytes = 8.0 * (in.X.size() + in.dirich.size()) +
                          4.0 * (in.IE.size() + in.JE.size() + in.iElementType.size() +
                                 in.iElementMat.size() + in.idoftype.size());
            std::printf("nodes %d, elements %d, incidence entries %zu\n", in.NodT, in.NelT, in.JE.size());
        }
    }

    // 2 - the bare loop over the same text
    std::ifstream f("Mesh.txt", std::ios::binary);
    std::stringstream ss;
    ss << f.rdbuf();
    const std::string text = ss.str();
    std::vector<double> bare;
    std::vector<double> reals(text.size() / 4);
    std::vector<int> ints(text.size() / 2);
    for (int r = 0; r < reps; ++r) {
        reals.resize(text.size() / 4);
        ints.resize(text.size() / 2);
        bare.push_back(read_bare(text, reals, ints));
    }
    const double t_ours = median(ours), t_bare = median(bare);
    std::printf("Mesh.txt: %.1f MB of text, %zu reals and %zu integers\n", text.size() / 1e6,
                reals.size(), ints.size());
    std::printf("read by vetrix     %.3f s (median of %d)\n", t_ours, reps);
    std::printf("bare from_chars    %.3f s (median of %d)\n", t_bare, reps);
    std::printf("ratio              %.2f\n", t_ours / t_bare);
    const double peak = (rss_after - rss_before) * 1024.0;
    std::printf("arrays read        %.1f MB\n", array_bytes / 1e6);
    std::printf("peak memory growth %.1f MB (%.2f x the arrays)\n", peak / 1e6, peak / array_bytes);
    return 0;
}
