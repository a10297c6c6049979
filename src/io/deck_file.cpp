// DeckFile, ifindstringinfile: whole-file input decks, keyword search and the free-format
// (list-directed) read of integers, reals, logicals and names.
#include "deck_file.hpp"

#include <algorithm>
#ifdef __SSE2__
#include <emmintrin.h>
#endif
#include <array>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <memory>
#include <type_traits>

#include "common/stops.hpp"
#include "io/screen_text.hpp"

#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

namespace vetrix {

namespace {

constexpr std::size_t record_length = 120;

// Number of line ends in [first, last): 16 bytes at a time where the processor allows it, since
// keyword searches pass over whole decks.
std::size_t count_line_ends(const char* first, const char* last) {
    std::size_t n = 0;
#ifdef __SSE2__
    // bytes equal to '\n' compare to -1; subtracting them counts up to 255 per byte lane
    const __m128i nl = _mm_set1_epi8('\n'), zero = _mm_setzero_si128();
    while (last - first >= 16) {
        __m128i acc = zero;
        for (int k = 0; k < 255 && last - first >= 16; ++k, first += 16) {
            const __m128i block = _mm_loadu_si128(reinterpret_cast<const __m128i*>(first));
            acc = _mm_sub_epi8(acc, _mm_cmpeq_epi8(block, nl));
        }
        const __m128i sums = _mm_sad_epu8(acc, zero);
        n += static_cast<std::size_t>(_mm_cvtsi128_si32(sums)) +
             static_cast<std::size_t>(_mm_extract_epi16(sums, 4));
    }
#endif
    for (; first != last; ++first) n += *first == '\n';
    return n;
}

std::size_t page_size() {
    static const std::size_t size = static_cast<std::size_t>(::sysconf(_SC_PAGESIZE));
    return size;
}

inline bool is_blank(char c) {
    return c == ' ' || c == '\t';
}
inline bool is_digit(char c) {
    return c >= '0' && c <= '9';
}
// Characters that end a bare value: blanks, comma, slash and the end of the line.
inline bool ends_value(char c) {
    return c == ' ' || c == '\t' || c == ',' || c == '/' || c == '\n';
}
// Character classes for the scan loops: one table look-up instead of a chain of comparisons.
enum : unsigned char { other = 0, blank = 1, line_end = 2, comma = 3, slash = 4 };
constexpr auto char_classes = [] {
    std::array<unsigned char, 256> t{};
    t[' '] = blank;
    t['\t'] = blank;
    t['\n'] = line_end;
    t[','] = comma;
    t['/'] = slash;
    return t;
}();
inline unsigned char char_class(char c) {
    return char_classes[static_cast<unsigned char>(c)];
}
inline char lower(char c) {
    return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}

bool equals_nocase(const char* b, const char* e, const char* word) {
    const std::size_t n = std::strlen(word);
    if (static_cast<std::size_t>(e - b) != n) return false;
    for (std::size_t i = 0; i < n; ++i)
        if (lower(b[i]) != word[i]) return false;
    return true;
}

// One value of a free-format record. A bare value is the text [b, e); a quoted one has its
// quotes removed and doubled quotes made single in the scanner's quoted_ text, [b, e) then
// covering the raw text with its quotes (for messages). A null value leaves its target as it is.
struct Token {
    enum Type { Null, Bare, Quoted };
    Type type = Null;
    const char* b = nullptr;
    const char* e = nullptr;
};

// What the scanner found when asked for the next value.
enum class Step { Value, Null, Slash, End, Bad };

// Walks the list of values of one free-format read over the in-memory text. The text always ends
// with '\n', so every bare value ends at a separator before the end of the text, and it is
// followed by a NUL (the string's terminator, or the zero-filled rest of a mapped file's last
// page), which stops the unchecked scans of fast_run.
class ListScanner {
  public:
    ListScanner(const char* first, const char* last, std::size_t line, bool finite_only = false)
        : p_(first), end_(last), line_(line), finite_only_(finite_only) {}

    const char* position() const { return p_; }
    std::size_t line() const { return line_; }
    const std::string& quoted() const { return quoted_; }
    const std::string& problem() const { return problem_; }

