// free_line, Layout, fmt: free-format lines and edit-descriptor layouts turned into text records.
#include "format.hpp"

#include <array>
#include <charconv>
#include <cmath>
#include <cstring>
#include <limits>
#include <map>
#include <stdexcept>
#include <string>
#include <vector>

namespace vetrix {

namespace {

// ---------------------------------------------------------------------------------------------
// Decimal digits of a real.
//
// Every real field is built from the correctly rounded decimal digits of the binary value (an
// exact tie goes to the even digit), as std::to_chars gives them for a fixed precision. The
// digits are kept in the normalised form 0.d1 d2 ... dn x 10^k that the exponent fields print.
// ---------------------------------------------------------------------------------------------

constexpr int kMaxDigits = 99;  // largest d accepted in a layout

struct Digits {
    char d[kMaxDigits + 20];  // significant digits d1..dn, d1 != '0' unless the value is zero
    int n = 0;                // number of digits
    int k = 0;                // decimal exponent: value = 0.d1..dn * 10^k
};

// 10^k as the double nearest to it, for |k| <= 300.
double power_of_ten(int k) {
    static const auto table = [] {
        std::array<double, 601> t{};
        for (int j = -300; j <= 300; ++j) {
            const std::string s = "1e" + std::to_string(j);
            std::from_chars(s.data(), s.data() + s.size(), t[static_cast<std::size_t>(j + 300)]);
        }
        return t;
    }();
    return table[static_cast<std::size_t>(k + 300)];
}

// Quick rounding of ax (finite, > 0) to nd <= 9 significant digits in double arithmetic:
// m = ax 10^p lies in [10^(nd-1), 10^nd) and carries a relative error of at most two roundings
// (about 2.3e-16, so below 1e-6 in absolute terms), hence rounding m to an integer is exact
// unless its fraction is that close to one half. Returns false in that case (or when the
// scaling would leave the table), and the caller produces the exact digits.
bool round_sig_quick(double ax, int nd, Digits& g) {
    int e2 = 0;
    std::frexp(ax, &e2);  // ax in [2^(e2-1), 2^e2)
    // floor(log10(2^(e2-1))) is floor(log10(ax)) or one less
    int e10 = static_cast<int>(std::floor((e2 - 1) * 0.30102999566398120));
    int p = nd - 1 - e10;
    if (p < -299 || p > 299) return false;
    const double top = power_of_ten(nd);
    double m = ax * power_of_ten(p);
    if (m >= top) {
        ++e10;
        m = ax * power_of_ten(--p);
    }
    if (m < power_of_ten(nd - 1) - 0.5) return false;
    const double whole = std::floor(m);
    const double frac = m - whole;
    if (std::fabs(frac - 0.5) < 1e-6) return false;
    auto q = static_cast<std::uint64_t>(whole) + (frac > 0.5 ? 1 : 0);
    if (static_cast<double>(q) >= top) {  // 9.99..9 became 10.00..0
        q /= 10;
        ++e10;
    }
    for (int j = nd - 1; j >= 0; --j) {
        g.d[j] = static_cast<char>('0' + q % 10);
        q /= 10;
    }
    g.k = e10 + 1;
    return true;
}

// Reads "d.ddde+XX" (the point absent for one digit) from to_chars into g; returns the digits.
int read_scientific(const char* p, const char* end, Digits& g) {
    int j = 0;
    g.d[j++] = *p++;
    if (*p == '.') ++p;
    while (*p != 'e') g.d[j++] = *p++;
    ++p;  // 'e'
    const bool eneg = *p == '-';
    ++p;
    int ex = 0;
    while (p < end) ex = ex * 10 + (*p++ - '0');
    g.k = (eneg ? -ex : ex) + 1;
    return j;
}

// Rounds ax (finite, >= 0) to nd significant digits. Zero gives nd zeros and k = 0.
//
// Up to 9 digits come from round_sig_quick. Up to 15 digits of a normal value start from the
// shortest digits that read back as the same double (much cheaper than exact digits), rounded
// to nd digits. This agrees with rounding the exact binary value. With at most nd shortest
// digits, the value lies within half a unit in their last place, far less than half a unit of
// the nd-th digit when nd <= 15. With more, a rounding boundary (nd + 1 digits) strictly
// between the value and its shortest digits would itself read back as the same double while
// being shorter or closer to the value. Only when the shortest digits end exactly on a
// boundary (digit nd + 1 is the last one and is 5) can the exact value lie on either side.
// That case, subnormal values (too few bits for the argument) and more than 15 digits take the
// exact digits.
void round_sig(double ax, int nd, Digits& g) {
    g.n = nd;
    if (ax == 0.0) {
        std::memset(g.d, '0', static_cast<std::size_t>(nd));
        g.k = 0;
        return;
    }
    if (nd <= 9 && round_sig_quick(ax, nd, g)) return;
    char buf[kMaxDigits + 16];
    if (nd <= 15 && ax >= std::numeric_limits<double>::min()) {  // not for subnormals
        const auto res = std::to_chars(buf, buf + sizeof buf, ax, std::chars_format::scientific);
        const int n = read_scientific(buf, res.ptr, g);
        if (n <= nd) {
            std::memset(g.d + n, '0', static_cast<std::size_t>(nd - n));
            return;
        }
        if (!(n == nd + 1 && g.d[nd] == '5')) {
            if (g.d[nd] >= '5') {
                int j = nd - 1;
                while (j >= 0 && g.d[j] == '9') g.d[j--] = '0';
                if (j >= 0) {
                    ++g.d[j];
                } else {  // 9.99..9 became 10.00..0
                    g.d[0] = '1';
                    ++g.k;
                }
            }
            return;
        }
    }
    const auto res =
        std::to_chars(buf, buf + sizeof buf, ax, std::chars_format::scientific, nd - 1);
    read_scientific(buf, res.ptr, g);
}

// Appends w characters of c.
void fill(std::string& out, int w, char c) {
    out.append(static_cast<std::size_t>(w), c);
}

// Appends body right-aligned in w characters, or w asterisks when it does not fit.
void put_right(std::string& out, const char* body, int len, int w) {
    if (len > w) {
        fill(out, w, '*');
        return;
    }
    fill(out, w - len, ' ');
    out.append(body, static_cast<std::size_t>(len));
}

// Writes NaN or an infinity in w characters. Infinities spell "Infinity" when the field has
// room for it (and for its sign where one is shown), otherwise "Inf"; a negative infinity in
// three characters cannot be shown.
void put_nonfinite(std::string& out, double x, int w, bool plus) {
    if (w < 3) return fill(out, w, '*');
    if (std::isnan(x)) return put_right(out, "NaN", 3, w);
    if (std::signbit(x)) {
        if (w == 3) return fill(out, w, '*');
        return w >= 9 ? put_right(out, "-Infinity", 9, w) : put_right(out, "-Inf", 4, w);
    }
    if (plus) {
        if (w >= 9) return put_right(out, "+Infinity", 9, w);
        return w >= 4 ? put_right(out, "+Inf", 4, w) : put_right(out, "Inf", 3, w);
    }
    return w >= 8 ? put_right(out, "Infinity", 8, w) : put_right(out, "Inf", 3, w);
}

// Writes the exponent part of an exponent field for the exponent k at p; returns its length or
// -1 when k needs more than the e digits asked for. Without e: "E+dd" up to 99, "+ddd" above.
int put_exponent(char* p, int k, int e) {
    const int ak = k < 0 ? -k : k;
    const char sign = k < 0 ? '-' : '+';
    int nd;
    int len = 0;
    if (e > 0) {
        int limit = 1;
        for (int i = 0; i < e && limit <= ak; ++i) limit *= 10;
        if (ak >= limit) return -1;
        nd = e;
        p[len++] = 'E';
    } else if (ak <= 99) {
        nd = 2;
        p[len++] = 'E';
    } else {
        nd = 3;
    }
    p[len++] = sign;
    int v = ak;
    for (int i = nd - 1; i >= 0; --i) {
        p[len + i] = static_cast<char>('0' + v % 10);
        v /= 10;
    }
    return len + nd;
}

// Exponent field 0.d1..dn E+ee in w characters from rounded digits. The leading zero is left
// out when the field is exactly one character short for it.
void put_exponent_form(std::string& out, bool neg, bool plus, const Digits& g, int w, int e) {
    char body[kMaxDigits + 16];
    int len = 0;
    if (neg) {
        body[len++] = '-';
    } else if (plus) {
        body[len++] = '+';
    }
    const int zero_at = len;
    body[len++] = '0';
    body[len++] = '.';
    std::memcpy(body + len, g.d, static_cast<std::size_t>(g.n));
    len += g.n;
    const int ne = put_exponent(body + len, g.n == 0 || g.d[0] == '0' ? 0 : g.k, e);
    if (ne < 0) return fill(out, w, '*');
    len += ne;
    if (len == w + 1) {  // drop the optional zero before the point
        std::memmove(body + zero_at, body + zero_at + 1,
                     static_cast<std::size_t>(len - zero_at - 1));
        --len;
    }
    put_right(out, body, len, w);
}

// Ew.d and Ew.dEe.
void edit_e(std::string& out, double x, int w, int d, int e, bool plus) {
    if (!std::isfinite(x)) return put_nonfinite(out, x, w, plus);
    Digits g;
    round_sig(std::fabs(x), d, g);
    put_exponent_form(out, std::signbit(x), plus, g, w, e);
}

// Fixed form of |x| with d decimals, its sign first (a negative value shows "-" even when it
// rounds to zero). A zero before the point is left out when the field of w characters is
// exactly one short for it and decimals follow ("0." keeps its zero). Returns the length of the
// body, which may exceed w.
int fixed_body(char* body, double x, int w, int d, bool plus) {
    // At most 309 digits before the point for a finite double, d after it.
    char buf[320 + kMaxDigits];
    const auto res =
        std::to_chars(buf, buf + sizeof buf, std::fabs(x), std::chars_format::fixed, d);
    const int ilen =
        d > 0 ? static_cast<int>(res.ptr - buf) - d - 1 : static_cast<int>(res.ptr - buf);
    int len = 0;
    if (std::signbit(x)) {
        body[len++] = '-';
    } else if (plus) {
        body[len++] = '+';
    }
    const bool zero_int = ilen == 1 && buf[0] == '0';
    if (!(zero_int && d > 0 && len + ilen + 1 + d == w + 1)) {
        std::memcpy(body + len, buf, static_cast<std::size_t>(ilen));
        len += ilen;
    }
    body[len++] = '.';
    if (d > 0) {
        std::memcpy(body + len, buf + ilen + 1, static_cast<std::size_t>(d));
        len += d;
    }
    return len;
}

constexpr std::size_t kFixedBody = 330 + kMaxDigits;

// Fw.d.
void edit_f(std::string& out, double x, int w, int d, bool plus) {
    if (!std::isfinite(x)) return put_nonfinite(out, x, w, plus);
    char body[kFixedBody];
    put_right(out, body, fixed_body(body, x, w, d, plus), w);
}

// Number k of digits before the point when a nonzero |x| = ax is written in fixed form with d
// significant digits, or -1 when it takes the exponent form. The value is compared in double
// arithmetic with the bounds 10^k (1 - 0.5 10^-d), k = -1 .. d; a value within a rounding error
// below a bound therefore counts as reaching it (9.9995 with 4 digits is written 10.00).
int fixed_digits_before_point(double ax, int d) {
    const double shrink = 1.0 - 0.5 / power_of_ten(d);
    if (ax < power_of_ten(-1) * shrink) return -1;
    for (int k = 0; k <= d; ++k)
        if (ax < power_of_ten(k) * shrink) return k;
    return -1;
}

// Gw.d and Gw.dEe for a real: zero, or a value with 0.1 <= |x| < 10^d at d significant digits,
// is written in fixed form with d - k decimals (zero: d - 1) in w - n characters followed by n
// blanks (n = e + 2, or 4 without e); any other value as Ew.dEe.
void edit_g(std::string& out, double x, int w, int d, int e, bool plus) {
    if (!std::isfinite(x)) return put_nonfinite(out, x, w, plus);
    const double ax = std::fabs(x);
    const int k = ax == 0.0 ? 1 : fixed_digits_before_point(ax, d);
    if (k < 0) {
        Digits g;
        round_sig(ax, d, g);
        return put_exponent_form(out, std::signbit(x), plus, g, w, e);
    }
    const int n = e > 0 ? e + 2 : 4;
    char body[kFixedBody];
    const int len = fixed_body(body, x, w - n, d - k, plus);
    if (len > w - n) return fill(out, w, '*');
    put_right(out, body, len, w - n);
    fill(out, n, ' ');
}

// Iw and Iw.m (m < 0: no minimum digit count); w = 0 takes as many characters as needed.
void edit_i(std::string& out, std::int64_t v, int w, int m, bool plus) {
    if (v == 0 && m == 0) return fill(out, w == 0 ? 1 : w, ' ');
    char body[kMaxDigits + 24];  // sign, at most kMaxDigits zeros or 20 digits
    std::uint64_t a = v < 0 ? 0 - static_cast<std::uint64_t>(v) : static_cast<std::uint64_t>(v);
    char digits[24];
    int nd = 0;
    do {
        digits[nd++] = static_cast<char>('0' + a % 10);
        a /= 10;
    } while (a != 0);
    int len = 0;
    if (v < 0) {
        body[len++] = '-';
    } else if (plus) {
        body[len++] = '+';
    }
    for (int i = nd; i < m; ++i) body[len++] = '0';
    while (nd > 0) body[len++] = digits[--nd];
    put_right(out, body, len, w == 0 ? len : w);
}

// Aw (w < 0: the whole text): right-aligned when shorter, its leftmost w characters when longer.
void edit_a(std::string& out, std::string_view s, int w) {
    if (w < 0 || static_cast<std::size_t>(w) == s.size()) {
        out.append(s);
    } else if (s.size() < static_cast<std::size_t>(w)) {
        fill(out, w - static_cast<int>(s.size()), ' ');
        out.append(s);
    } else {
        out.append(s.substr(0, static_cast<std::size_t>(w)));
    }
}

// Lw: T or F at the right of w characters.
void edit_l(std::string& out, bool v, int w) {
    fill(out, w - 1, ' ');
    out.push_back(v ? 'T' : 'F');
}

// ---------------------------------------------------------------------------------------------
// Free-format items.
// ---------------------------------------------------------------------------------------------

// A real of a free-format line: a double in 25 characters to 17 significant digits, in fixed
// form followed by 5 blanks when 0.1 <= |x| < 1e17 after rounding (or zero), otherwise as
// d.dddddddddddddddd E+eee; a single-precision value in 16 characters to 9 digits, 4 blanks
// after the fixed form, exponent form d.dddddddd E+ee.
void free_real(std::string& out, double x, bool single) {
    const int kSig = single ? 9 : 17;
    const int kWidth = single ? 16 : 25;
    const int kExp = single ? 2 : 3;
    if (!std::isfinite(x)) return put_nonfinite(out, x, kWidth, false);
    const double ax = std::fabs(x);
    if (ax == 0.0 || fixed_digits_before_point(ax, kSig) >= 0)
        return edit_g(out, x, kWidth, kSig, kExp, false);
    char buf[48];
    const auto res =
        std::to_chars(buf, buf + sizeof buf, ax, std::chars_format::scientific, kSig - 1);
    char body[48];
    int len = 0;
    if (std::signbit(x)) body[len++] = '-';
    const char* p = buf;
    while (*p != 'e') body[len++] = *p++;
    ++p;
    const bool eneg = *p++ == '-';
    int ex = 0;
    while (p < res.ptr) ex = ex * 10 + (*p++ - '0');
    len += put_exponent(body + len, eneg ? -ex : ex, kExp);
    put_right(out, body, len, kWidth);
}

void free_item(std::string& out, const FItem& it) {
    switch (it.kind) {
        case FItem::Kind::Text:
            out.append(it.s);
            break;
        case FItem::Kind::Int:  // 11 characters; a value that needs more takes what it needs
            edit_i(out, it.i, it.i >= -9999999999LL && it.i <= 99999999999LL ? 11 : 0, -1, false);
            break;
        case FItem::Kind::Real:
            free_real(out, it.r, it.single);
            break;
        case FItem::Kind::Logical:
            out.push_back(it.i != 0 ? 'T' : 'F');
            break;
    }
}

// ---------------------------------------------------------------------------------------------
// Layout strings.
//
// A layout is parsed once into a flat list of steps: repeat counts on descriptors and groups
// are expanded, so applying it is one pass along the list. `revert` is the step where the
// layout starts again when items remain at its end: the first step of the last top-level group
// (its repeat count included), or 0 when there is none.
// ---------------------------------------------------------------------------------------------

enum class Op : std::uint8_t { Data, Literal, Blanks, Slash, Colon, SignPlus, SignDefault };
enum class Desc : std::uint8_t { I, A, E, F, G, L };

struct Step {
    Op op = Op::Literal;
    Desc desc = Desc::I;
    int w = 0;   // width (A: -1 for the whole text; Blanks: count)
    int d = -1;  // decimals or significant digits; I: minimum digits (-1 none)
    int e = 0;   // exponent digits, 0 for the default
    std::uint32_t lit_at = 0, lit_len = 0;  // literal text in Impl::pool
};

constexpr int kMaxRepeat = 1000000;  // guard against absurd expansions

[[noreturn]] void bad_layout(std::string_view text, const char* why) {
    throw std::logic_error("layout \"" + std::string(text) + "\": " + why);
}

class Parser {
  public:
    Parser(std::string_view text, std::vector<Step>& steps, std::string& pool)
        : text_(text), steps_(steps), pool_(pool) {}

