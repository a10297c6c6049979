// Test support: runs code inside a scratch copy of a deck folder with the screen captured.
#pragma once

#include <unistd.h>

#include <filesystem>
#include <string>

#include "common/screen.hpp"

namespace vetrix::testing {

class DeckRun {
public:
    // folder: a path relative to the tests folder, e.g. "decks/solver_values".
    explicit DeckRun(const std::string& folder) {
        namespace fs = std::filesystem;
        dir_ = fs::temp_directory_path() /
               ("vetrix_test_" + std::to_string(::getpid()) + "_" + std::to_string(counter()++));
        fs::remove_all(dir_);
        fs::create_directories(dir_);
        for (const auto& f : fs::directory_iterator(fs::path(VETRIX_TEST_DATA) / folder))
            if (f.is_regular_file()) fs::copy_file(f.path(), dir_ / f.path().filename());
        old_ = fs::current_path();
        fs::current_path(dir_);
        screen().capture(&text);
    }
    ~DeckRun() {
        screen().capture(nullptr);
        std::filesystem::current_path(old_);
        std::filesystem::remove_all(dir_);
    }
    DeckRun(const DeckRun&) = delete;
    DeckRun& operator=(const DeckRun&) = delete;

    std::string text;  // everything written to the screen meanwhile

private:
    static int& counter() {
        static int n = 0;
        return n;
    }
    std::filesystem::path dir_, old_;
};

}  // namespace vetrix::testing
