// Screen: line output to standard output, a log file or a test string.
#include "screen.hpp"

#include <algorithm>

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

void Screen::remember(std::string_view text) {
    while (!text.empty()) {
        const std::size_t end = std::min(text.find('\n'), text.size());
        const std::string_view one = text.substr(0, end);
        text.remove_prefix(std::min(end + 1, text.size()));
        if (one.find_first_not_of(' ') == std::string_view::npos) continue;
        last_length_ = 0;
        bool blank = false;
        for (const char c : one) {
            if (c == ' ') {
                blank = last_length_ > 0;
                continue;
            }
            if (last_length_ + (blank ? 2 : 1) > last_.size()) break;
            if (blank) last_[last_length_++] = ' ';
            last_[last_length_++] = c;
            blank = false;
        }
    }
}

void Screen::line(std::string_view text) {
    remember(text);
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
    log_path_ = path;
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
