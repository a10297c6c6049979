// printable: text taken from an input file, made safe to print in a message. A binary file or a
// damaged one can put control characters, terminal escape sequences or bytes that are no text at
// all into a value or a line; the messages show them as \xNN instead.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace vetrix::tools {

// The length of the well-formed UTF-8 sequence of a printable character that starts at s[i], or
// 0 when s[i] starts no such sequence (control characters, DEL, C1 controls, stray or overlong
// bytes).
inline std::size_t printable_length(std::string_view s, std::size_t i) {
    const auto b = [&](std::size_t k) { return static_cast<unsigned char>(s[k]); };
    const unsigned char c = b(i);
    if (c >= 0x20 && c < 0x7f) return 1;
    std::size_t n = 0;
    unsigned long cp = 0;
    if (c >= 0xc2 && c <= 0xdf)
        n = 2, cp = c & 0x1fu;
    else if (c >= 0xe0 && c <= 0xef)
        n = 3, cp = c & 0x0fu;
    else if (c >= 0xf0 && c <= 0xf4)
        n = 4, cp = c & 0x07u;
    else
        return 0;
    if (i + n > s.size()) return 0;
    for (std::size_t k = 1; k < n; ++k) {
        if ((b(i + k) & 0xc0u) != 0x80u) return 0;
        cp = (cp << 6) | (b(i + k) & 0x3fu);
    }
    const unsigned long lowest[] = {0, 0, 0x80, 0x800, 0x10000};
    if (cp < lowest[n] || cp > 0x10ffff || (cp >= 0xd800 && cp <= 0xdfff)) return 0;
    if (cp >= 0x80 && cp < 0xa0) return 0;  // C1 control characters
    return n;
}

// The text with every byte that is not part of a printable character shown as \xNN (a tab as a
// blank), cut after about limit bytes with "..." so that a line of binary data stays short.
inline std::string printable(std::string_view s, std::size_t limit = 200) {
    static constexpr char hex[] = "0123456789abcdef";
    std::string out;
    for (std::size_t i = 0; i < s.size();) {
        if (out.size() >= limit) {
            out += "...";
            break;
        }
        if (s[i] == '\t') {
            out += ' ';
            ++i;
            continue;
        }
        const std::size_t n = printable_length(s, i);
        if (n > 0) {
            out.append(s.substr(i, n));
            i += n;
        } else {
            const auto c = static_cast<unsigned char>(s[i++]);
            out += "\\x";
            out += hex[c >> 4];
            out += hex[c & 0xfu];
        }
    }
    return out;
}

}  // namespace vetrix::tools