    // Passes over blanks, tabs and line ends, then over one comma that ends the previous value.
    // Leaves p_ at the next value, at a comma that makes a null value, at a slash or at the end.
    void skip_separators() {
        for (;;) {
            while (p_ != end_ && (is_blank(*p_) || *p_ == '\n')) {
                if (*p_ == '\n') ++line_;
                ++p_;
            }
            if (p_ != end_ && *p_ == ',' && after_value_) {
                after_value_ = false;
                ++p_;
                continue;
            }
            return;
        }
    }

    // The common case of an array of numbers: takes values into v[0], v[1], ... as long as they
    // are plain numbers that std::from_chars reads whole (an optional '+' aside, common in
    // "+1.5E+000"), and returns how many it took. It stops, without taking it, at anything else:
    // a repeat, a null value, a slash, a rarer form of number, a bad value or the end of the text.
    // Relies on the text being followed by a NUL, which stops every scan.
    template <class T>
    std::size_t fast_run(T* v, std::size_t n) {
        if (pending_ > 0) return 0;
        const char* p = p_;
        std::size_t line = line_;
        bool after = after_value_;
        std::size_t i = 0;
        for (; i < n; ++i) {
            char c;
            for (;;) {  // blanks, line ends and one comma after a value
                c = *p;
                const unsigned char k = char_class(c);
                if (k == blank) {
                    ++p;
                } else if (k == line_end) {
                    ++line;
                    ++p;
                } else if (k == comma && after) {
                    after = false;
                    ++p;
                } else {
                    break;
                }
            }
            const char* b = c == '+' ? p + 1 : p;
            c = *b;
            if constexpr (std::is_same_v<T, integer>) {
                // Integers: at most 10 digits summed in 64 bits, then checked against the range.
                const bool negative = c == '-' && b == p;
                const char* q = b + (negative ? 1 : 0);
                const char* first_digit = q;
                std::int64_t x = 0;
                while (is_digit(*q) && q - first_digit < 10) x = x * 10 + (*q++ - '0');
                if (q == first_digit || char_class(*q) == other) break;  // also more than 10 digits
                if (negative) x = -x;
                if (x < std::numeric_limits<integer>::min() ||
                    x > std::numeric_limits<integer>::max())
                    break;
                v[i] = static_cast<integer>(x);
                p = q;
            } else {
                if (!(is_digit(c) || c == '.' || (c == '-' && b == p))) break;
                T x;
                const auto r = std::from_chars(b, end_, x);
                if (r.ec != std::errc() || char_class(*r.ptr) == other) break;
                if (finite_only_ && !std::isfinite(x)) break;  // refused on the slow path
                v[i] = x;
                p = r.ptr;
            }
            after = true;
        }
        p_ = p;
        line_ = line;
        after_value_ = after;
        return i;
    }

    // Copies of the last value still to come from its repeat count; dropped when counted.
    long long pending() const { return pending_; }
    void drop_pending() { pending_ = 0; }

    // The next value of the list, repeats included.
    Step next(Token& tok) {
        if (pending_ > 0) {
            --pending_;
            tok = pending_tok_;
            return tok.type == Token::Null ? Step::Null : Step::Value;
        }
        skip_separators();
        if (p_ == end_) return Step::End;
        const char c = *p_;
        if (c == ',') {  // a comma with no value before it
            ++p_;
            tok = Token{};
            return Step::Null;
        }
        if (c == '/') return Step::Slash;
        after_value_ = true;

        // r*v and r*: a repeat count is a run of digits directly followed by '*'.
        long long repeat = 1;
        const char* start = p_;
        const char* q = p_;
        while (q != end_ && is_digit(*q)) ++q;
        if (q != p_ && q != end_ && *q == '*') {
            repeat = 0;
            for (const char* d = p_; d != q; ++d) {
                repeat = repeat * 10 + (*d - '0');
                if (repeat > std::numeric_limits<integer>::max()) {
                    problem_ = "\"" + raw_text(start) + "\" has a repeat count out of range";
                    return Step::Bad;
                }
            }
            if (repeat == 0) {
                problem_ = "\"" + raw_text(start) + "\" has a zero repeat count";
                return Step::Bad;
            }
            p_ = q + 1;
            if (p_ == end_ || ends_value(*p_)) {  // r* : r null values
                tok = Token{};
                pending_ = repeat - 1;
                pending_tok_ = tok;
                return Step::Null;
            }
        }

        const Step s = (*p_ == '\'' || *p_ == '"') ? quoted_value(tok) : bare_value(tok);
        if (s == Step::Value && repeat > 1) {
            pending_ = repeat - 1;
            pending_tok_ = tok;
        }
        return s;
    }

