// Screen: line output to standard output, a log file or a test string.
#include "screen.hpp"

namespace vetrix {

Screen::Screen() = default;

Screen::~Screen() {
    flush();
    if (file_) std::fclose(file_);
}

void Screen::raw(std::string_view text) {
    if (sink_) {
        sink_->append(text);
        return;
    }
    std::FILE* f = file_ ? file_ : stdout;
    std::fwrite(text.data(), 1, text.size(), f);
}

void Screen::line(std::string_view text) {
    if (sink_) {
        sink_->append(text);
        sink_->push_back('\n');
        return;
    }
    std::FILE* f = file_ ? file_ : stdout;
    std::fwrite(text.data(), 1, text.size(), f);
    std::fputc('\n', f);
}

bool Screen::redirect_to_file(const std::string& path) {
    std::FILE* f = std::fopen(path.c_str(), "w");
    if (!f) return false;
    std::fflush(stdout);
    if (file_) std::fclose(file_);
    file_ = f;
    return true;
}

void Screen::capture(std::string* sink) { sink_ = sink; }

void Screen::flush() {
    if (file_) std::fflush(file_);
    std::fflush(stdout);
}

Screen& screen() {
    static Screen s;
    return s;
}

}  // namespace vetrix
