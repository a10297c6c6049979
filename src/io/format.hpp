// Text output formatting: free-format (list-directed) lines and layout strings in edit-descriptor
// notation (nX, TRn, Aw, A, Iw, Iw.m, Ew.d, Ew.dEe, Fw.d, Gw.d, Gw.dEe, Lw, SP, SS, S, /, :,
// 'text', "text", nH, repeat counts and parenthesised groups). Every number the program writes
// is formatted here.
#pragma once

#include <cstdint>
#include <initializer_list>
#include <memory>
#include <span>
#include <string>
#include <string_view>

#include "common/types.hpp"

namespace vetrix {

// One output item: an integer, a real, a text or a logical.
struct FItem {
    enum class Kind : std::uint8_t { Int, Real, Text, Logical };
    Kind kind;
    std::int64_t i = 0;
    double r = 0.0;
    std::string_view s;
    bool single = false;  // a single-precision real: 9 significant digits in free format

    FItem(int v) : kind(Kind::Int), i(v) {}
    FItem(long v) : kind(Kind::Int), i(v) {}
    FItem(long long v) : kind(Kind::Int), i(v) {}
    FItem(double v) : kind(Kind::Real), r(v) {}
    FItem(float v) : kind(Kind::Real), r(v), single(true) {}
    FItem(std::string_view v) : kind(Kind::Text), s(v) {}
    FItem(const char* v) : kind(Kind::Text), s(v) {}
    FItem(const std::string& v) : kind(Kind::Text), s(v) {}
    static FItem logical(bool v) {
        FItem it(0);
        it.kind = Kind::Logical;
        it.i = v ? 1 : 0;
        return it;
    }
};

// Free-format line: a leading blank, then the items in order; texts follow each other directly,
// any other pair of neighbours is separated by one blank; integers right-aligned in 11
// characters (a wider value takes what it needs); reals to 17 significant digits in 25
// characters, in fixed form followed by 5 blanks when 0.1 <= |x| < 1e17, otherwise as
// d.dddddddddddddddd E+eee (single-precision reals: 9 digits in 16 characters, 4 blanks after
// the fixed form, exponent form d.dddddddd E+ee); logicals as T or F. No items gives an empty line. The result has no
// end of line.
std::string free_line(std::initializer_list<FItem> items);
std::string free_line(std::span<const FItem> items);
// Appends the free-format line and an end of line to out.
void append_free_line(std::string& out, std::span<const FItem> items);

// A layout string parsed once and applied many times. The layout may be written with or without
// its outer parentheses: "(1x,A22,G12.3)" and "1x,A22,G12.3" are the same layout.
class Layout {
  public:
    explicit Layout(std::string_view text);
    ~Layout();
    Layout(Layout&&) noexcept;
    Layout& operator=(Layout&&) noexcept;

    // The records produced by the items, joined by '\n', without a final end of line. A "/"
    // ends a record; when the items outnumber the data descriptors the layout restarts on a new
    // record at its last top-level group (or at its start); output stops at the first data
    // descriptor (or ":") for which no item is left. Blanks of X and TR appear only when
    // something follows them in the record. I takes an integer, E and F a real, A a text, L a
    // logical, G any item; a mismatch, a malformed layout or items left over for a layout
    // without data descriptors throw std::logic_error.
    std::string format(std::initializer_list<FItem> items) const;
    std::string format(std::span<const FItem> items) const;
    // Appends the records to out, each ended by '\n'.
    void append(std::string& out, std::span<const FItem> items) const;
    // Fast path for a row of reals (result and restart files): appends the records, each ended
    // by '\n'.
    void append_reals(std::string& out, const double* values, std::size_t n) const;

    struct Impl;

  private:
    std::unique_ptr<Impl> impl_;
};

// The text cut or padded with blanks to exactly width characters (fixed-length texts such as
// keyword records and the 60-character timing labels).
std::string padded(std::string_view text, std::size_t width);

// One-shot formatting with a layout string (parsed layouts are cached by text).
std::string fmt(std::string_view layout, std::initializer_list<FItem> items);

}  // namespace vetrix
