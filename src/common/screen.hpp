// The screen writer: every line meant for the screen passes here; the log-file request of the
// control file switches it to a file for the rest of the run, and tests capture it in a string.
#pragma once

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
    // Sends every line to *sink (appended) until capture(nullptr) returns to the standard output.
    void capture(std::string* sink);
    bool redirected() const { return file_ != nullptr; }

    void flush();

private:
    std::FILE* file_ = nullptr;  // log file when redirected
    std::string* sink_ = nullptr;
};

// The one screen of the process.
Screen& screen();

}  // namespace vetrix