    // Parses the whole layout; returns the reversion step. The list is read at depth -1: when
    // it is a single group without repeat count, that group is the pair of outer parentheses and
    // the top-level groups are the ones inside it (depth 0); otherwise the layout was written
    // without outer parentheses and its own groups (depth -1) are the top-level ones.
    std::size_t parse() {
        parse_list(-1);
        if (pos_ != text_.size()) fail("unbalanced parentheses");
        return (outer_items_ == 1 && outer_group_) ? revert_inner_ : revert_outer_;
    }

  private:
    std::string_view text_;
    std::vector<Step>& steps_;
    std::string& pool_;
    std::size_t pos_ = 0;
    int outer_items_ = 0;           // items of the list at depth -1
    bool outer_group_ = false;      // its first item is a group without repeat count
    std::size_t revert_outer_ = 0;  // first step of the last group at depth -1
    std::size_t revert_inner_ = 0;  // first step of the last group at depth 0

    [[noreturn]] void fail(const char* why) const { bad_layout(text_, why); }

    void skip_blanks() {
        while (pos_ < text_.size() && (text_[pos_] == ' ' || text_[pos_] == '\t')) ++pos_;
    }
    // Next character after blanks, upper-cased, or '\0' at the end.
    char peek() {
        skip_blanks();
        if (pos_ >= text_.size()) return '\0';
        const char c = text_[pos_];
        return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c;
    }
    bool eat(char c) {
        if (peek() != c) return false;
        ++pos_;
        return true;
    }
    bool at_digit() {
        const char c = peek();
        return c >= '0' && c <= '9';
    }
    // Unsigned number; blanks between its digits are ignored.
    int number() {
        if (!at_digit()) fail("number expected");
        long v = 0;
        while (at_digit()) {
            v = v * 10 + (text_[pos_++] - '0');
            if (v > kMaxRepeat) fail("number too large");
        }
        return static_cast<int>(v);
    }
    void push(const Step& s, int repeat) {
        if (steps_.size() + static_cast<std::size_t>(repeat) > static_cast<std::size_t>(kMaxRepeat))
            fail("layout too long");
        for (int r = 0; r < repeat; ++r) steps_.push_back(s);
    }
    void push_literal(std::string_view lit) {
        Step s;
        s.op = Op::Literal;
        s.lit_at = static_cast<std::uint32_t>(pool_.size());
        s.lit_len = static_cast<std::uint32_t>(lit.size());
        pool_.append(lit);
        steps_.push_back(s);
    }