  private:
    Step bare_value(Token& tok) {
        tok.type = Token::Bare;
        tok.b = p_;
        while (p_ != end_ && !ends_value(*p_)) ++p_;
        tok.e = p_;
        return Step::Value;
    }

    // A quoted text may go on over line ends, which are not part of it; a doubled quote stands
    // for one quote. It must be followed by a separator.
    Step quoted_value(Token& tok) {
        const char quote = *p_;
        tok.type = Token::Quoted;
        tok.b = p_;
        quoted_.clear();
        ++p_;
        for (;;) {
            if (p_ == end_) return Step::End;
            const char c = *p_++;
            if (c == '\n') {
                ++line_;
            } else if (c != quote) {
                quoted_.push_back(c);
            } else if (p_ != end_ && *p_ == quote) {
                quoted_.push_back(quote);
                ++p_;
            } else {
                break;
            }
        }
        tok.e = p_;
        if (p_ != end_ && !ends_value(*p_)) {
            while (p_ != end_ && !ends_value(*p_)) ++p_;
            problem_ = "\"" + std::string(tok.b, p_) + "\" has text after its closing quote";
            return Step::Bad;
        }
        return Step::Value;
    }

    // The bare text that starts at b, for messages.
    std::string raw_text(const char* b) const {
        const char* e = b;
        while (e != end_ && !ends_value(*e)) ++e;
        return std::string(b, e);
    }

