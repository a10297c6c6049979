// Tests of DeckFile and ifindstringinfile: list-directed reads checked against gfortran's answers.
#include <gtest/gtest.h>
#include <unistd.h>

#include <array>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <fstream>
#include <limits>
#include <string>

#include "common/stops.hpp"
#include "io/deck_file.hpp"

using namespace vetrix;

namespace {

constexpr ReadStatus Ok = ReadStatus::Ok, Eof = ReadStatus::EndOfFile, Bad = ReadStatus::BadValue;

// The line the file stands at after a read, without trailing blanks; "<eof>" at the end.
std::string next_line(DeckFile& f) {
    std::string r;
    if (!f.read_record120(r)) return "<eof>";
    return r.substr(0, r.find_last_not_of(' ') + 1);
}

// One read of three values of a kind for each text: a good text must give the values and leave
// the file at the line "NEXT" (or at its end); the others must fail with a bad value or an end of
// file, and say so in message().
template <class T>
struct Case {
    const char* text;
    std::array<T, 3> vals;  // after the read
    const char* next = "NEXT";
};

template <class T, class MakeTarget>
void run_table(std::array<T, 3> before, MakeTarget make_target, std::initializer_list<Case<T>> good,
               std::initializer_list<const char*> bad, std::initializer_list<const char*> eof) {
    for (const auto& c : good) {
        SCOPED_TRACE(c.text);
        auto f = DeckFile::from_text("Mesh.txt", c.text);
        std::array<T, 3> v = before;
        ASSERT_EQ(f.try_read({make_target(v)}), Ok) << f.message();
        EXPECT_EQ(v, c.vals);
        EXPECT_EQ(next_line(f), c.next);
    }
    for (auto [texts, status] : {std::pair{bad, Bad}, std::pair{eof, Eof}}) {
        for (const char* text : texts) {
            auto f = DeckFile::from_text("Mesh.txt", text);
            std::array<T, 3> v = before;
            EXPECT_EQ(f.try_read({make_target(v)}), status) << text;
            EXPECT_EQ(f.message().rfind("Mesh.txt", 0), 0u) << text;
        }
    }
}

TEST(DeckFileRead, Integers) {
    run_table<integer>(
        {99, 99, 99}, [](auto& v) { return ReadTarget(std::span<integer>(v)); },
        {
            {"1 2 3\nNEXT\n", {1, 2, 3}},
            {",5 6\nNEXT\n", {99, 5, 6}},  // leading comma: null value
            {"1,,3\nNEXT\n", {1, 99, 3}},
            {"1 , , 3\nNEXT\n", {1, 99, 3}},
            {"1,\n,3\nNEXT\n", {1, 99, 3}},  // a line end is a blank
            {"1,\n2,3\nNEXT\n", {1, 2, 3}},
            {"1 2 ,\n3\nNEXT\n", {1, 2, 3}},
            {"1,2,,\nNEXT\n", {1, 2, 99}},
            {" ,\n5 6\nNEXT\n", {99, 5, 6}},
            {"1\n\n \t \n2 3 4 5\nNEXT\n", {1, 2, 3}},  // empty lines passed over, rest skipped
            {"1 2 3 trailing comment 1.5\nNEXT\n", {1, 2, 3}},
            {"1 2/ 3\nNEXT\n", {1, 2, 99}},
            {"1/\nNEXT\n", {1, 99, 99}},
            {"1 2\n/ 7\nNEXT\n", {1, 2, 99}},
            {"1,/\nNEXT\n", {1, 99, 99}},
            {"2*5 7\nNEXT\n", {5, 5, 7}},
            {"2* 7\nNEXT\n", {99, 99, 7}},
            {"2*,7\nNEXT\n", {99, 99, 7}},
            {"2*\n7\nNEXT\n", {99, 99, 7}},
            {"2*/ 5\nNEXT\n", {99, 99, 99}},
            {"1 2*3 9\nNEXT\n", {1, 3, 3}},
            {"4*5\nNEXT\n", {5, 5, 5}},
            {"2*+3 1\nNEXT\n", {3, 3, 1}},
            {"+5 -6 -0\nNEXT\n", {5, -6, 0}},
            {"007\t+0\t000000000000012\nNEXT\n", {7, 0, 12}},
            {"2147483647 -2147483648 1\nNEXT\n", {2147483647, -2147483647 - 1, 1}},
            {"1 2 3\r\nNEXT\r\n", {1, 2, 3}},
            {"1 2 3", {1, 2, 3}, "<eof>"},
        },
        // bad values; a semicolon is no separator
        {"1.5 2 3\n", "1. 2 3\n", "1e3 2 3\n", "12abc 2 3\n", "- 2 3\n", "+ 1 2\n", "+-1 2 3\n",
         "1;2;3\n", "2 *5 3\n", "2*5*3 1 1\n", "-2*3 1 1\n", "0*5 1 2\n", "1 2147483648*3\n",
         "1 2 2147483648\n", "-2147483649 2 3\n", "1 'a' 3\n", "T 2 3\n"},
        {"1 2\n", "\n\n", ""});
}

TEST(DeckFileRead, Reals) {
    const double inf = std::numeric_limits<double>::infinity();
    run_table<real>(
        {-1.5, -1.5, -1.5}, [](auto& v) { return ReadTarget(std::span<real>(v)); },
        {
            {"1.5 +1.5 -1.5\nNEXT\n", {1.5, 1.5, -1.5}},
            {".5 5. -.5\nNEXT\n", {0.5, 5.0, -0.5}},
            {"+.5 7 00001.50000\nNEXT\n", {0.5, 7.0, 1.5}},
            {"1e5 1E-5 1.e5\nNEXT\n", {1e5, 1e-5, 1e5}},
            {"1d5 1D-5 1.5D+3\nNEXT\n", {1e5, 1e-5, 1500.0}},
            {"1q5 1Q-5 1e+0005\nNEXT\n", {1e5, 1e-5, 1e5}},
            {"1.0+5 1-5 1.5-3\nNEXT\n", {1e5, 1e-5, 1.5e-3}},  // signed exponent without letter
            {"+1.23456789E+000 -2.5E-001 +3\nNEXT\n", {1.23456789, -0.25, 3.0}},
            {"inf -INF +Infinity\nNEXT\n", {inf, -inf, inf}},
            {"1e400 -1e400 1e-400\nNEXT\n", {inf, -inf, 0.0}},
            {"1.5e2147483648 1.0d-99999999999 1e-320\nNEXT\n", {inf, 0.0, 1e-320}},
            {"1d-320 2.5,3.5\nNEXT\n", {1e-320, 2.5, 3.5}},
            {"3*1.5\nNEXT\n", {1.5, 1.5, 1.5}},
            {"2*inf 8\nNEXT\n", {inf, inf, 8.0}},
            {"1,5 7\nNEXT\n", {1.0, 5.0, 7.0}},
            {"1\n2\n3 4\nNEXT\n", {1.0, 2.0, 3.0}},
        },
        {"1.5e 7 8\n",   "1.5e+ 7 8\n", "e5 7 8\n",      ".e5 7 8\n",   ". 7 8\n",
         "+. 7 8\n",     "- 7 8\n",     "1..5 7 8\n",    "1.5. 7 8\n",  "1.5x 7 8\n",
         "infin 7 8\n",  "nanx 7 8\n",  "0x1p3 7 8\n",   "1_8 7 8\n",   "1e5.0 7 8\n",
         "1.5e 5 7 8\n", "1.5 e5 8\n",  "1.5d+3x 7 8\n", "'1.5' 7 8\n", "T 7 8\n"},
        {});
    for (const char* t : {"nan 1 1\n", "NaN 1 1\n", "-nan 1 1\n", "NaN() 1 1\n", "NaN(123) 1 1\n",
                          "+NaN(abc) 1 1\n"}) {
        auto f = DeckFile::from_text("IniFile.txt", t);
        std::array<real, 3> v{};
        ASSERT_EQ(f.try_read({std::span<real>(v)}), Ok) << t;
        EXPECT_TRUE(std::isnan(v[0])) << t;
    }
}

TEST(DeckFileRead, Logicals) {
    run_table<logical>({0, 1, 0}, [](auto& v) { return ReadTarget::logicals(v); },
                       {
                           {"T F T\nNEXT\n", {1, 0, 1}},
                           {"t f t\nNEXT\n", {1, 0, 1}},
                           {".T. .F. .t.\nNEXT\n", {1, 0, 1}},
                           {".TRUE. .FALSE. .true.\nNEXT\n", {1, 0, 1}},
                           {"true false tricky\nNEXT\n", {1, 0, 1}},
                           {"Txyz Fabc T'\nNEXT\n", {1, 0, 1}},
                           {".T F T.\nNEXT\n", {1, 0, 1}},
                           {"T, ,F\nNEXT\n", {1, 1, 0}},
                           {"2*T F\nNEXT\n", {1, 1, 0}},
                           {"F/ F F\nNEXT\n", {0, 1, 0}},
                       },
                       {"..T F T\n", "1 0 1\n", "x T T\n", ". T T\n", "'T' F F\n", "T\nNEXT\n"},
                       {});
}

TEST(DeckFileRead, Names) {
    run_table<std::string>({"zzzzzz", "zzzzzz", "zzzzzz"},
                           [](auto& v) { return ReadTarget::names(v, 6); },
                           {
                               {"abc def ghi\nNEXT\n", {"abc   ", "def   ", "ghi   "}},
                               {"abcdefghij b c\nNEXT\n", {"abcdef", "b     ", "c     "}},
                               {"'a b' \"c d\" 'it''s'\nNEXT\n", {"a b   ", "c d   ", "it's  "}},
                               {"\"say \"\"hi\"\"\" x y\nNEXT\n", {"say \"h", "x     ", "y     "}},
                               {"'abc'  ,, y\nNEXT\n", {"abc   ", "zzzzzz", "y     "}},
                               {"2*'ab' z\nNEXT\n", {"ab    ", "ab    ", "z     "}},
                               {"2*x*y p\nNEXT\n", {"x*y   ", "x*y   ", "p     "}},
                               {"ab/cd x y\nNEXT\n", {"ab    ", "zzzzzz", "zzzzzz"}},
                               {"ab,cd x\nNEXT\n", {"ab    ", "cd    ", "x     "}},
                               {"12 3.5 *x\nNEXT\n", {"12    ", "3.5   ", "*x    "}},
                               {"'' a'b c\"d\nNEXT\n", {"      ", "a'b   ", "c\"d   "}},
                               {"'multi\nline' x y\nNEXT\n", {"multil", "x     ", "y     "}},
                               {"ab;cd x y\nNEXT\n", {"ab;cd ", "x     ", "y     "}},
                           },
                           {"'abc'def x y\n", "0*x p q\n"}, {"'unterminated x y\nNEXT\n"});
}

// Several targets of different kinds in one read; repeats run on from one target to the next.
TEST(DeckFileRead, MixedTargetsShareOneList) {
    auto f =
        DeckFile::from_text("Basparam.txt",
                            "3*7 extra\n"           // real, integer, name from one repeat
                            ".true. 2*4 1.5D0 T\n"  // logical, 2 integers, real, then 'T' skipped
                            "1 2\n"                 // empty list: uses up this line
                            "\n  'dof one' 5 ! comment\n"
                            "2*\n");
    real r = 0;
    integer i = 0;
    std::string s;
    f.read({r, i, ReadTarget::name(s, 4)});
    EXPECT_EQ(r, 7.0);
    EXPECT_EQ(i, 7);
    EXPECT_EQ(s, "7   ");
    logical l = 0;
    std::array<integer, 2> two{};
    real d = 0;
    f.read({ReadTarget::logical(l), std::span<integer>(two), d});
    EXPECT_EQ(l, 1);
    EXPECT_EQ(two, (std::array<integer, 2>{4, 4}));
    EXPECT_EQ(d, 1.5);
    f.read(std::span<const ReadTarget>{});
    EXPECT_EQ(f.line_number(), 3u);
    std::string name;
    integer k = 0;
    f.read({ReadTarget::name(name, 16), k});
    EXPECT_EQ(name, "dof one         ");
    EXPECT_EQ(k, 5);
    EXPECT_EQ(f.line_number(), 5u);
    std::vector<real> none(0);
    f.read({F1<real>(none)});  // zero values: still one line
    EXPECT_TRUE(f.at_end());
    EXPECT_EQ(f.try_read(std::span<const ReadTarget>{}), Eof);  // no line left to use up
}

// Failures name the file, the line and the offending text; read() throws them.
TEST(DeckFileRead, FailureMessages) {
    struct {
        const char* text;
        int n;
        const char* message;
    } cases[] = {
        {"*X\n1 2\n\n3 1.5\n", 4, "Mesh.txt, line 4: \"1.5\" is not an integer"},
        {"1 2 3000000000\n", 3, "Mesh.txt, line 1: \"3000000000\" is out of the integer range"},
        {"1\n0*4\n", 3, "Mesh.txt, line 2: \"0*4\" has a zero repeat count"},
        {"1\n2 'a'b\n", 3, "Mesh.txt, line 2: \"'a'b\" has text after its closing quote"},
        {"1 2\n\n3\n", 5,
         "Mesh.txt: end of file while reading value 4 of 5 (the read began on line 1)"},
    };
    for (const auto& c : cases) {
        auto f = DeckFile::from_text("Mesh.txt", c.text);
        std::vector<integer> v(static_cast<std::size_t>(c.n));
        ifindstringinfile("*X", f);  // line numbers count from the top of the file
        EXPECT_NE(f.try_read({F1<integer>(v)}), Ok);
        EXPECT_EQ(f.message(), c.message);
        f.rewind();
        ifindstringinfile("*X", f);
        try {
            f.read({F1<integer>(v)});
            ADD_FAILURE() << "no failure for " << c.text;
        } catch (const RuntimeFailure& e) {
            EXPECT_EQ(std::string(e.what()), c.message);
        }
    }
}

TEST(DeckFile, RecordsAndKeywordSearch) {
    const std::string long_line(130, 'x');
    auto f =
        DeckFile::from_text("Basparam.txt", "*TIMESTEP\n *TimeStep\n*TimeSte\n" + long_line +
                                                "\r\n*TimeStep  0.1\n1 2\n*SubStep 1\n*SubStep 2");
    struct {
        const char* key;
        int status;
        std::size_t line;
    } searches[] = {
        {"*TimeStep   ", 0, 5},  // upper case and indented lines do not match; a longer line does
        {"*SubStep", 0, 7},     {"*SubStep", 0, 8}, {"*SubStep", -1, 0},  // not found: rewound
        {"*Tim", 0, 3},  // from the top again; case matters, so not *TIMESTEP
    };
    for (const auto& s : searches) {
        EXPECT_EQ(ifindstringinfile(s.key, f), s.status) << s.key;
        EXPECT_EQ(f.line_number(), s.line) << s.key;
    }
    f.rewind();
    std::string r;
    for (int i = 0; i < 3; ++i) ASSERT_TRUE(f.read_record120(r));
    EXPECT_EQ(r, "*TimeSte" + std::string(112, ' '));
    ASSERT_TRUE(f.read_record120(r));
    EXPECT_EQ(r, std::string(120, 'x'));
    while (f.read_record120(r)) {
    }
    EXPECT_EQ(r, "*SubStep 2" + std::string(110, ' '));  // last line without a line feed
    EXPECT_EQ(f.line_number(), 8u);
    EXPECT_EQ(ifindstringinfile("*SubStep 3", f), -1);  // blank-padded record never matches
}

TEST(DeckFile, LoadsFilesAndNamesMissingOnes) {
    const std::string path = ::testing::TempDir() + "deck_file_test.txt";
    std::ofstream(path, std::ios::binary)
        << "*COORDINATES\r\n2\r\n0.0 1.0\r\n2.5D0 -3\r";  // last line: CR, no LF
    DeckFile f(path);
    ASSERT_EQ(ifindstringinfile("*COORDINATES", f), 0);
    integer n = 0;
    f.read({n});
    std::vector<real> x(4);
    f.read({F1<real>(x)});
    EXPECT_EQ(n, 2);
    EXPECT_EQ(x, (std::vector<real>{0.0, 1.0, 2.5, -3.0}));
    EXPECT_EQ(f.line_number(), 4u);
    std::remove(path.c_str());
    try {
        DeckFile missing("no_such_dir/Mesh.txt");
        ADD_FAILURE();
    } catch (const RuntimeFailure& e) {
        EXPECT_EQ(std::string(e.what()), "cannot open input file no_such_dir/Mesh.txt");
    }
}


// Mapped decks: a large file read in one array while its pages are handed back behind the read,
// searched again from the top afterwards, and files that end exactly at a page boundary or
// without a final line feed.
TEST(DeckFile, MappedFilesReadTheSameAsHeldOnes) {
    const std::string path = ::testing::TempDir() + "deck_file_large.txt";
    const int count = 1500000;  // about 12 MB of text, several release steps
    {
        std::ofstream out(path, std::ios::binary);
        out << "*VALUES\n" << count << "\n";
        for (int i = 1; i <= count; ++i) out << i << (i % 10 == 0 ? "\n" : " ");
        out << "*LAST\n7\n";
    }
    DeckFile f(path);
    ASSERT_EQ(ifindstringinfile("*VALUES", f), 0);
    integer n = 0;
    f.read({n});
    std::vector<integer> v(n);
    f.read({F1<integer>(v)});
    for (int i = 1; i <= count; i += 99999) ASSERT_EQ(v[i - 1], i);
    EXPECT_EQ(v.back(), count);
    f.rewind();
    ASSERT_EQ(ifindstringinfile("*LAST", f), 0);
    f.read({n});
    EXPECT_EQ(n, 7);
    f.rewind();
    ASSERT_EQ(ifindstringinfile("*VALUES", f), 0);  // pages handed back are read again
    f.read({n});
    EXPECT_EQ(n, count);
    std::remove(path.c_str());

    const std::string exact = ::testing::TempDir() + "deck_file_page.txt";
    const std::size_t page = static_cast<std::size_t>(::sysconf(_SC_PAGESIZE));
    for (const bool final_line_feed : {true, false}) {
        std::string text = "*N\n";
        std::size_t ones = 0;
        for (; text.size() + 2 <= page - 2; ++ones) text += "1 ";
        text.resize(page - 2, ' ');
        text += final_line_feed ? "9\n" : " 9";
        ASSERT_EQ(text.size(), page);
        std::ofstream(exact, std::ios::binary) << text;
        DeckFile g(exact);
        ASSERT_EQ(ifindstringinfile("*N", g), 0);
        std::vector<integer> w(ones + 1);
        ASSERT_EQ(g.try_read({F1<integer>(w)}), ReadStatus::Ok) << g.message();
        EXPECT_EQ(w.back(), 9);
    }
    std::remove(exact.c_str());
}

}  // namespace