    // A list of items up to the ')' that closes it (or the end of the text at depth 0).
    void parse_list(int depth) {
        for (;;) {
            const char c = peek();
            if (c == '\0' || c == ')') return;
            if (c == ',') {
                ++pos_;
                continue;
            }
            parse_item(depth);
        }
    }

    void parse_item(int depth) {
        int repeat = -1;
        if (at_digit()) repeat = number();
        if (repeat == 0) fail("zero repeat count");
        const char c = peek();
        if (depth < 0 && ++outer_items_ == 1) outer_group_ = c == '(' && repeat < 0;
        if (c == '\0') fail("repeat count without descriptor");
        ++pos_;
        switch (c) {
            case '(': {
                const std::size_t before = steps_.size();
                parse_list(depth + 1);
                if (!eat(')')) fail("unbalanced parentheses");
                const std::size_t body = steps_.size() - before;
                const int times = repeat < 0 ? 1 : repeat;
                if (body * static_cast<std::size_t>(times) > static_cast<std::size_t>(kMaxRepeat))
                    fail("layout too long");
                for (int r = 1; r < times; ++r)
                    for (std::size_t k = 0; k < body; ++k) steps_.push_back(steps_[before + k]);
                if (depth < 0) revert_outer_ = before;
                if (depth == 0) revert_inner_ = before;
                return;
            }
            case '\'':
            case '"': {
                if (repeat > 0) fail("repeat count on a quoted text");
                std::string lit;
                for (;;) {
                    if (pos_ >= text_.size()) fail("unterminated quoted text");
                    const char q = text_[pos_++];
                    if (q == c) {
                        if (pos_ < text_.size() && text_[pos_] == c) {
                            lit.push_back(c);
                            ++pos_;
                            continue;
                        }
                        break;
                    }
                    lit.push_back(q);
                }
                push_literal(lit);
                return;
            }
            case 'H': {
                if (repeat < 0) fail("H without a count");
                if (pos_ + static_cast<std::size_t>(repeat) > text_.size())
                    fail("short Hollerith text");
                push_literal(text_.substr(pos_, static_cast<std::size_t>(repeat)));
                pos_ += static_cast<std::size_t>(repeat);
                return;
            }
            case 'X': {
                Step s;
                s.op = Op::Blanks;
                s.w = repeat < 0 ? 1 : repeat;
                steps_.push_back(s);
                return;
            }
            case 'T': {
                if (!eat('R')) fail("only TRn tabbing is supported");
                Step s;
                s.op = Op::Blanks;
                s.w = number();
                push(s, repeat < 0 ? 1 : repeat);
                return;
            }
            case '/': {
                Step s;
                s.op = Op::Slash;
                push(s, repeat < 0 ? 1 : repeat);
                return;
            }
            case ':': {
                Step s;
                s.op = Op::Colon;
                steps_.push_back(s);
                return;
            }
            case 'S': {
                if (repeat > 0) fail("repeat count on a sign descriptor");
                Step s;
                if (eat('P')) {
                    s.op = Op::SignPlus;
                } else {
                    eat('S');
                    s.op = Op::SignDefault;
                }
                steps_.push_back(s);
                return;
            }
            default:
                break;
        }
        Step s;
        s.op = Op::Data;
        switch (c) {
            case 'I':
                s.desc = Desc::I;
                s.w = number();
                if (eat('.')) s.d = number();
                if (s.d > kMaxDigits || (s.w > 0 && s.d > s.w)) fail("more digits than width");
                break;
            case 'A':
                s.desc = Desc::A;
                s.w = at_digit() ? number() : -1;
                if (s.w == 0) fail("zero width");
                break;
            case 'L':
                s.desc = Desc::L;
                s.w = number();
                break;
            case 'E':
            case 'G':
            case 'F':
                s.desc = c == 'E' ? Desc::E : (c == 'G' ? Desc::G : Desc::F);
                s.w = number();
                if (!eat('.')) fail("real descriptor without decimals");
                s.d = number();
                if (s.desc != Desc::F && eat('E')) s.e = number();
                if (s.desc != Desc::F && s.d == 0) fail("zero significant digits");
                if (s.d > kMaxDigits) fail("too many decimals");
                if (s.e > 9) fail("too many exponent digits");
                break;
            default:
                fail("unknown descriptor");
        }
        if (s.w <= 0 && s.desc != Desc::I && s.desc != Desc::A) fail("zero width");
        push(s, repeat < 0 ? 1 : repeat);
    }
};

}  // namespace

struct Layout::Impl {
    std::string text;
    std::vector<Step> steps;
    std::string pool;        // texts of the literal steps
    std::size_t revert = 0;  // where a new record restarts the layout
    bool data_after_revert = false;

