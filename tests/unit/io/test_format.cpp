// Tests of free_line and Layout: every expected text is gfortran's output for the same items,
// compared character for character.
#include <gtest/gtest.h>

#include <limits>
#include <stdexcept>
#include <string>
#include <vector>

#include "io/format.hpp"

namespace vetrix {
namespace {

const double kNaN = std::numeric_limits<double>::quiet_NaN();
const double kInf = std::numeric_limits<double>::infinity();

struct Row {
    const char* layout;  // empty: a free-format line
    std::vector<FItem> items;
    const char* expected;
};

// Free-format lines: 17 significant digits, fixed form only for 0.1 <= |x| < 1e17.
const std::vector<Row> kFreeRows = {
    {"", {1.0}, "   1.0000000000000000     "},
    {"", {-1.0}, "  -1.0000000000000000     "},
    {"", {0.0}, "   0.0000000000000000     "},
    {"", {-0.0}, "  -0.0000000000000000     "},
    {"",
     {kNaN, kInf, -kInf},
     "                       NaN                  Infinity                 -Infinity"},
    {"", {0.1, 0.09999999999999999}, "  0.10000000000000001        9.9999999999999992E-002"},
    {"",
     {1e16, 1e17, 99999999999999999.5, 99999999999999990.0},
     "   10000000000000000.        1.0000000000000000E+017   1.0000000000000000E+017   "
     "99999999999999984.     "},
    {"",
     {2.5e-10, -0.5, 1.7976931348623157e308, 2.2250738585072014e-308},
     "   2.5000000000000002E-010 -0.50000000000000000        1.7976931348623157E+308   "
     "2.2250738585072014E-308"},
    {"",
     {4.9406564584124654e-324, -1e-100, 123.456},
     "   4.9406564584124654E-324  -1.0000000000000000E-100   123.45600000000000     "},
    {"",
     {FItem("ab"), FItem("cd"), 1, FItem("x"), 2.5, FItem::logical(true), FItem::logical(false),
      FItem("y")},
     " abcd           1 x   2.5000000000000000      T F y"},
    {"", {7, -2147483647}, "           7 -2147483647"},
    {"", {99999999999LL, -9999999999LL}, " 99999999999 -9999999999"},  // wider than the field
    {"", {123456789012LL, -10000000000LL}, " 123456789012 -10000000000"},
    {"", {}, ""},
    {"", {FItem("")}, " "},
    {"", {FItem(""), 1}, "            1"},
    {"", {1, FItem("")}, "           1 "},
    {"", {1.5, FItem("z")}, "   1.5000000000000000      z"},
    // single precision: 9 digits in 16 characters
    {"", {1.0f, FItem("y")}, "   1.00000000     y"},
    {"", {-0.333333343f, 2.5e-10f}, " -0.333333343       2.49999993E-10"},
    {"", {1.0e20f, 0.0f, 123456.789f}, "   1.00000002E+20   0.00000000       123456.789    "},
    {"", {0.1f, 0.09999f, 99999999.0f}, "  0.100000001       9.99900028E-02   100000000.    "},
    {"", {FItem("a"), 1.0e9f, 3}, " a   1.00000000E+09           3"},
};

// Single fields: rounding of ties and carries, zeros and signs, exponents past 99 and past the
// digits asked for, fields one short (optional zero) or too narrow, NaN and infinities.
const std::vector<Row> kFieldRows = {
    {"(E10.2)", {0.125, 0.375, -0.125}, "  0.12E+00\n  0.38E+00\n -0.12E+00"},
    {"(E10.3)",
     {9.9996, 0.0, -0.0, 1e100, 1e-100, 1e-99, 1.5e-320},
     " 0.100E+02\n 0.000E+00\n-0.000E+00\n 0.100+101\n 0.100E-99\n 0.100E-98\n 0.150-319"},
    {"(E10.3)", {0.09995, 0.09995000000000001}, " 0.999E-01\n 0.100E+00"},
    {"(E10.3E1)", {1e9, 1.5, 0.0}, "**********\n  0.150E+1\n  0.000E+0"},
    {"(E10.3E4)", {1e9}, ".100E+0010"},
    {"(E9.3,E9.3,E8.3,E8.3)", {0.5, -0.5, 0.5, -0.5}, "0.500E+00-.500E+00.500E+00********"},
    {"(E12.3E3)", {0.1e-99}, "  0.100E-099"},
    {"(E30.20)", {0.1}, "    0.10000000000000000555E+00"},
    {"(E25.17)", {39482349.642317347}, "  0.39482349642317347E+08"},
    {"(E2.1,E3.1,E3.1,E3.1,E4.1)", {kNaN, kNaN, kInf, -kInf, -kInf}, "**NaNInf***-Inf"},
    {"(E7.1,E8.1,E8.1,E9.1,E9.1)",
     {kInf, kInf, -kInf, -kInf, kNaN},
     "    InfInfinity    -Inf-Infinity      NaN"},
    {"(SP,F3.0,F4.0,F8.0,F9.0,F4.0)",
     {kInf, kInf, kInf, kInf, kNaN},
     "Inf+Inf    +Inf+Infinity NaN"},
    {"(SP,E17.8E3)",
     {1.0, -2.5e-300, 0.0, -0.0, 9.999999995, 1.234567895, -1.7976931348623157e308,
      4.9406564584124654e-324, kNaN, -kInf},
     " +0.10000000E+001\n -0.25000000E-299\n +0.00000000E+000\n -0.00000000E+000\n "
     "+0.10000000E+002\n +0.12345679E+001\n -0.17976931E+309\n +0.49406565E-323\n              "
     "NaN\n        -Infinity"},
    {"(SP,E10.3,I5,SS,I5,SP,I5,S,I5)", {1.5, 3, 3, 3, 3}, "+0.150E+01   +3    3   +3    3"},
    {"(G12.1,G12.1,G12.4,G12.4)",
     {2.5, 3.5, 9999.5, 1234.5},
     "      2.          4.      0.1000E+05   1234.    "},
    {"(G12.4)",
     {0.1, 0.09999, 0.099996, 9999.4, 10000.0, 1e16, 1e100, 1e-320},
     "  0.1000    \n  0.9999E-01\n  0.1000    \n   9999.    \n  0.1000E+05\n  0.1000E+17\n  "
     "0.1000+101\n  0.1000-319"},
    {"(G12.4E2)",
     {9.9995, 1.5, -0.0, 1e-5, 1e-100, 1e100},
     "   10.00    \n   1.500    \n  -0.000    \n  0.1000E-04\n  0.1000E-99\n************"},
    {"(G12.3,G12.3E1,G10.3,G10.3,G10.3)",
     {0.0, 0.0, 0.09995, 999.5, 999.4999999},
     "    0.00         0.00    0.999E-01 0.100E+04  999.    "},
    {"(G9.3,G8.3,G9.3,G9.3,G10.3)",
     {-123.4, -123.4, -0.1234, -1e-5, -1e-200},
     "-123.    ********-.123    -.100E-04-0.100-199"},
    {"(SP,G9.3,G8.3,G12.4E2)", {0.5, 0.5, 1e5}, "+.500    ******** +0.1000E+06"},
    {"(G5.1,G6.1,G12.4,G12.4,G3.1)",
     {5.0, 5.0, -42, kNaN, 12345},
     "*****5.             -42         NaN***"},
    {"(G12.4,G12.4,G25.17,G30.20)",
     {FItem("abc"), FItem::logical(true), 0.1, 1.0},
     "         abc           T  0.10000000000000001         1.0000000000000000000    "},
    {"(F5.0,F5.0,F10.0,F10.3,F10.3)",
     {2.5, 0.5, 1.5, 1e10, 123.4565},
     "   2.   0.        2.**********   123.457"},
    {"(F10.3)", {-0.0005, 0.0025, -0.0}, "    -0.001\n     0.003\n    -0.000"},
    {"(F2.1,F2.1,F3.1,F3.2,F3.2,F4.2)", {0.04, -0.04, -0.04, 0.5, -0.5, -0.5}, ".0**-.0.50***-.50"},
    {"(F1.0,F2.0,F2.0,F3.0,F4.1,F4.1)", {0.4, 0.4, -0.4, -0.4, 9.96, 99.96}, "*0.**-0.10.0****"},
    {"(SP,F6.2,F4.2,F3.2)", {1.5, 0.5, 0.5}, " +1.50+.50***"},
    {"(F30.3,F30.25)", {1e25, 0.1}, "10000000000000000905969664.000   0.1000000000000000055511151"},
    {"(I5,I2,I5.3,I5.3,I5.0,I5.0,I3.3)",
     {-42, -42, -4, 4, 0, 1, -4},
     "  -42** -004  004         1***"},
    {"(I4,I11,I9.8,SP,I9.8,I1,I1.0,SS,I1,I1.0)",
     {-2147483647, -2147483648, -5, 5, 0, 0, 0, 0},
     "****-2147483648-00000005+00000005* 0 "},
    {"(A,I0,1X,I0,I2,I2)", {FItem("n="), -42, 0, 99, 100}, "n=-42 099**"},
    {"(A3,A8,A,A5,L3,L1)",
     {FItem("abcdef"), FItem("abc"), FItem("abc"), FItem(""), FItem::logical(true),
      FItem::logical(false)},
     "abc     abcabc       TF"},
};

// Records: the layouts of the program, slashes, reversion to the last top-level group, literals
// and Hollerith texts, blanks before the first data descriptor without an item.
const std::vector<Row> kRecordRows = {
    {"(1x,A16,1x,E10.3,7x,E10.3,2x,1I6)",
     {FItem("TEMPERATURE     "), 1.2345e-5, 1e-6, 42},
     " TEMPERATURE       0.123E-04        0.100E-05      42"},
    {"('*Time',/,I8,2G12.4E2)", {3, 1.5, 0.001}, "*Time\n       3   1.500      0.1000E-02"},
    {"('*Time   [ T , DT ]',/,1E16.7,1X,1E16.7)",
     {12.5, 0.25},
     "*Time   [ T , DT ]\n   0.1250000E+02    0.2500000E+00"},
    {"(1x,1A59,///)",
     {FItem("hello")},
     "                                                       hello\n\n\n"},
    {"(13H TRASIM.ERROR,20I5)", {1, -2, 3}, " TRASIM.ERROR    1   -2    3"},
    {"(13H TRASIM.ERROR,20I5)", {}, " TRASIM.ERROR"},
    {"( ' -> CGS_iter=',I5,' |R|/|B|=',E13.5,' |DX|/|X|=',E13.5)",
     {7, 1.25e-7, 3e-9},
     " -> CGS_iter=    7 |R|/|B|=  0.12500E-06 |DX|/|X|=  0.30000E-08"},
    {"( ' ->CGS_iter=',I5,' |R|/|B|= ',E8.2,'; |DX|/|X|= ',E8.2)",
     {7, 1.25e-7, -3e-9},
     " ->CGS_iter=    7 |R|/|B|= 0.12E-06; |DX|/|X|= -.30E-08"},
    {"(10I8)",
     {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16, 17, 18, 19, 20, 21, 22, 23},
     "       1       2       3       4       5       6       7       8       9      10\n      11   "
     "   12      13      14      15      16      17      18      19      20\n      21      22      "
     "23"},
    {"(3E14.6)",
     {1.0, 2.0, 3.0, 4.0},
     "  0.100000E+01  0.200000E+01  0.300000E+01\n  0.400000E+01"},
    {"(14x,1A12,I2,1A10,I4,1A3)",
     {FItem("<< SubStep ="), 1, FItem(" || ITER ="), 15, FItem(" >>")},
     "              << SubStep = 1 || ITER =  15 >>"},
    {"(1x,A22,G12.3)",
     {FItem("Time step             "), 0.05},
     " Time step                0.500E-01"},
    {"(' Step= ',I8,', Time=',G12.4E2,', DT=',G12.4E2)",
     {10, 0.5, 0.05},
     " Step=       10, Time=  0.5000    , DT=  0.5000E-01"},
    {"(SP,2E17.8E3)",
     {1.0, -2.5e-300, 0.0},
     " +0.10000000E+001 -0.25000000E-299\n +0.00000000E+000"},
    {"(I3,2(I3,'a'),'b')",
     {1, 2, 3, 4, 5, 6, 7, 8, 9},
     "  1  2a  3ab\n  4a  5ab\n  6a  7ab\n  8a  9ab"},
    {"(I3,(I2,(I1)),'b')", {1, 2, 3, 4, 5, 6, 7}, "  1 23b\n 45b\n 67b"},
    {"(1x,2(I3,'a'),'b')", {1, 2, 3, 4, 5}, "   1a  2ab\n  3a  4ab\n  5a"},
    {"(I3,2(1x,I2))", {1, 2, 3, 4, 5, 6}, "  1  2  3\n  4  5\n  6"},
    {"('x',/,'z',I3,'y')", {}, "x\nz"},
    {"('x',I3,'y',3x,I2)", {1}, "x  1y"},
    {"('it''s',1x,\"q\"\"q\")", {}, "it's q\"q"},
    {"( 1 X , I 3 , A 4 )", {5, FItem("ab")}, "   5  ab"},
    {"(I3//I3)", {5, 6}, "  5\n\n  6"},
    {"(2(/I3))", {5, 6, 7}, "\n  5\n  6\n\n  7\n"},
    {"(3Habc,2HX ,I2)", {1, 2}, "abcX  1\nabcX  2"},
    {"(I3,3x)", {1}, "  1"},
    {"(1x)", {}, ""},
    {"(1x,A,2x,'')", {FItem("ab")}, " ab  "},
    {"(A,2x,A)", {FItem("a"), FItem("")}, "a  "},
    {"(I3,:,'x',I3)", {1}, "  1"},
    {"(I3,:,'x',I3)", {1, 2, 3}, "  1x  2\n  3"},
    {"(TR2,I3)", {1}, "    1"},
    {"(2I3)", {1, 2, 3}, "  1  2\n  3"},
    {"(SP,I3,2(SS,I3))", {1, 2, 3, 4}, " +1  2  3\n  4"},
    // without outer parentheses: "2(I2,1x)" is "(2(I2,1x))", the group reverted to is top-level
    {"2(I2,1x)", {1, 2, 3}, " 1  2\n 3"},
    {"1x,A22,G12.3", {FItem("Time step"), 0.05}, "              Time step   0.500E-01"},
};

void check_rows(const std::vector<Row>& rows) {
    for (const Row& r : rows) {
        SCOPED_TRACE(r.layout);
        if (*r.layout == '\0') {
            EXPECT_EQ(free_line(r.items), r.expected);
            std::string line = "x";
            append_free_line(line, r.items);
            EXPECT_EQ(line, std::string("x") + r.expected + "\n");
            continue;
        }
        const Layout layout(r.layout);
        EXPECT_EQ(layout.format(r.items), r.expected);
        std::string records = "x";
        layout.append(records, r.items);
        EXPECT_EQ(records, std::string("x") + r.expected + "\n");
    }
}

TEST(Format, FreeFormatLinesMatchGfortran) {
    check_rows(kFreeRows);
}
TEST(Format, FieldsMatchGfortran) {
    check_rows(kFieldRows);
}
TEST(Format, RecordsMatchGfortran) {
    check_rows(kRecordRows);
}

TEST(Format, CachedOneShot) {
    for (int pass = 0; pass < 2; ++pass)  // second pass comes from the cache
        EXPECT_EQ(fmt("(1x,A22,G12.3)", {"Time step", 0.05}),
                  "              Time step   0.500E-01");
}

TEST(Format, AppendRealsEqualsItemPath) {
    const double values[] = {1.0, -2.5e-300, 0.0, 9.999999995, kNaN, -kInf, 12345.678};
    std::vector<FItem> items(std::begin(values), std::end(values));
    for (const char* text : {"(SP,E17.8E3)", "(SP,2E17.8E3)", "(3E14.6)", "(1x,G12.4E2)"}) {
        SCOPED_TRACE(text);
        const Layout layout(text);
        std::string fast = "x", slow = "x";
        layout.append_reals(fast, values, 7);
        layout.append(slow, items);
        EXPECT_EQ(fast, slow);
    }
    std::string row;
    Layout("(SP,2E17.8E3)").append_reals(row, values, 2);
    EXPECT_EQ(row, " +0.10000000E+001 -0.25000000E-299\n");
}

TEST(Format, ProgrammingErrorsThrow) {
    const std::vector<Row> bad = {
        {"(I5)", {1.5}, ""},     {"(E10.3)", {3}, ""},      {"(F8.2)", {"x"}, ""},
        {"(A5)", {7}, ""},       {"(L2)", {1}, ""},         {"('x')", {1}, ""},
        {"(I5", {1}, ""},        {"(I5))", {1}, ""},        {"(E10)", {1.0}, ""},
        {"(E10.0)", {1.0}, ""},  {"(Q5)", {1}, ""},         {"('abc)", {}, ""},
        {"(5HABC)", {}, ""},     {"(2'x')", {}, ""},        {"(0I3)", {1}, ""},
        {"(E10.3E)", {1.0}, ""}, {"(E120.100)", {1.0}, ""}, {"(I3,(/,X))", {1, 2}, ""},
        {"(A0)", {"x"}, ""},     {"(I5.6)", {1}, ""},       {"(TL2,I3)", {1}, ""},
    };
    for (const Row& r : bad) {
        SCOPED_TRACE(r.layout);
        EXPECT_THROW(Layout(r.layout).format(r.items), std::logic_error);
    }
}

}  // namespace
}  // namespace vetrix
