// Command line: what each argument list asks for, with and without single-dash options kept for a
// library. Entering the case folder and the statuses are run by scripts/deck_check.sh.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "driver/command_line.hpp"

namespace vetrix {
namespace {

struct Row {
    std::vector<const char*> args;  // after the program name
    bool pass_single_dash;
    Command command;
    std::string folder;
    std::string error;  // usage_error: part of the message
    std::vector<std::string> library_options;
};

TEST(CommandLine, WhatEachArgumentListAsksFor) {
    const Row rows[] = {
        {{}, false, Command::run, "", "", {}},
        {{"case"}, false, Command::run, "case", "", {}},
        {{"case", "--check"}, false, Command::check, "case", "", {}},
        {{"--check", "--version"}, false, Command::version, "", "", {}},
        {{"--version", "-h"}, false, Command::help, "", "", {}},
        {{"--", "-case"}, false, Command::run, "-case", "", {}},
        {{"--help", "--bogus"}, false, Command::usage_error, "", "'--bogus'", {}},
        {{"-"}, false, Command::usage_error, "", "'-'", {}},
        {{"-ksp_type", "cg"}, false, Command::usage_error, "", "'-ksp_type'", {}},
        {{"a", "b"}, false, Command::usage_error, "", "'a' and 'b'", {}},
        {{""}, false, Command::usage_error, "", "empty", {}},
        // a library's options and their values pass; "-h" and "--" options stay ours
        {{"case", "-ksp_type", "cg", "-log_view", "--check"},
         true,
         Command::check,
         "case",
         "",
         {"-ksp_type", "cg", "-log_view"}},
        {{"-h", "-pc_type", "-x"}, true, Command::help, "", "", {"-pc_type", "-x"}},
    };
    for (const Row& r : rows) {
        std::vector<const char*> argv = {"vetrix"};
        argv.insert(argv.end(), r.args.begin(), r.args.end());
        const CommandLine c =
            parse_command_line(static_cast<int>(argv.size()), argv.data(), r.pass_single_dash);
        const std::string label = r.args.empty() ? "(none)" : r.args[0];
        EXPECT_EQ(c.command, r.command) << label;
        EXPECT_EQ(c.folder, r.folder) << label;
        EXPECT_EQ(c.library_options, r.library_options) << label;
        if (r.error.empty())
            EXPECT_EQ(c.error, "") << label;
        else
            EXPECT_NE(c.error.find(r.error), std::string::npos) << c.error;
    }
}

}  // namespace
}  // namespace vetrix