    // Writes one item with a data step; an item of the wrong kind is a programming error.
    void edit(std::string& out, const Step& s, const FItem& it, bool plus) const {
        using K = FItem::Kind;
        switch (s.desc) {
            case Desc::E:
                if (it.kind != K::Real) break;
                return edit_e(out, it.r, s.w, s.d, s.e, plus);
            case Desc::F:
                if (it.kind != K::Real) break;
                return edit_f(out, it.r, s.w, s.d, plus);
            case Desc::G:
                switch (it.kind) {
                    case K::Real:
                        return edit_g(out, it.r, s.w, s.d, s.e, plus);
                    case K::Int:
                        return edit_i(out, it.i, s.w, -1, plus);
                    case K::Text:
                        return edit_a(out, it.s, s.w);
                    case K::Logical:
                        return edit_l(out, it.i != 0, s.w);
                }
                break;
            case Desc::I:
                if (it.kind != K::Int) break;
                return edit_i(out, it.i, s.w, s.d, plus);
            case Desc::A:
                if (it.kind != K::Text) break;
                return edit_a(out, it.s, s.w);
            case Desc::L:
                if (it.kind != K::Logical) break;
                return edit_l(out, it.i != 0, s.w);
        }
        throw std::logic_error("layout \"" + text + "\": item of the wrong kind for a descriptor");
    }

