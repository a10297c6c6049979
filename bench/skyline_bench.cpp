// Benchmark of triansim/trianns/forwback on the heat matrix M/dt + K of linear triangles on an
// N x N square grid, beside a plain row-update kernel and a STREAM triad measured in the same run.
#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <vector>

#include "bench_common.hpp"
#include "common/array_helpers.hpp"
#include "linalg/skyline_factor.hpp"

using namespace vetrix;
using namespace vetrix::bench;

namespace {

// Floating-point operations of trianns on the factor pattern IU (columns ascending): for every
// entry (l, i) of U, one division for each of U(l,i) and L(i,l), one multiply-add on D(i), and
// one multiply-add (two when not symmetric) for every entry of row l after it. A multiply-add
// counts as 2 flops, a division as 1.
double trianns_flops(F1<const integer> IU, integer n, bool sym) {
    double f = 0.0;
    for (integer l = 1; l <= n; ++l) {
        const double r = IU(l + 1) - IU(l);
        const double after = r * (r - 1) / 2.0;  // sum over the entries of those after them
        f += sym ? r * 3.0 + 2.0 * after : r * 4.0 + 4.0 * after;
    }
    return f;
}

// Reference: the same multiply-adds as symmetric trianns over the same pattern, written as the
// plainest right-looking loop (each row of U updates a dense vector once per entry).
// Row l is taken as raw arrays of its r columns and values (0-based within the row); x has
// n + 1 entries so that x[j] is column j.
void plain_row(const integer* __restrict ju, const real* __restrict un, integer r,
               real* __restrict x) {
    for (integer q = 0; q < r; ++q) {
        const real t = un[q] * 1e-3;
        x[ju[q]] -= un[q] * t;
        for (integer k = q + 1; k < r; ++k) x[ju[k]] -= un[k] * t;
    }
}

double plain_row_update(F1<const integer> IU, F1<const integer> JU, F1<const real> UN,
                        std::vector<real>& acc, integer n) {
    for (integer l = 1; l <= n; ++l) {
        const integer r = IU(l + 1) - IU(l);
        plain_row(JU.section(IU(l), r).data(), UN.section(IU(l), r).data(), r, acc.data());
    }
    double check = 0.0;
    for (real v : acc) check += v;
    return check;
}

// FNV-1a hash of the bytes of a vector: shows that two builds give bit-identical results.
unsigned long long hash_bytes(const std::vector<real>& v) {
    unsigned long long h = 1469598103934665603ull;
    const auto* c = reinterpret_cast<const unsigned char*>(v.data());
    for (std::size_t k = 0; k < v.size() * sizeof(real); ++k) h = (h ^ c[k]) * 1099511628211ull;
    return h;
}

// max |b - A x| / max |b| with A in strictly-upper symmetric storage.
double residual(const System& s, F1<const real> x, F1<const real> b) {
    F1<const integer> IA(s.IA), JA(s.JA);
    F1<const real> AD(s.AD), AN(s.AN);
    std::vector<real> rv(b.begin(), b.end());
    F1<real> r(rv);
    for (integer i = 1; i <= s.n; ++i) {
        r(i) -= AD(i) * x(i);
        for (integer p = IA(i); p < IA(i + 1); ++p) {
            r(i) -= AN(p) * x(JA(p));  // r = b - A x, upper entry
            r(JA(p)) -= AN(p) * x(i);  // and its mirror
        }
    }
    double rm = 0.0, bm = 0.0;
    for (integer i = 1; i <= s.n; ++i) {
        rm = std::max(rm, std::fabs(r(i)));
        bm = std::max(bm, std::fabs(b(i)));
    }
    return rm / bm;
}

void run(int N) {
    const System s = heat_matrix(N, 0.01, 1.0);
    const integer n = s.n;
    F1<const integer> IA(s.IA), JA(s.JA);
    const integer nnz = IA(n + 1) - 1;

    // skyline length bounds the factor (room for JU): sum over columns of column - first row
    std::vector<integer> firstv(n, 0);
    F1<integer> first(firstv);
    long long sky = 0;
    for (integer i = 1; i <= n; ++i)
        for (integer p = IA(i); p < IA(i + 1); ++p)
            if (first(JA(p)) == 0) first(JA(p)) = i;
    for (integer j = 1; j <= n; ++j)
        if (first(j) != 0) sky += j - first(j);

    std::vector<integer> IU(n + 1), JU(sky + 1), work(n), iup(n);
    integer LJU = 0;
    Best sim;
    for (int rep = 0; rep < 5; ++rep) sim.run([&] { triansim(s.IA, s.JA, IU, JU, work, n, LJU); });
    const integer nfac = LJU - 1;
    {  // columns ascending: two pattern transposes
        std::vector<integer> it(n + 1), jt(nfac);
        trascomp(IU, JU, it, jt, n, n);
        trascomp(it, jt, IU, JU, n, n);
    }

    // the factorisation and the reference kernel alternate, so that both see the same load of
    // the (shared) machine; the best of the repetitions counts
    std::vector<real> UN(std::max(nfac, 1)), DI(n);
    const double flops = trianns_flops(IU, n, true);
    const int reps = N <= 100 ? 15 : N <= 200 ? 8 : 3;
    std::vector<real> acc(n + 1, 0.0);
    double check = 0.0;
    Best fac, ref;
    for (int rep = 0; rep < reps; ++rep) {
        fac.run([&] {
            trianns(s.IA, s.JA, s.AN, s.AN, s.AD, IU, JU, UN, UN, DI, DI, work, iup, n, true);
        });
        std::fill(acc.begin(), acc.end(), 0.0);
        ref.run([&] { check += plain_row_update(IU, JU, UN, acc, n); });
    }

    // forwback reads the values and column indices of the factor once in each sweep
    std::vector<real> b(n), x(n);
    const F1<real> bv(b);
    for (integer i = 1; i <= n; ++i) bv(i) = std::sin(0.001 * i) + 1.0;
    Best fb;
    for (int rep = 0; rep < 10; ++rep) fb.run([&] { forwback(IU, JU, DI, UN, UN, b, x, n); });
    const double fb_bytes = 2.0 * nfac * (sizeof(real) + sizeof(integer));
    const double triad = triad_gbs();  // measured next to forwback, under the same load

    const double fac_rate = flops / fac.cpu / 1e9, ref_rate = flops / ref.cpu / 1e9;
    const double fb_rate = fb_bytes / fb.cpu / 1e9;
    std::printf("N=%d  n=%d  nnz(U pattern of A)=%d  skyline=%lld  residual=%.2e  (check %.3g)\n",
                N, n, nnz, sky, residual(s, x, b), check);
    std::printf("  hashes: DI %016llx  UN %016llx  X %016llx\n", hash_bytes(DI), hash_bytes(UN),
                hash_bytes(x));
    std::printf("  times in s: processor (wall)\n");
    std::printf("  triansim  %8.4f (%8.4f)  LJU-1=%d  %.2f ns per (nnz + LJU-1)\n", sim.cpu,
                sim.wall, nfac, 1e9 * sim.cpu / (nnz + nfac));
    std::printf("  trianns   %8.4f (%8.4f)  %.4g GFlop  %.3f GFlop/s\n", fac.cpu, fac.wall,
                flops / 1e9, fac_rate);
    std::printf("  plain     %8.4f (%8.4f)  %.3f GFlop/s  trianns/plain = %.0f%%\n", ref.cpu,
                ref.wall, ref_rate, 100.0 * fac_rate / ref_rate);
    std::printf("  forwback  %8.4f (%8.4f)  %.3f GB/s  triad %.2f GB/s  forwback/triad = %.0f%%\n",
                fb.cpu, fb.wall, fb_rate, triad, 100.0 * fb_rate / triad);
}

}  // namespace

int main(int argc, char** argv) {
    std::vector<int> sizes{100, 200, 400};
    if (argc > 1) {
        sizes.clear();
        for (int a = 1; a < argc; ++a) sizes.push_back(std::atoi(argv[a]));
    }
    for (int N : sizes) run(N);
    return 0;
}