    const char* p_;
    const char* end_;
    std::size_t line_;          // 1-based number of the line that holds p_
    bool finite_only_ = false;  // reals that are not finite end the fast path
    bool after_value_ = false;  // a value was just taken: one comma now only ends it
    long long pending_ = 0;     // copies of pending_tok_ still to hand out (r*v)
    Token pending_tok_;
    std::string quoted_;   // unquoted text of the last quoted value
    std::string problem_;  // description of a Bad step
};

// --- conversions of one value to the kind of its target; false when it does not fit ---

enum class Fit { Ok, Wrong, Range };

Fit to_integer(const char* b, const char* e, integer& v) {
    if (b != e && *b == '+') {
        ++b;
        if (b == e || !is_digit(*b)) return Fit::Wrong;
    }
    if (b == e) return Fit::Wrong;
    integer x;
    const auto r = std::from_chars(b, e, x);
    if (r.ec == std::errc::result_out_of_range) {
        // from_chars stops at the end of the digits even when they overflow
        return r.ptr == e ? Fit::Range : Fit::Wrong;
    }
    if (r.ec != std::errc() || r.ptr != e) return Fit::Wrong;
    v = x;
    return Fit::Ok;
}

// Reals: optional sign; digits with or without a decimal point (at least one digit); an optional
// exponent introduced by E, D or Q (either case) or by its own sign alone; or the words INF,
// INFINITY, NAN, NAN(...) in any case. Too large values become infinities, too small ones 0.
Fit to_real(const char* b, const char* e, real& v) {
    {
        real x;
        const auto r = std::from_chars(b, e, x);
        if (r.ec == std::errc() && r.ptr == e && (b == e || *b != '+')) {
            v = x;
            return Fit::Ok;
        }
    }
    const char* i = b;
    bool negative = false;
    if (i != e && (*i == '+' || *i == '-')) negative = (*i++ == '-');
    if (equals_nocase(i, e, "inf") || equals_nocase(i, e, "infinity")) {
        v = negative ? -std::numeric_limits<real>::infinity()
                     : std::numeric_limits<real>::infinity();
        return Fit::Ok;
    }
    if (e - i >= 3 && equals_nocase(i, i + 3, "nan")) {
        const char* t = i + 3;
        if (t == e || (*t == '(' && *(e - 1) == ')' &&
                       std::memchr(t, ')', static_cast<std::size_t>(e - t)) == e - 1)) {
            v = std::numeric_limits<real>::quiet_NaN();
            return Fit::Ok;
        }
        return Fit::Wrong;
    }
    // Normalised copy: sign, mantissa, 'e', exponent sign and digits (a NUL-terminated buffer on
    // the stack for all but absurdly long values).
    const std::size_t need = static_cast<std::size_t>(e - b) + 3;
    char small[64];
    std::string big;
    char* buf = small;
    if (need > sizeof small) {
        big.resize(need);
        buf = big.data();
    }
    std::size_t n = 0;
    if (negative) buf[n++] = '-';
    int digits = 0;
    while (i != e && is_digit(*i)) {
        buf[n++] = *i++;
        ++digits;
    }
    if (i != e && *i == '.') {
        buf[n++] = *i++;
        while (i != e && is_digit(*i)) {
            buf[n++] = *i++;
            ++digits;
        }
    }
    if (digits == 0) return Fit::Wrong;
    if (i != e) {
        const char c = lower(*i);
        if (c == 'e' || c == 'd' || c == 'q') {
            ++i;
        } else if (c != '+' && c != '-') {
            return Fit::Wrong;
        }
        buf[n++] = 'e';
        if (i != e && (*i == '+' || *i == '-')) buf[n++] = *i++;
        int exp_digits = 0;
        while (i != e && is_digit(*i)) {
            buf[n++] = *i++;
            ++exp_digits;
        }
        if (i != e || exp_digits == 0) return Fit::Wrong;
    }
    buf[n] = '\0';
    const auto r = std::from_chars(buf, buf + n, v);
    if (r.ec == std::errc() && r.ptr == buf + n) return Fit::Ok;
    // Out of range: strtod gives +-HUGE_VAL (infinity) on overflow and 0 or a subnormal on
    // underflow, as the value demands; the text has already been checked.
    v = std::strtod(buf, nullptr);
    return Fit::Ok;
}

// Logicals: T or .T (either case) and anything after it is true; F or .F false.
Fit to_logical(const char* b, const char* e, logical& v) {
    if (b != e && *b == '.') ++b;
    if (b == e) return Fit::Wrong;
    const char c = lower(*b);
    if (c == 't') {
        v = 1;
        return Fit::Ok;
    }
    if (c == 'f') {
        v = 0;
        return Fit::Ok;
    }
    return Fit::Wrong;
}

void store_name(std::string& s, const char* b, std::size_t len, int width) {
    const std::size_t w = width > 0 ? static_cast<std::size_t>(width) : 0;
    s.assign(b, len < w ? len : w);
    s.resize(w, ' ');
}

const char* kind_words(ReadTarget::Kind k) {
    switch (k) {
        case ReadTarget::Kind::Int:
            return "is not an integer";
        case ReadTarget::Kind::Real:
            return "is not a real number";
        case ReadTarget::Kind::Logical:
            return "is not a logical value";
        case ReadTarget::Kind::Name:
            return "is not a name";
    }
    return "";
}

}  // namespace

// ------------------------------------------------------------------------------------------------

DeckFile::DeckFile(const std::string& path) : path_(path) {
    const int fd = ::open(path.c_str(), O_RDONLY);
    if (fd < 0) fail_runtime("cannot open input file " + path);
    struct stat st {};
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        ::close(fd);
        fail_runtime("cannot read input file " + path);
    }
    const std::size_t size = static_cast<std::size_t>(st.st_size);
    // Large decks are mapped rather than copied; a file whose lines end in CR LF, or whose last
    // line has no line feed, is read into memory and mended there instead. The scans rely on a
    // NUL after the text: a mapping provides it in the zero-filled rest of its last page, so a
    // file that fills its last page exactly is read into memory too.
    if (size > 0 && size % page_size() != 0) {
        void* p = ::mmap(nullptr, size, PROT_READ, MAP_PRIVATE, fd, 0);
        if (p != MAP_FAILED) {
            const char* c = static_cast<const char*>(p);
            bool plain = c[size - 1] == '\n';
            for (std::size_t at = 0; plain && at < size; at += release_step) {
                const std::size_t len = std::min(release_step, size - at);
                plain = std::memchr(c + at, '\r', len) == nullptr;
                ::madvise(p, at + len - (at + len) % page_size(), MADV_DONTNEED);
            }
            if (plain) {
                map_ = p;
                map_len_ = size;
                text_ = std::string_view(c, size);
                ::close(fd);
                return;
            }
            ::munmap(p, size);
        }
    }
    std::unique_ptr<std::FILE, int (*)(std::FILE*)> f(::fdopen(fd, "rb"), &std::fclose);
    if (!f) {
        ::close(fd);
        fail_runtime("cannot read input file " + path);
    }
    owned_.reserve(size + 1);
    char chunk[1 << 16];
    for (;;) {
        const std::size_t got = std::fread(chunk, 1, sizeof chunk, f.get());
        owned_.append(chunk, got);
        if (got < sizeof chunk) break;
    }
    if (std::ferror(f.get())) fail_runtime("cannot read input file " + path);
    normalise_line_ends();
}