// Decks of a run refuse reals that are not finite, on the fast path and the slow one alike.
TEST(DeckFileRead, FiniteRealsOnly) {
    for (const char* t : {"1 inf 3\n", "-inf 2 3\n", "1 2 nan\n", "1e400 2 3\n", "1 2*NaN\n",
                          "1 -1.0d999 3\n"}) {
        auto f = DeckFile::from_text("Param.txt", t);
        f.require_finite_reals();
        std::array<real, 3> v{};
        EXPECT_EQ(f.try_read({std::span<real>(v)}), Bad) << t;
        EXPECT_NE(f.message().find("is not a finite number"), std::string::npos) << f.message();
    }
}

// A carriage return followed by blanks ends its line like a bare one.
TEST(DeckFileRead, CarriageReturnBeforeBlanks) {
    auto f = DeckFile::from_text("Mesh.txt", "7\r  \n'Tri3'\r\t\nNEXT\n");
    integer n = 0;
    std::string name;
    ASSERT_EQ(f.try_read({n}), Ok) << f.message();
    ASSERT_EQ(f.try_read({ReadTarget::name(name, 6)}), Ok) << f.message();
    EXPECT_EQ(n, 7);
    EXPECT_EQ(name, "Tri3  ");
    EXPECT_EQ(next_line(f), "NEXT");
}

