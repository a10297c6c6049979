// The reason an orderly stop carries, and whole-file replacement through a link or failing.
#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "common/replace_file.hpp"
#include "common/screen.hpp"
#include "common/stops.hpp"

namespace vetrix {
namespace {

namespace fs = std::filesystem;

TEST(StopRun, ReasonIsTheGivenTextOrTheLastMessageLine) {
    struct Case {
        std::vector<std::string> lines;  // written on the screen before the stop
        std::string reason;              // given to stop_run
        std::string expected;
    };
    const Case cases[] = {
        {{" Reading Data", " NOT CONVERGED IN           2 ITERATIONS"}, "",
         "NOT CONVERGED IN 2 ITERATIONS"},
        {{" *COORDINATES      ", "   ", ""}, "", "*COORDINATES"},  // blank lines pass
        {{" first\n second  line\n"}, "", "second line"},         // several lines at once
        {{" NOT FOUND"}, "*TimeStep NOT FOUND", "*TimeStep NOT FOUND"},
        {{std::string(500, 'x')}, "", std::string(240, 'x')},     // kept in bounded storage
    };
    std::string sink;
    screen().capture(&sink);
    for (const Case& c : cases) {
        for (const std::string& l : c.lines) screen().line(l);
        try {
            stop_run(c.reason);
        } catch (const OrderlyStop& stop) {
            EXPECT_EQ(stop.reason, c.expected);
        }
    }
    screen().capture(nullptr);
}

std::string slurp(const fs::path& path) {
    std::ostringstream s;
    s << std::ifstream(path, std::ios::binary).rdbuf();
    return s.str();
}

TEST(ReplaceFile, KeepsLinksAndLeavesNoTemporaryFileOnFailure) {
    const fs::path dir = fs::temp_directory_path() / ("vetrix_replace_" + std::to_string(::getpid()));
    fs::remove_all(dir);
    fs::create_directories(dir / "data");
    const std::string target = (dir / "data" / "f.txt").string();
    const std::string link = (dir / "f.txt").string();
    std::ofstream(target) << "old\n";
    fs::create_symlink(target, link);
    std::string error;
    ASSERT_TRUE(replace_file(link, "new\n", error)) << error;
    EXPECT_TRUE(fs::is_symlink(link));
    EXPECT_EQ(slurp(target), "new\n");
    // a folder in the way of the rename: nothing replaced, no temporary file left
    fs::create_directory(dir / "data" / "g.txt");
    EXPECT_FALSE(replace_file((dir / "data" / "g.txt").string(), "text", error));
    EXPECT_FALSE(error.empty());
    std::vector<std::string> left;
    for (const auto& f : fs::directory_iterator(dir / "data")) left.push_back(f.path().filename());
    std::sort(left.begin(), left.end());
    EXPECT_EQ(left, (std::vector<std::string>{"f.txt", "g.txt"}));
    fs::remove_all(dir);
}

}  // namespace
}  // namespace vetrix
