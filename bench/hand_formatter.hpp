// Hand-written baselines of the result-file field " +0.dddddddde+eee" (layout SP,E17.8E3) that
// the formatter benchmarks compare against: digits from snprintf or from std::to_chars.
#pragma once

#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

namespace bench {

// Assembles the 17-character field from its sign, first digit, seven further digits and the
// exponent of the 0.d form.
inline void append_field(std::string& out, char sign, char first, const char* seven, int ex) {
    char field[17];
    field[0] = ' ';
    field[1] = sign;
    field[2] = '0';
    field[3] = '.';
    field[4] = first;
    std::memcpy(field + 5, seven, 7);
    field[12] = 'E';
    field[13] = ex < 0 ? '-' : '+';
    ex = std::abs(ex);
    field[14] = static_cast<char>('0' + ex / 100);
    field[15] = static_cast<char>('0' + ex / 10 % 10);
    field[16] = static_cast<char>('0' + ex % 10);
    out.append(field, 17);
}

// From snprintf's d.ddddddde+XX (finite values only).
inline void append_field_snprintf(std::string& out, double x) {
    char buf[40];
    std::snprintf(buf, sizeof buf, "%+.7e", x);
    const char* e = std::strchr(buf, 'e');
    append_field(out, buf[0], buf[1], buf + 3, std::atoi(e + 1) + (x == 0.0 ? 0 : 1));
}

// From std::to_chars digits (finite values only).
inline void append_field_to_chars(std::string& out, double x) {
    char buf[40];
    const auto res =
        std::to_chars(buf, buf + sizeof buf, std::fabs(x), std::chars_format::scientific, 7);
    *res.ptr = '\0';
    append_field(out, std::signbit(x) ? '-' : '+', buf[0], buf + 2,
                 std::atoi(buf + 10) + (x == 0.0 ? 0 : 1));
}

}  // namespace bench