DeckFile::~DeckFile() {
    if (map_ != nullptr) ::munmap(map_, map_len_);
}

DeckFile::DeckFile(DeckFile&& o) noexcept
    : path_(std::move(o.path_)),
      owned_(std::move(o.owned_)),
      map_(o.map_),
      map_len_(o.map_len_),
      released_(o.released_),
      pos_(o.pos_),
      line_no_(o.line_no_),
      keywords_(std::move(o.keywords_)),
      keywords_found_(o.keywords_found_),
      message_(std::move(o.message_)),
      finite_only_(o.finite_only_) {
    text_ = map_ != nullptr ? o.text_ : std::string_view(owned_);
    o.map_ = nullptr;
    o.text_ = {};
}

DeckFile& DeckFile::operator=(DeckFile&& o) noexcept {
    if (this != &o) {
        if (map_ != nullptr) ::munmap(map_, map_len_);
        path_ = std::move(o.path_);
        owned_ = std::move(o.owned_);
        map_ = o.map_;
        map_len_ = o.map_len_;
        released_ = o.released_;
        pos_ = o.pos_;
        line_no_ = o.line_no_;
        keywords_ = std::move(o.keywords_);
        keywords_found_ = o.keywords_found_;
        message_ = std::move(o.message_);
        finite_only_ = o.finite_only_;
        text_ = map_ != nullptr ? o.text_ : std::string_view(owned_);
        o.map_ = nullptr;
        o.text_ = {};
    }
    return *this;
}

void DeckFile::release_before(std::size_t offset) {
    const std::size_t end = offset - offset % page_size();
    if (map_ == nullptr || end <= released_) return;
    ::madvise(map_, end, MADV_DONTNEED);
    released_ = end;
}

DeckFile DeckFile::from_text(std::string name, std::string text) {
    DeckFile d;
    d.path_ = std::move(name);
    d.owned_ = std::move(text);
    d.normalise_line_ends();
    return d;
}

void DeckFile::normalise_line_ends() {
    if (!owned_.empty() && owned_.back() != '\n') owned_.push_back('\n');
    if (std::memchr(owned_.data(), '\r', owned_.size()) != nullptr) {
        std::size_t out = 0;
        for (std::size_t i = 0; i < owned_.size(); ++i) {
            // a carriage return that only blanks separate from the line feed ends the line too
            if (owned_[i] == '\r') {
                std::size_t j = i + 1;
                while (j < owned_.size() && is_blank(owned_[j])) ++j;
                if (j < owned_.size() && owned_[j] == '\n') continue;
            }
            owned_[out++] = owned_[i];
        }
        owned_.resize(out);
    }
    text_ = owned_;
}

bool DeckFile::read_line(std::string_view& line) {
    if (pos_ >= text_.size()) return false;
    const std::size_t nl = text_.find('\n', pos_);  // present: every line ends with '\n'
    line = text_.substr(pos_, nl - pos_);
    pos_ = nl + 1;
    ++line_no_;
    keep_resident_window();
    return true;
}

bool DeckFile::read_record120(std::string& record) {
    std::string_view line;
    if (!read_line(line)) return false;
    record.assign(line.substr(0, record_length));
    record.resize(record_length, ' ');
    return true;
}

ReadStatus DeckFile::fail_status(ReadStatus status, std::string message) {
    not_finite_ = false;
    message_ = std::move(message);
    return status;
}

ReadStatus DeckFile::try_read(std::initializer_list<ReadTarget> targets) {
    return try_read(std::span<const ReadTarget>(targets.begin(), targets.size()));
}

void DeckFile::read(std::initializer_list<ReadTarget> targets) {
    read(std::span<const ReadTarget>(targets.begin(), targets.size()));
}

void DeckFile::read(std::span<const ReadTarget> targets) {
    if (try_read(targets) == ReadStatus::Ok) return;
    // a number that reads but is not finite is a wrong value of the deck, not an unreadable one
    if (not_finite_) {
        say({message_});
        stop_run();
    }
    fail_runtime(message_);
}

void DeckFile::set_section(std::string_view line) {
    const std::size_t end = line.find_last_not_of(" \t\r");
    section_.assign(line.substr(0, end == std::string_view::npos ? 0 : end + 1));
}

