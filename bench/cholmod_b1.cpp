// cholmod_b1: the yardstick of solver types -2/-3: the B1 matrix built here and handed to CHOLMOD
// directly (analyse, factor, 20 solves), and the BLAS dgemm rate of this machine beside it.
//   cholmod_b1 N [default|amd|metis] [repetitions]
// B1: N x N squares of the unit square cut into two linear triangles, M/DT + K with DT = 0.01
// (consistent mass), boundary rows and columns replaced by the identity; nodes row by row.
// "default" is CHOLMOD's own choice of ordering, the setting of solver types -2/-3.
#include <cholmod.h>
#include <sys/resource.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

extern "C" void dgemm_(const char*, const char*, const int*, const int*, const int*, const double*,
                       const double*, const int*, const double*, const int*, const double*, double*,
                       const int*);

namespace {

using Clock = std::chrono::steady_clock;
double seconds_since(Clock::time_point t0) {
    return std::chrono::duration<double>(Clock::now() - t0).count();
}
double median(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

// Upper triangle of the B1 matrix as triplets (duplicates summed by the conversion).
cholmod_sparse* b1_matrix(long N, cholmod_common* c) {
    const long nodes = (N + 1) * (N + 1);
    const double h = 1.0 / N, area = 0.5 * h * h, dt = 0.01;
    auto boundary = [&](long k) {
        const long i = k % (N + 1), j = k / (N + 1);
        return i == 0 || j == 0 || i == N || j == N;
    };
    cholmod_triplet* T =
        cholmod_l_allocate_triplet(nodes, nodes, 12 * N * N + nodes, 1, CHOLMOD_REAL, c);
    long* Ti = static_cast<long*>(T->i);
    long* Tj = static_cast<long*>(T->j);
    double* Tx = static_cast<double*>(T->x);
    long t = 0;
    auto add = [&](long r, long s, double v) {
        if (r > s) std::swap(r, s);
        Ti[t] = r, Tj[t] = s, Tx[t] = v, ++t;
    };
    for (long k = 0; k < nodes; ++k)
        if (boundary(k)) add(k, k, 1.0);
    for (long j = 0; j < N; ++j)
        for (long i = 0; i < N; ++i) {
            const long n00 = j * (N + 1) + i, n10 = n00 + 1, n01 = n00 + N + 1, n11 = n01 + 1;
            const long tri[2][3] = {{n00, n10, n11}, {n00, n11, n01}};
            for (const auto& e : tri) {
                double x[3], y[3];
                for (int a = 0; a < 3; ++a)
                    x[a] = (e[a] % (N + 1)) * h, y[a] = (e[a] / (N + 1)) * h;
                const double b[3] = {y[1] - y[2], y[2] - y[0], y[0] - y[1]};
                const double g[3] = {x[2] - x[1], x[0] - x[2], x[1] - x[0]};
                for (int a = 0; a < 3; ++a)
                    for (int d = a; d < 3; ++d) {
                        if (boundary(e[a]) || boundary(e[d])) continue;
                        const double k = (b[a] * b[d] + g[a] * g[d]) / (4 * area);
                        const double m = area / 12 * (a == d ? 2.0 : 1.0);
                        add(e[a], e[d], m / dt + k);
                    }
            }
        }
    T->nnz = t;
    cholmod_sparse* A = cholmod_l_triplet_to_sparse(T, t, c);
    cholmod_l_free_triplet(&T, c);
    return A;
}

// dgemm rate in GFlop/s on n x n matrices, best of three.
double dgemm_rate(int n) {
    std::vector<double> a(size_t(n) * n, 1.0 / 3), b(size_t(n) * n, 0.5), cc(size_t(n) * n, 0.0);
    const double one = 1.0, zero = 0.0;
    double best = 1e30;
    for (int r = 0; r < 3; ++r) {
        const auto t0 = Clock::now();
        dgemm_("N", "N", &n, &n, &n, &one, a.data(), &n, b.data(), &n, &zero, cc.data(), &n);
        best = std::min(best, seconds_since(t0));
    }
    return 2.0 * n * n * double(n) / best / 1e9;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 2) {
        std::fprintf(stderr, "usage: cholmod_b1 N [default|amd|metis] [repetitions]\n");
        return 1;
    }
    const long N = std::atol(argv[1]);
    const std::string ordering = argc > 2 ? argv[2] : "default";
    const int reps = argc > 3 ? std::max(1, std::atoi(argv[3])) : 3;
    std::vector<double> analyse, factor, solves;
    double flops = 0, lnz = 0;
    std::string chosen;
    for (int r = 0; r < reps; ++r) {
        cholmod_common c;
        cholmod_l_start(&c);
        c.print = 0;
        c.supernodal = CHOLMOD_SUPERNODAL;
        if (ordering != "default") {
            c.nmethods = 1;
            c.method[0].ordering = ordering == "metis" ? CHOLMOD_METIS : CHOLMOD_AMD;
        }
        cholmod_sparse* A = b1_matrix(N, &c);
        auto t0 = Clock::now();
        cholmod_factor* L = cholmod_l_analyze(A, &c);
        analyse.push_back(seconds_since(t0));
        chosen = c.method[c.selected].ordering == CHOLMOD_METIS    ? "METIS"
                 : c.method[c.selected].ordering == CHOLMOD_NESDIS ? "NESDIS"
                                                                   : "AMD";
        t0 = Clock::now();
        cholmod_l_factorize(A, L, &c);
        factor.push_back(seconds_since(t0));
        if (c.status != CHOLMOD_OK) {
            std::fprintf(stderr, "factorisation failed: status %d\n", c.status);
            return 1;
        }
        flops = c.fl, lnz = c.lnz;
        cholmod_dense* B = cholmod_l_ones(A->nrow, 1, CHOLMOD_REAL, &c);
        cholmod_dense *X = nullptr, *Y = nullptr, *E = nullptr;
        t0 = Clock::now();
        for (int s = 0; s < 20; ++s) {
            cholmod_l_solve2(CHOLMOD_A, L, B, nullptr, &X, nullptr, &Y, &E, &c);
            std::copy_n(static_cast<double*>(X->x), A->nrow, static_cast<double*>(B->x));
        }
        solves.push_back(seconds_since(t0));
        cholmod_l_free_dense(&B, &c);
        cholmod_l_free_dense(&X, &c);
        cholmod_l_free_dense(&Y, &c);
        cholmod_l_free_dense(&E, &c);
        cholmod_l_free_factor(&L, &c);
        cholmod_l_free_sparse(&A, &c);
        cholmod_l_finish(&c);
    }
    rusage u{};
    getrusage(RUSAGE_SELF, &u);
    const double fa = median(factor), an = median(analyse), so = median(solves);
    std::printf("N %ld, unknowns %ld, ordering %s, medians of %d\n", N, (N + 1) * (N + 1),
                chosen.c_str(), reps);
    std::printf(
        "  analyse %.3f s, factor %.3f s (%.2f GFlop, %.2f GFlop/s), 20 solves %.3f s,"
        " sum %.3f s\n",
        an, fa, flops / 1e9, flops / 1e9 / fa, so, an + fa + so);
    const double gemm = dgemm_rate(2000);
    std::printf(
        "  nnz(L) %.1f M, peak %.0f MB, dgemm n=2000 %.2f GFlop/s, factor rate / dgemm %.2f\n",
        lnz / 1e6, u.ru_maxrss / 1024.0, gemm, flops / 1e9 / fa / gemm);
    return 0;
}
