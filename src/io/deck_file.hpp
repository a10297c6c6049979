// Input decks: an open text file with the keyword search (ifindstringinfile) and the free-format
// (list-directed) read that every input file of the solver shares.
#pragma once

#include <cstddef>
#include <initializer_list>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "common/types.hpp"
#include "common/views.hpp"

namespace vetrix {

// One destination of a free-format read: a single value or a run of values of one kind.
struct ReadTarget {
    enum class Kind { Int, Real, Logical, Name };
    Kind kind;
    void* p;            // integer*, real*, logical* or std::string*
    std::size_t n = 1;  // number of values
    int width = 0;      // field width of a name (cut or padded with blanks to it)

    ReadTarget(integer& v) : kind(Kind::Int), p(&v) {}
    ReadTarget(real& v) : kind(Kind::Real), p(&v) {}
    ReadTarget(std::span<integer> v) : kind(Kind::Int), p(v.data()), n(v.size()) {}
    ReadTarget(std::span<real> v) : kind(Kind::Real), p(v.data()), n(v.size()) {}
    ReadTarget(F1<integer> v)
        : kind(Kind::Int), p(v.data()), n(static_cast<std::size_t>(v.size())) {}
    ReadTarget(F1<real> v) : kind(Kind::Real), p(v.data()), n(static_cast<std::size_t>(v.size())) {}
    // Logical values: T, F, .TRUE., .FALSE. (anything that begins with T, .T, F or .F). The type
    // logical is the type integer, so a logical target must be made with these two functions.
    static ReadTarget logical(vetrix::logical& v) { return ReadTarget(Kind::Logical, &v, 1, 0); }
    static ReadTarget logicals(std::span<vetrix::logical> v) {
        return ReadTarget(Kind::Logical, v.data(), v.size(), 0);
    }
    // Names: bare or quoted; the stored text is cut or padded with blanks to width characters.
    static ReadTarget name(std::string& s, int width) {
        return ReadTarget(Kind::Name, &s, 1, width);
    }
    static ReadTarget names(std::span<std::string> s, int width) {
        return ReadTarget(Kind::Name, s.data(), s.size(), width);
    }

  private:
    ReadTarget(Kind k, void* q, std::size_t count, int w) : kind(k), p(q), n(count), width(w) {}
};

enum class ReadStatus { Ok, EndOfFile, BadValue };

class DeckFile {
  public:
    // Opens an existing file and takes its whole text. A missing or unreadable file is a runtime
    // failure whose message names the file.
    explicit DeckFile(const std::string& path);
    // A deck held in memory under a name used in messages (generated decks, tests).
    static DeckFile from_text(std::string name, std::string text);

    const std::string& path() const { return path_; }
    ~DeckFile();
    DeckFile(DeckFile&& other) noexcept;
    DeckFile& operator=(DeckFile&& other) noexcept;
    DeckFile(const DeckFile&) = delete;
    DeckFile& operator=(const DeckFile&) = delete;

    // Back to the first line.
    void rewind() {
        pos_ = 0;
        line_no_ = 0;
        released_ = 0;
    }
    // Reads the next line as a 120-character record: a longer line is cut, a shorter one padded
    // with blanks. Returns false at the end of the file.
    bool read_record120(std::string& record);
    // The next line as it stands (no line end), valid while the file lives. False at the end.
    bool read_line(std::string_view& line);
    // The next keyword line (first character '*') from the current line on, consumed like
    // read_line; false, with the file at its end, when there is none. Lines without '*' are
    // passed over without being split one by one.
    bool next_keyword_line(std::string_view& line);