    // Applies the layout to n items (item(j) gives the j-th), appending records ended by '\n'.
    template <class ItemAt>
    void run(std::string& out, std::size_t n, ItemAt item) const {
        std::size_t next = 0;  // next item to write
        std::size_t pos = 0;   // next step
        int pending = 0;       // blanks of X steps, written only when something follows them
        bool plus = false;     // SP in effect
        const std::size_t nsteps = steps.size();
        for (;;) {
            if (pos == nsteps) {
                if (next == n) break;
                if (!data_after_revert)
                    throw std::logic_error("layout \"" + text +
                                           "\": items left but no descriptor takes them");
                out.push_back('\n');
                pending = 0;
                pos = revert;
                continue;
            }
            const Step& s = steps[pos++];
            switch (s.op) {
                case Op::Data:
                    if (next == n) goto done;
                    if (pending > 0) fill(out, pending, ' '), pending = 0;
                    edit(out, s, item(next++), plus);
                    break;
                case Op::Literal:
                    if (pending > 0) fill(out, pending, ' '), pending = 0;
                    out.append(pool, s.lit_at, s.lit_len);
                    break;
                case Op::Blanks:
                    pending += s.w;
                    break;
                case Op::Slash:
                    out.push_back('\n');
                    pending = 0;
                    break;
                case Op::Colon:
                    if (next == n) goto done;
                    break;
                case Op::SignPlus:
                    plus = true;
                    break;
                case Op::SignDefault:
                    plus = false;
                    break;
            }
        }
    done:
        out.push_back('\n');
    }
};

Layout::Layout(std::string_view text) : impl_(std::make_unique<Impl>()) {
    Impl& L = *impl_;
    L.text = std::string(text);
    L.revert = Parser(text, L.steps, L.pool).parse();
    for (std::size_t k = L.revert; k < L.steps.size(); ++k)
        if (L.steps[k].op == Op::Data) L.data_after_revert = true;
}
Layout::~Layout() = default;
Layout::Layout(Layout&&) noexcept = default;
Layout& Layout::operator=(Layout&&) noexcept = default;

std::string Layout::format(std::initializer_list<FItem> items) const {
    return format(std::span<const FItem>(items.begin(), items.size()));
}

std::string Layout::format(std::span<const FItem> items) const {
    std::string out;
    append(out, items);
    out.pop_back();  // the final end of record
    return out;
}

void Layout::append(std::string& out, std::span<const FItem> items) const {
    impl_->run(out, items.size(), [items](std::size_t j) -> const FItem& { return items[j]; });
}

void Layout::append_reals(std::string& out, const double* values, std::size_t n) const {
    impl_->run(out, n, [values](std::size_t j) { return FItem(values[j]); });
}

std::string free_line(std::initializer_list<FItem> items) {
    return free_line(std::span<const FItem>(items.begin(), items.size()));
}

std::string free_line(std::span<const FItem> items) {
    std::string out;
    if (items.empty()) return out;
    out.push_back(' ');
    bool prev_text = false;
    for (std::size_t j = 0; j < items.size(); ++j) {
        const bool text = items[j].kind == FItem::Kind::Text;
        if (j > 0 && !(text && prev_text)) out.push_back(' ');
        free_item(out, items[j]);
        prev_text = text;
    }
    return out;
}

void append_free_line(std::string& out, std::span<const FItem> items) {
    out += free_line(items);
    out.push_back('\n');
}

std::string fmt(std::string_view layout, std::initializer_list<FItem> items) {
    // Parsed layouts by text; the program is single-threaded and uses a few dozen layouts.
    static std::map<std::string, Layout, std::less<>> cache;
    auto it = cache.find(layout);
    if (it == cache.end()) it = cache.emplace(std::string(layout), Layout(layout)).first;
    return it->second.format(items);
}

std::string padded(std::string_view text, std::size_t width) {
    std::string s(text.substr(0, width));
    s.resize(width, ' ');
    return s;
}

}  // namespace vetrix
