// Benchmark of the iterative solvers on the B1 heat matrix: amux against a STREAM triad, the block
// threshold incomplete LU, and whole solves of iterative_solver by solver type.
//
// usage: solver_bench [amux|ilut|solve|all] [N ...]
//   amux, ilut: N = 200 400 800 by default; solve: N = 200 400.
// Times are best-of processor seconds with the wall seconds in brackets (the machine is shared).
// Run it in a scratch folder: the front end's timing checkpoints write ElapsedTime.txt there.
#include <cstdio>
#include <cstdlib>
#include <sstream>
#include <string>
#include <vector>

#include "bench_common.hpp"
#include "common/screen.hpp"
#include "linalg/block_ilut.hpp"
#include "linalg/ilut.hpp"
#include "linalg/iterative_solver.hpp"
#include "linalg/scaling.hpp"
#include "linalg/sparse_products.hpp"
#include "linalg/storage_conversion.hpp"

using namespace vetrix;
using namespace vetrix::bench;

namespace {

// Full row storage of the B1 matrix (DT = 0.01, k = 1).
struct FullRows {
    integer n = 0;
    std::vector<integer> IAC, JAC;
    std::vector<real> AC;
};

FullRows full_rows(const System& s) {
    FullRows f;
    f.n = s.n;
    const integer nnz = s.IA[s.n] - 1;
    f.IAC.assign(s.n + 1, 0);
    f.JAC.assign(2 * nnz + s.n, 0);
    f.AC.assign(2 * nnz + s.n, 0.0);
    std::vector<real> AN = s.AN, AD = s.AD;
    trans_ultoc(F1<const integer>(s.IA), F1<const integer>(s.JA), F1<real>(AN), F1<real>(AN),
                F1<real>(AD), F1<integer>(f.IAC), F1<integer>(f.JAC), F1<real>(f.AC), s.n);
    return f;
}

// y = A x, bytes moved at least once: values and columns of every entry, row pointers, x, y.
void bench_amux(int N) {
    const FullRows f = full_rows(heat_matrix(N, 0.01, 1.0));
    const integer n = f.n;
    const double nnz = f.IAC[n] - 1;
    std::vector<real> x(n, 1.0), y(n, 0.0);
    for (integer i = 0; i < n; ++i) x[i] = 1.0 + 1e-3 * (i % 7);
    const int reps = std::max(3, int(2e8 / (12.0 * nnz)));
    Best best;
    for (int r = 0; r < 5; ++r)
        best.run([&] {
            for (int k = 0; k < reps; ++k)
                amux(n, F1<const real>(x), F1<real>(y), F1<const real>(f.AC),
                     F1<const integer>(f.JAC), F1<const integer>(f.IAC));
        });
    const double t = best.cpu / reps;
    const double bytes = 12.0 * nnz + 4.0 * (n + 1) + 16.0 * n;
    const double triad = triad_gbs();
    std::printf(
        "amux N=%4d n=%7d nnz=%8.0f  %8.3f ms (%8.3f)  %5.2f GB/s  %4.2f GFlop/s  "
        "triad %5.2f GB/s  amux/triad = %3.0f%%\n",
        N, n, nnz, 1e3 * t, 1e3 * best.wall / reps, bytes / t / 1e9, 2 * nnz / t / 1e9, triad,
        100.0 * bytes / t / 1e9 / triad);
}

// Row and column scaling, then the block ILUT (lfil, tolpre) of the scaled rows.
void bench_ilut(int N, integer lfil, real tolpre) {
    FullRows f = full_rows(heat_matrix(N, 0.01, 1.0));
    const integer n = f.n;
    std::vector<real> d(n);
    integer zero = 0;
    roscal(n, 1, F1<real>(f.AC), F1<const integer>(f.JAC), F1<const integer>(f.IAC), F1<real>(d),
           zero);
    coscal(n, 1, F1<real>(f.AC), F1<const integer>(f.JAC), F1<const integer>(f.IAC), F1<real>(d),
           zero);
    const std::size_t cap = n + 2 + 2 * std::size_t(n) * lfil;
    std::vector<real> alu(cap), w(n + 1);
    std::vector<integer> jlu(cap), ju(n + 1), jw(2 * n);
    Best best;
    std::string text;  // the block lines of the screen
    screen().capture(&text);
    for (int r = 0; r < 3; ++r)
        best.run([&] {
            block_ilut(n, F1<const integer>(f.IAC), F1<integer>(f.JAC), F1<const real>(f.AC), lfil,
                       tolpre, F1<real>(alu), F1<integer>(jlu), F1<integer>(ju), F1<real>(w),
                       F1<integer>(jw));
        });
    screen().capture(nullptr);
    const double nnz = f.IAC[n] - 1;
    const double entries = jlu[n] - (n + 2);
    std::printf(
        "block ILUT N=%4d n=%7d lfil=%d tolpre=%.0e  %8.3f s (%8.3f)  factor %9.0f "
        "off-diagonal entries (%.2f x nnz(A))\n",
        N, n, int(lfil), tolpre, best.cpu, best.wall, entries, entries / nnz);
    // one preconditioner application: values and columns of every entry, pointers, y, x
    std::vector<real> y(n, 1.0), x(n, 0.0);
    const int reps = std::max(3, int(2e8 / (12.0 * entries)));
    Best sweep;
    for (int r = 0; r < 5; ++r)
        sweep.run([&] {
            for (int k = 0; k < reps; ++k)
                lusol(n, F1<const real>(y), F1<real>(x), F1<const real>(alu),
                      F1<const integer>(jlu), F1<const integer>(ju));
        });
    const double t = sweep.cpu / reps;
    const double bytes = 12.0 * (entries + n) + 4.0 * n + 16.0 * n;
    const double triad = triad_gbs();
    std::printf("  lusol  %8.3f ms (%8.3f)  %5.2f GB/s  triad %5.2f GB/s  lusol/triad = %3.0f%%\n",
                1e3 * t, 1e3 * sweep.wall / reps, bytes / t / 1e9, triad,
                100.0 * bytes / t / 1e9 / triad);
}

// Products with A (or iterations) that one solve reports on the screen, by solver type.
std::string work_count(integer type, const std::string& text) {
    std::istringstream in(text);
    std::vector<std::string> lines;
    for (std::string l; std::getline(in, l);) lines.push_back(l);
    long count = 0;
    if (type >= 100 && type <= 109) {  // the line before the return code: ipar(7), per attempt
        for (std::size_t i = 1; i < lines.size(); ++i)
            if (lines[i].find("# retrun code") != std::string::npos)
                count += std::atol(lines[i - 1].c_str());
        return std::to_string(count) + " products";
    }
    if (type == 4 || type == 5) {
        for (const auto& l : lines) count += l.find("GMRES iteration:") != std::string::npos;
        return std::to_string(count) + " cycles";
    }
    // CGS: the iteration number k of the line that ends each attempt (k + 1 iterations)
    for (std::size_t i = 1; i < lines.size(); ++i) {
        const std::string& l = lines[i];
        const bool end =
            l.find("Converged") != std::string::npos || l.find("ERROR") != std::string::npos;
        if (!end) continue;
        const std::string& p = lines[i - 1];
        const auto at = p.find('=');
        if (p.find("CGS_iter") != std::string::npos && at != std::string::npos)
            count += std::atol(p.c_str() + at + 1) + 1;
    }
    if (type == 110) {  // no line ends the attempt that is repeated silently: count the repeats
        long lines_k = 0;
        for (const auto& l : lines) lines_k += l.find("CGS_iter =") != std::string::npos;
        count = lines_k;  // one line per iteration plus the repeated last line of each attempt
        long attempts = 0;
        for (const auto& l : lines) attempts += l.find("CGS Converged") != std::string::npos;
        count -= 2 * attempts;  // the first attempt of a silent repeat is rare on B1
    }
    return std::to_string(count) + " iterations";
}

// One call of iterative_solver on a fresh copy of the B1 system with right-hand side b = h^2
// (first step of B1 from u = 0) and a zero initial guess.
struct SolveResult {
    double cpu = 0, wall = 0;
    std::string work;
};
SolveResult bench_solve(const System& s, integer type, integer krylov, integer lfil, real tolpre) {
    const integer n = s.n;
    const integer nnz = s.IA[n] - 1;
    std::vector<real> AN = s.AN, AD = s.AD, B(n, 1.0 / (std::sqrt(real(n)) * std::sqrt(real(n)))),
                      x(n, 0.0), UD(n + 1, 0.0);
    for (integer i = 0; i < n; ++i)
        if (AD[i] == 1.0) B[i] = 0.0;  // prescribed boundary rows
    const std::size_t cap = n + 2 + 2 * std::size_t(n) * std::max<integer>(lfil, 1);
    std::vector<integer> IU(n + 1, 1), JU(std::max<std::size_t>(cap, nnz + 1), 0);
    std::vector<real> UNl(nnz + 1), UNu(std::max<std::size_t>(cap, nnz + 1));
    std::vector<integer> IAC(n + 1), JAC(2 * nnz + n);
    std::vector<real> AC(2 * nnz + n);
    const integer p = std::max<integer>(krylov, 20);
    std::vector<real> ws(std::size_t(p + 8) * n + 5 * p + p * p + 2 * n + 10);
    if (type == 3 || type == 4) {  // in-house factor pattern: strictly lower columns of each row
        std::vector<real> an = s.AN, ad = s.AD;
        trans_ultoc(F1<const integer>(s.IA), F1<const integer>(s.JA), F1<real>(an), F1<real>(an),
                    F1<real>(ad), F1<integer>(IAC), F1<integer>(JAC), F1<real>(AC), n);
        integer count = 0;
        symcmr(F1<const integer>(IAC), F1<const integer>(JAC), F1<integer>(IU), F1<integer>(JU), n,
               count);
    }
    std::vector<integer> iDofEq(n), one(n + 1, 1), none(1, 0);
    for (integer i = 0; i < n; ++i) iDofEq[i] = i + 1;
    std::vector<real> X(2 * n, 0.0);
    integer ierr = 0;
    std::string text;
    screen().capture(&text);
    const double w0 = now();
    const std::clock_t c0 = std::clock();
    iterative_solver(F1<const integer>(s.IA), F1<const integer>(s.JA), F1<real>(AN), F1<real>(AD),
                     F1<real>(AN), F1<real>(B), F1<real>(x), F1<integer>(IU), F1<integer>(JU),
                     F1<real>(UNl), F1<real>(UD), F1<real>(UNu), F1<integer>(IAC), F1<integer>(JAC),
                     F1<real>(AC), 1e-8, 1000, ierr, n, krylov, lfil, tolpre, F1<real>(ws), type, 1,
                     F1<const integer>(one), F1<const integer>(none), F1<const integer>(one),
                     F1<const integer>(none), F1<const real>(X), F1<const integer>(none),
                     F1<const integer>(none), F1<const integer>(iDofEq), F1<const integer>(none), n,
                     0, 1, 2);
    SolveResult r;
    r.cpu = double(std::clock() - c0) / CLOCKS_PER_SEC;
    r.wall = now() - w0;
    screen().capture(nullptr);
    r.work = work_count(type, text);
    return r;
}

void bench_solvers(int N) {
    const System s = heat_matrix(N, 0.01, 1.0);
    std::printf("solve N=%d n=%d, eps 1e-8, krylov 30, lfil 10, tolpre 1e-3, zero start\n", N, s.n);
    const SolveResult ref = bench_solve(s, 107, 30, 10, 1e-3);
    for (integer type : {100, 104, 107, 2, 3, 4, 5, 110}) {
        const SolveResult r = type == 107 ? ref : bench_solve(s, type, 30, 10, 1e-3);
        std::printf("  type %3d  %8.3f s (%8.3f)  /107 = %6.2f  %s\n", int(type), r.cpu, r.wall,
                    r.cpu / ref.cpu, r.work.c_str());
    }
}

}  // namespace

int main(int argc, char** argv) {
    const std::string what = argc > 1 ? argv[1] : "all";
    std::vector<int> sizes;
    for (int i = 2; i < argc; ++i) sizes.push_back(std::atoi(argv[i]));
    auto or_default = [&](std::vector<int> d) { return sizes.empty() ? d : sizes; };
    if (what == "amux" || what == "all")
        for (int N : or_default({200, 400, 800})) bench_amux(N);
    if (what == "ilut" || what == "all")
        for (int N : or_default({200, 400, 800})) bench_ilut(N, 10, 1e-3);
    if (what == "solve" || what == "all")
        for (int N : or_default({200, 400})) bench_solvers(N);
    return 0;
}