    // One free-format read into the targets, in order. It starts at the current line, continues
    // over as many lines as the values need and leaves the file at the line after the last line
    // it used; a read with no values uses up one line. A slash ends the read, leaving the values
    // not yet taken as they were; an empty value (two commas, or r*) leaves its value unchanged.
    // A value that does not fit its kind or an end of file before the list is complete is a
    // runtime failure naming the file, the line and the value.
    void read(std::initializer_list<ReadTarget> targets);
    void read(std::span<const ReadTarget> targets);
    // The same read reporting the failure as a status; on failure message() describes it.
    ReadStatus try_read(std::initializer_list<ReadTarget> targets);
    ReadStatus try_read(std::span<const ReadTarget> targets);
    const std::string& message() const { return message_; }

    // Reals that are not finite (INF, NAN, or too large for a double) are refused from now on as
    // values that do not fit their kind: input decks of a run must hold finite numbers.
    // Such a value ends the run in order: read() prints the message and stops, try_read()
    // returns BadValue.
    void require_finite_reals() { finite_only_ = true; }

    // The keyword line last found by ifindstringinfile (its text up to the trailing blanks),
    // named in messages about the values of its section.
    const std::string& section() const { return section_; }
    void set_section(std::string_view line);

    // Whether the file from the current line on (from_top: the whole file) holds at least
    // `values` values for a read, counting repeats (a slash completes any read); a count declared
    // in a deck is checked with it before storage is sized for it.
    bool can_supply(std::size_t values, bool from_top = false) const;
    // The first line from the current line up to the next keyword line that holds more than
    // blanks: its text and 1-based number. False when there is none.
    bool first_unread_line(std::string_view& line, std::size_t& number) const;
    // Number of values from the current line up to the next keyword line (repeats counted).
    std::size_t values_before_next_keyword() const;

    // 1-based number of the last line consumed (0 before the first); used in messages.
    std::size_t line_number() const { return line_no_; }
    // True when every line has been consumed.
    bool at_end() const { return pos_ >= text_.size(); }

  private:
    DeckFile() = default;
    // Drops the carriage return of every CR LF pair and ends the last line with a line feed, so
    // that every line of text_ ends with '\n'.
    void normalise_line_ends();
    ReadStatus fail_status(ReadStatus status, std::string message);

    // A mapped file keeps only a window of its text resident: the pages behind the reading
    // position are handed back to the system as the position moves on (they are read again
    // from the file cache when a later keyword search starts from the top).
    void release_before(std::size_t offset);
    void keep_resident_window() {
        if (map_ != nullptr && pos_ >= released_ + release_step) release_before(pos_);
    }
    static constexpr std::size_t release_step = std::size_t{4} << 20;

    std::string path_;
    std::string owned_;       // the text when it is held in memory (not mapped)
    std::string_view text_;   // the whole file: the mapping or owned_
    void* map_ = nullptr;     // read-only private mapping of the file, when mapped
    std::size_t map_len_ = 0;
    std::size_t released_ = 0;  // pages below this offset have been handed back
    std::size_t pos_ = 0;  // offset of the next line in text_
    std::size_t line_no_ = 0;
    // Keyword lines of the whole text (offset of each line that opens with '*', and its 1-based
    // line number), found by one pass at the first search: later searches start from the top
    // again and again, and would otherwise pass over all the values each time.
    struct KeywordLine {
        std::size_t offset, line;
    };
    std::vector<KeywordLine> keywords_;
    bool keywords_found_ = false;
    void find_keyword_lines();
    // Offset of the next line that opens with '*' from offset on (the text's size when none).
    std::size_t next_keyword_offset(std::size_t offset) const;
    std::string message_;
    std::string section_;
    bool finite_only_ = false;
    bool not_finite_ = false;  // the last failed read met a value that is not finite
};

// Searches forward from the file's current line for a keyword line (first character "*") whose
// first L characters equal the key, L being the key's length without trailing blanks; lines are
// taken as 120 characters. Returns 0 when found, the file standing at the line after the keyword
// line; otherwise rewinds the file and returns a nonzero status.
int ifindstringinfile(std::string_view key, DeckFile& file);

}  // namespace vetrix