ReadStatus DeckFile::try_read(std::span<const ReadTarget> targets) {
    std::size_t total = 0;
    for (const ReadTarget& t : targets) total += t.n;

    // A read without values uses up one line.
    if (total == 0) {
        if (pos_ >= text_.size())
            return fail_status(ReadStatus::EndOfFile,
                               path_ + ": end of file while reading values (after line " +
                                   std::to_string(line_no_) + ")");
        pos_ = text_.find('\n', pos_) + 1;
        ++line_no_;
        return ReadStatus::Ok;
    }

    const char* const text = text_.data();
    ListScanner sc(text + pos_, text + text_.size(), line_no_ + 1, finite_only_);
    std::size_t done = 0;            // values of the targets before the current one
    std::size_t done_in_target = 0;  // values taken in the current target (null values included)
    Token tok;

    auto bad_value = [&](const std::string& what) {
        return fail_status(ReadStatus::BadValue,
                           path_ + ", line " + std::to_string(sc.line()) + ": " + what);
    };
    auto end_of_file = [&]() {
        return fail_status(ReadStatus::EndOfFile, path_ + ": end of file while reading value " +
                                                      std::to_string(done + done_in_target + 1) +
                                                      " of " + std::to_string(total) +
                                                      " (the read began on line " +
                                                      std::to_string(line_no_ + 1) + ")");
    };

    bool slash = false;
    for (const ReadTarget& t : targets) {
        for (std::size_t i = 0; i < t.n && !slash; ++i) {
            // 1 - the fast path for runs of plain numbers
            if (t.kind == ReadTarget::Kind::Real)
                i += sc.fast_run(static_cast<real*>(t.p) + i, t.n - i);
            else if (t.kind == ReadTarget::Kind::Int)
                i += sc.fast_run(static_cast<integer*>(t.p) + i, t.n - i);
            done_in_target = i;
            if (i == t.n) break;
            // 2 - anything else: separators, repeats, null values, slash, quoted texts
            const Step s = sc.next(tok);
            if (s == Step::End) return end_of_file();
            if (s == Step::Bad) return bad_value(sc.problem());
            if (s == Step::Slash) {
                slash = true;
                break;
            }
            if (s == Step::Null) continue;

            // 3 - convert the value to the target's kind
            if (t.kind == ReadTarget::Kind::Name) {
                auto& name = static_cast<std::string*>(t.p)[i];
                if (tok.type == Token::Quoted)
                    store_name(name, sc.quoted().data(), sc.quoted().size(), t.width);
                else
                    store_name(name, tok.b, static_cast<std::size_t>(tok.e - tok.b), t.width);
                continue;
            }
            Fit fit = Fit::Wrong;
            if (tok.type == Token::Bare) {
                switch (t.kind) {
                    case ReadTarget::Kind::Int:
                        fit = to_integer(tok.b, tok.e, static_cast<integer*>(t.p)[i]);
                        break;
                    case ReadTarget::Kind::Real:
                        fit = to_real(tok.b, tok.e, static_cast<real*>(t.p)[i]);
                        break;
                    case ReadTarget::Kind::Logical:
                        fit = to_logical(tok.b, tok.e, static_cast<logical*>(t.p)[i]);
                        break;
                    case ReadTarget::Kind::Name:
                        break;
                }
            }
            if (fit == Fit::Ok && finite_only_ && t.kind == ReadTarget::Kind::Real &&
                !std::isfinite(static_cast<real*>(t.p)[i])) {
                const std::string where = section_.empty() ? path_ : path_ + ", " + section_;
                fail_status(ReadStatus::BadValue, where + ", line " + std::to_string(sc.line()) +
                                                      ": \"" + std::string(tok.b, tok.e) +
                                                      "\" is not a finite number");
                not_finite_ = true;
                return ReadStatus::BadValue;
            }
            if (fit != Fit::Ok)
                return bad_value(
                    "\"" + std::string(tok.b, tok.e) + "\" " +
                    (fit == Fit::Range ? "is out of the integer range" : kind_words(t.kind)));
        }
        if (slash) break;
        done += t.n;
        done_in_target = 0;
    }

    // Whatever follows the last value on its line is passed over; the next read starts on the
    // next line.
    const std::size_t at = static_cast<std::size_t>(sc.position() - text);
    const std::size_t nl = text_.find('\n', at);
    pos_ = nl == std::string::npos ? text_.size() : nl + 1;
    line_no_ = sc.line();
    keep_resident_window();
    return ReadStatus::Ok;
}