// What the rest of a file can still give: counts against it, unread lines, surplus values.
TEST(DeckFile, WhatRemainsAfterARead) {
    struct {
        const char* text;
        std::size_t supplied;   // largest count can_supply accepts (SIZE_MAX: any)
        const char* unread;     // first non-blank line before the next keyword ("" none)
        std::size_t surplus;    // values before the next keyword
    } cases[] = {
        {"1 2\n \t\n*K\n4 5 6\n", 12, "", 0},  // up to one value per character remaining
        {"1\n1000*0\n*K\n", 1001, "1000*0", 1000},  // repeats give more than their text
        {"1\n3*\n,,\n", 6, "3*", 4},                // null values count too
        {"1\n2 / 5 6 7 8 9\n*K\n", SIZE_MAX, "2 / 5 6 7 8 9", 6},  // a slash completes a read
        {"1\n", 0, "", 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text);
        auto f = DeckFile::from_text("Mesh.txt", c.text);
        integer first = 0;
        ASSERT_EQ(f.try_read({first}), Ok);
        EXPECT_TRUE(f.can_supply(c.supplied));
        if (c.supplied != SIZE_MAX) {
            EXPECT_FALSE(f.can_supply(c.supplied + 1));
        }
        EXPECT_TRUE(f.can_supply(c.supplied, true));
        std::string_view line;
        std::size_t number = 0;
        EXPECT_EQ(f.first_unread_line(line, number), *c.unread != '\0');
        if (*c.unread != '\0') {
            EXPECT_EQ(line, c.unread);
            EXPECT_EQ(number, 2u);
        }
        EXPECT_EQ(f.values_before_next_keyword(), c.surplus);
    }
}
