// The screen writer: every line meant for the screen passes here; the log-file request of the
// control file switches it to a file for the rest of the run, and tests capture it in a string.
#pragma once

#include <array>
#include <cstdio>
#include <string>
#include <string_view>

namespace vetrix {

class Screen {
public:
    Screen();
    ~Screen();
    Screen(const Screen&) = delete;
    Screen& operator=(const Screen&) = delete;

    // Writes text followed by an end of line. Text holding '\n' writes several lines.
    void line(std::string_view text);
    // Writes text as it is (the caller supplies the ends of line).
    void raw(std::string_view text);

    // From now on every line goes to the named file, created or rewritten from its start.
    // Returns false when the file cannot be opened (the screen stays as it was).
    bool redirect_to_file(const std::string& path);
    // The log file name given to redirect_to_file (empty while the screen is not redirected).
    const std::string& log_path() const { return log_path_; }
    // The last line written with line() that holds more than blanks, its blank runs made one
    // blank and its ends trimmed (a stop names its reason with it).
    std::string last_message() const { return std::string(last_.data(), last_length_); }
    // Sends every line to *sink (appended) until capture(nullptr) returns to the standard output.
    void capture(std::string* sink);
    bool redirected() const { return file_ != nullptr; }

    void flush();

private:
    void remember(std::string_view text);

    std::FILE* file_ = nullptr;  // log file when redirected
    std::string log_path_;
    std::string* sink_ = nullptr;
    // last message line, kept in fixed storage so that writing a line never allocates
    std::array<char, 240> last_{};
    std::size_t last_length_ = 0;
};

// The one screen of the process.
Screen& screen();

}  // namespace vetrix