bool DeckFile::can_supply(std::size_t values, bool from_top) const {
    const std::size_t from = from_top ? 0 : pos_;
    // A value takes at least one character: a null value may be a lone comma. Only repeat counts
    // (r*v, r*) give more values than characters, so a shorter count needs no closer look.
    if (values <= text_.size() - from) return true;
    ListScanner sc(text_.data() + from, text_.data() + text_.size(), 1);
    Token tok;
    std::size_t found = 0;
    while (found < values) {
        // a slash completes a read, leaving the values not given as they stand
        const Step s = sc.next(tok);
        if (s == Step::Slash) return true;
        if (s == Step::End) return false;
        if (s == Step::Bad) return true;  // left to the read itself to report
        const auto more = static_cast<std::size_t>(sc.pending());
        found += (more < values ? more : values) + 1;
        sc.drop_pending();
    }
    return true;
}

std::size_t DeckFile::next_keyword_offset(std::size_t offset) const {
    while (offset < text_.size() && text_[offset] != '*')
        offset = text_.find('\n', offset) + 1;  // every line ends with '\n'
    return std::min(offset, text_.size());
}

bool DeckFile::first_unread_line(std::string_view& line, std::size_t& number) const {
    const std::size_t end = next_keyword_offset(pos_);
    std::size_t at = pos_;
    for (std::size_t n = line_no_ + 1; at < end; ++n) {
        const std::size_t nl = text_.find('\n', at);
        const std::string_view l = text_.substr(at, nl - at);
        if (l.find_first_not_of(" \t\r") != std::string_view::npos) {
            line = l;
            number = n;
            return true;
        }
        at = nl + 1;
    }
    return false;
}

std::size_t DeckFile::values_before_next_keyword() const {
    const std::size_t end = next_keyword_offset(pos_);
    ListScanner sc(text_.data() + pos_, text_.data() + end, 1);
    Token tok;
    std::size_t found = 0;
    for (;;) {
        const Step s = sc.next(tok);
        if (s == Step::End || s == Step::Bad) return found;
        if (s == Step::Slash) {  // a slash is not a value: count what follows it
            sc = ListScanner(sc.position() + 1, text_.data() + end, 1);
            continue;
        }
        found += static_cast<std::size_t>(sc.pending()) + 1;
        sc.drop_pending();
    }
}

void DeckFile::find_keyword_lines() {
    // One pass over the text in steps, so that a mapped deck keeps only a window resident.
    const char* const text = text_.data();
    const std::size_t size = text_.size();
    std::size_t at = 0, line = 1;  // at: start of the part not yet scanned, on line `line`
    while (at < size) {
        if (text[at] == '*' && (at == 0 || text[at - 1] == '\n')) keywords_.push_back({at, line});
        const std::size_t end = std::min(size, at + release_step);
        const void* star = std::memchr(text + at + 1, '*', end - at - 1);  // end > at
        const std::size_t next =
            star ? static_cast<std::size_t>(static_cast<const char*>(star) - text) : end;
        line += count_line_ends(text + at, text + next);
        at = next;
        if (map_ != nullptr && at >= released_ + release_step) release_before(at);
    }
    keywords_found_ = true;
}

bool DeckFile::next_keyword_line(std::string_view& line) {
    if (!keywords_found_) find_keyword_lines();
    const auto k = std::lower_bound(
        keywords_.begin(), keywords_.end(), pos_,
        [](const KeywordLine& a, std::size_t offset) { return a.offset < offset; });
    if (k == keywords_.end()) {
        line_no_ += count_line_ends(text_.data() + pos_, text_.data() + text_.size());
        pos_ = text_.size();
        return false;
    }
    pos_ = k->offset;
    line_no_ = k->line - 1;
    return read_line(line);
}

int ifindstringinfile(std::string_view key, DeckFile& file) {
    std::size_t len = key.size();
    while (len > 0 && key[len - 1] == ' ') --len;
    // A key longer than a record can never match; a shorter line is taken as padded with blanks.
    if (len <= record_length) {
        const std::string_view k = key.substr(0, len);
        std::string_view line;
        while (file.next_keyword_line(line)) {
            const std::string_view head = line.substr(0, len);
            if (head == k.substr(0, head.size()) &&
                k.find_first_not_of(' ', head.size()) == std::string_view::npos) {
                file.set_section(line);
                return 0;
            }
        }
    }
    file.rewind();
    return -1;
}

}  // namespace vetrix
