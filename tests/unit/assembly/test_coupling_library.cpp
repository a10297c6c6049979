// Tests of the coupling rules, the code table, slot completion and symmetrisation.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <limits>
#include <string>
#include <vector>

#include "assembly/coupling_library.hpp"
#include "common/screen.hpp"

using namespace vetrix;

namespace {

// Slot `slot` of a coupling store as text: rows joined by '/', entries '.' (0), '1', '-' (-1),
// '?' (other).
std::string picture(const std::vector<integer>& C, integer M, integer slot = 1) {
    std::string out;
    for (integer i = 1; i <= M; ++i) {
        if (i > 1) out += '/';
        for (integer j = 1; j <= M; ++j) {
            const integer v = C[(slot - 1) * M * M + (j - 1) * M + (i - 1)];
            out += v == 0 ? '.' : v == 1 ? '1' : v == -1 ? '-' : '?';
        }
    }
    return out;
}

// Expected pictures are written with blanks between the slots of consecutive nodes.
std::string squeeze(const std::string& text) {
    std::string out;
    for (char ch : text)
        if (ch != ' ') out += ch;
    return out;
}

std::vector<integer> build(integer code, integer iswitch, integer N, integer D, integer M,
                           const std::vector<real>& P) {
    std::vector<integer> C(static_cast<std::size_t>(M) * M, 7);  // stale values must go
    assemblerelementsimbolicmatrix(F1<const real>(P), F2<integer>(C.data(), M, M), code, iswitch, M,
                                   N, D);
    return C;
}

struct PatternCase {
    std::vector<integer> codes;  // codes that must give this very matrix
    integer N, D, M;
    std::vector<real> P;
    std::string expected;  // with ownership switch on (s = -1)
};

// Hand-built matrices, one row per family of codes with identical patterns.
// clang-format off
const std::vector<PatternCase> pattern_cases = {
    // slots 1, k = 2, k + 1 of both nodes couple fully
    {{1, 2, 9}, 4, 1, 8, {0, 0, 0, 2},
     "111. 111./111. 111./111. 111./.... ..../111. 111./111. 111./111. 111./.... ...."},
    // chain of three nodes, k = 2: node 1 keeps slots 1 and 3, others own slot 3
    {{3, 6}, 3, 1, 9, {0, 2},
     "1.1 111 111/... ... .../1.1 111 111/1.1 111 111/1.1 111 111/1.1 11- 111/"
     "1.1 111 111/1.1 111 111/1.1 111 11-"},
    {{4, 7}, 3, 1, 6, {0, 0, 0, 2}, "-1. .../1-1 .../.1. .../... .../... .../... ..."},
    // slots u1 u2 p w1 w2 of two or three nodes
    {{57, 5705}, 5, 2, 10, {},
     "-.11. ...../.-1.1 ...../11.11 ...../1.1-. ...../.11.- ...../"
     "..... -.11./..... .-1.1/..... 11.11/..... 1.1-./..... .11.-"},
    {{571, 5702, 5704}, 5, 2, 10, {},
     "..... ...../..... ...../..... ...../...-. ...../....- ...../"
     "..... ...../..... ...../..... ...../..... ...-./..... ....-"},
    {{50, 520, 522, 524, 5245}, 5, 2, 15, {},
     "1.1.. 1.1.. 1.1../.11.. .11.. .11../111.. 111.. 111../...1. ...1. ...1./"
     "....1 ....1 ....1/1.1.. 1.1.. 1.1../.11.. .11.. .11../111.. 111.. 111../"
     "...1. ...1. ...1./....1 ....1 ....1/1.1.. 1.1.. 1.1../.11.. .11.. .11../"
     "111.. 111.. 111../...1. ...1. ...1./....1 ....1 ....1"},
    // 1D node (slot 1, p) joined to the u slots of a quadratic face; p of its vertices
    {{55}, 3, 2, 12, {},
     "-.1 111 111 11./... ... ... .../1.1 111 111 11./1.1 11. 11. 11./1.1 11. 11. 11./"
     "1.1 ... ... .../1.1 11. 11. 11./1.1 11. 11. 11./1.1 ... ... .../1.1 11. 11. 11./"
     "1.1 11. 11. 11./... ... ... ..."},
    // prescribed slots: k = nint(1.5) = 2, switches P(3) = -0.6 on, P(4) = 1 on, P(5) = 0.4 off
    {{100, 102}, 3, 2, 6, {0, 1.5, -0.6, 1, 0.4},
     "-.. .../.-. .../... .../... .../... .../... ..."},
    // k = 1: diagonals 2..7, the last beyond M
    {{103}, 2, 2, 6, {0, 1}, ".. .. ../.1 .. ../.. 1. ../.. .1 ../.. .. 1./.. .. .1"},
    // k = 1, m = 5
    {{104}, 3, 2, 6, {0, 2, 0, 0, 0, 0, 5}, "... .../... .1./... .1./... .../.11 .-./... ..."},
    // matrices smaller than the element: nodes beyond M are dropped
    {{1000}, 5, 2, 15, {},  // u across components, w component-wise
     "111.. 111.. 111../111.. 111.. 111../111.. 111.. 111../...1. ...1. ...1./....1 ....1 ....1/"
     "111.. 111.. 111../111.. 111.. 111../111.. 111.. 111../...1. ...1. ...1./....1 ....1 ....1/"
     "111.. 111.. 111../111.. 111.. 111../111.. 111.. 111../...1. ...1. ...1./....1 ....1 ....1"},
};
// clang-format on

TEST(CouplingRules, PatternsByFamily) {
    for (const PatternCase& tc : pattern_cases)
        for (integer code : tc.codes) {
            SCOPED_TRACE("code " + std::to_string(code));
            EXPECT_EQ(picture(build(code, 1, tc.N, tc.D, tc.M, tc.P), tc.M), squeeze(tc.expected));
            // switch off: the same pattern with every owned diagonal +1
            std::string plus = squeeze(tc.expected);
            for (char& ch : plus)
                if (ch == '-') ch = '1';
            EXPECT_EQ(picture(build(code, 0, tc.N, tc.D, tc.M, tc.P), tc.M), plus);
        }
}

// The library knows 67 codes; s appears exactly in the rules that own a diagonal, only
// on the diagonal, and a zero switch writes no negative entry.
TEST(CouplingRules, OwnershipSign) {
    const std::vector<integer> owning = {
        3,    4,  5,  6,   7,   8,   10,  11,  12,  21,  22,  23,  24,   26,   54,   55,  57,
        5705, 58, 59, 100, 102, 104, 230, 541, 542, 550, 570, 571, 5701, 5702, 5703, 5704};
    const integer N = 7, D = 3, M = 7 * 10;
    std::vector<real> P(16, 1.0);
    P[1] = 1;  // k of the chain and prescribed rules
    P[3] = 3;  // k of the pipe rules
    P[6] = 2;  // m of code 104
    integer known = 0;
    for (integer code = -1; code <= 10000; ++code) {
        if (coupling_rule_of(code) == nullptr) continue;
        ++known;
        SCOPED_TRACE("code " + std::to_string(code));
        const std::vector<integer> on = build(code, 1, N, D, M, P);
        const std::vector<integer> off = build(code, 0, N, D, M, P);
        integer negatives = 0, nonzeros = 0;
        for (integer i = 1; i <= M; ++i)
            for (integer j = 1; j <= M; ++j) {
                const integer a = on[(j - 1) * M + i - 1], b = off[(j - 1) * M + i - 1];
                EXPECT_GE(b, 0);
                EXPECT_EQ(a != 0, b != 0);
                EXPECT_TRUE(a >= 0 || i == j);
                negatives += a < 0;
                nonzeros += a != 0;
            }
        EXPECT_GT(nonzeros, 0);
        EXPECT_EQ(negatives > 0, std::count(owning.begin(), owning.end(), code) > 0);
    }
    EXPECT_EQ(known, 67);
}

TEST(CouplingRules, UnknownCodesWarnAndLeaveTheMatrixEmpty) {
    for (integer code : {0, -103, 14, 10000}) {
        std::string out;
        screen().capture(&out);
        EXPECT_EQ(picture(build(code, 1, 2, 2, 4, {1, 2, 3, 4}), 4), "..../..../..../....");
        screen().capture(nullptr);
        EXPECT_EQ(out,
                  " !!!!!!! WARNING, ELEMENT NOT IDENTIFIED\n"
                  " while trying to determine the Coupling Matrix\n")
            << code;
    }
}

// Indices computed outside 1..M write nothing, and nothing outside the matrix is touched.
TEST(CouplingRules, IndicesOutsideTheMatrixWriteNothing) {
    const real nan = std::numeric_limits<real>::quiet_NaN();
    struct Case {
        integer code, N, D, M;
        std::vector<real> P;
        integer nonzeros;
    };
    const std::vector<Case> cases = {
        {1, 4, 1, 8, {0, 0, 0, 7}, 16},      // k + 1 = 8 on node 1 only: {1, 7, 8, 5}
        {4, 3, 1, 6, {0, 0, 0, nan}, 1},     // k not a number: only C(1, 1)
        {100, 3, 2, 6, {0, 1e30, 1, 1}, 0},  // switches beyond the parameters read as 0
        {34, 3, 2, 12, std::vector<real>(16, 2e20), 0},
        {3, 0, 1, 0, {0, 2}, 0},  // no slots at all: no division by zero
        {9999, 1, 2, 4, {}, 16},  // Q = 6 nodes, only 4 in the matrix
    };
    for (const Case& tc : cases) {
        SCOPED_TRACE("code " + std::to_string(tc.code));
        const integer guard = 50;
        std::vector<integer> block(static_cast<std::size_t>(tc.M) * tc.M + 2 * guard, 0);
        F2<integer> C(block.data() + guard, tc.M, tc.M);
        assemblerelementsimbolicmatrix(F1<const real>(tc.P), C, tc.code, 1, tc.M, tc.N, tc.D);
        integer nonzeros = 0;
        for (std::size_t p = 0; p < block.size(); ++p) {
            const bool inside = p >= static_cast<std::size_t>(guard) && p < block.size() - guard;
            EXPECT_TRUE(inside || block[p] == 0);
            nonzeros += inside && block[p] != 0;
        }
        EXPECT_EQ(nonzeros, tc.nonzeros);
    }
}

// ---------------------------------------------------------------------- couplingmatrix

TEST(CouplingMatrix, SymmetrisesStoredSlotsAndKeepsDiagonals) {
    const integer M = 3;
    std::vector<integer> lib = {0, 1, 0, 2, 0};  // one type: code 0, switch 1, stored slot 2
    std::vector<integer> store(2 * M * M, 0);
    F2<integer> C2(store.data() + M * M, M, M);
    C2(1, 2) = 1;   // only the upper entry given
    C2(1, 3) = 5;   // upper kept as given, lower becomes 1
    C2(3, 2) = 7;   // lower kept, upper becomes 1
    C2(1, 1) = -1;  // diagonals untouched
    C2(2, 2) = 4;
    std::string out;
    screen().capture(&out);
    couplingmatrix(F1<integer>(lib), F1<integer>(store), F1<const real>(std::vector<real>{}), 1, M,
                   1, 0, 2, 1);
    screen().capture(nullptr);
    EXPECT_EQ(out, "");                           // a stored slot is not built, whatever its code
    EXPECT_EQ(picture(store, M), ".../.../...");  // slot 1 unused
    const std::vector<integer> slot2(store.begin() + M * M, store.end());
    EXPECT_EQ(slot2, (std::vector<integer>{-1, 1, 1, 1, 4, 7, 5, 1, 0}));
    EXPECT_EQ(lib[3], 2);
}

// Two substeps of two types each; entry (t, c) of substep s at (s-1)*10 + (c-1)*2 + t, common
// parameter j of (t, s) at (s-1)*2*NCommon + (t-1)*NCommon + j.
TEST(CouplingMatrix, BuildsNegativeSlotsFromTheirOwnRow) {
    const integer N = 2, M = 4, NCommon = 4;
    // substep 1: type 1 unused, type 2 code 1 builds slot 1;
    // substep 2: type 1 code 23 (owning) builds slot 3, type 2 uses stored slot 2
    std::vector<integer> lib = {4, 1, 1, 0, 0, 0, 0, -1, 0, 0, 23, 1, 1, 0, 0, 0, -3, 2, 0, 0};
    std::vector<real> par = {0, 0, 0, 9, 0, 0, 0, 1, 0, 0, 0, 9, 0, 0, 0, 9};
    std::vector<integer> store(3 * M * M, 0);
    store[M * M + 1] = 1;  // stored slot 2 holds only C(2, 1)
    couplingmatrix(F1<integer>(lib), F1<integer>(store), F1<const real>(par), N, M, 2, NCommon, 1,
                   2);
    EXPECT_EQ(picture(store, M, 1), "1111/1111/1111/1111");  // k = nint(P(4)) = 1 of (2, 1)
    EXPECT_EQ(picture(store, M, 2), ".1../1.../..../....");
    EXPECT_EQ(picture(store, M, 3), "-.../..../..../....");
    EXPECT_EQ(lib[7], 1);  // negative slots stored positive
    EXPECT_EQ(lib[16], 3);
}

TEST(CouplingMatrix, SlotBeyondTheStoreIsLeftAlone) {
    const integer M = 2;
    std::vector<integer> lib = {110, 0, 0, -2, 0};
    std::vector<integer> store(M * M, 0);  // room for slot 1 only
    couplingmatrix(F1<integer>(lib), F1<integer>(store), F1<const real>(std::vector<real>{}), 2, M,
                   1, 0, 1, 1);
    EXPECT_EQ(picture(store, M), "../..");
    EXPECT_EQ(lib[3], 2);
}

}  // namespace
