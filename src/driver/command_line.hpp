// parse_command_line, usage_text, version_text, enter_case_folder: what the user asked for on the
// command line, and the answers that need no deck.
#pragma once

#include <optional>
#include <string>
#include <vector>

namespace vetrix {

enum class Command {
    run,          // read the decks and solve (no arguments: the working folder)
    check,        // read the decks and set up, then stop before any output; no file written
    help,         // print the usage text
    version,      // print the version and the BLAS library of the build
    usage_error,  // an argument that means nothing: one line on standard error, status 2
};

struct CommandLine {
    Command command = Command::run;
    std::string folder;  // case folder to run in; empty: the working folder
    std::string error;   // usage_error: the message, without the program name
    // Options beginning with a single '-' (and the value after each, when it does not begin
    // with '-') kept for a library that reads its own options; filled only when asked for.
    std::vector<std::string> library_options;
};

// Reads argv[1..argc-1]. "--help"/"-h" win over everything else that is valid, then "--version";
// "--check" selects the check; one argument not beginning with '-' (or any after "--") is the
// case folder. With pass_single_dash, an argument beginning with a single '-' other than "-h" is
// not ours: it and its value go to library_options; without it such an argument is an error.
CommandLine parse_command_line(int argc, const char* const* argv, bool pass_single_dash = false);

// The text --help prints.
std::string usage_text();
// The text --version prints: the version of the build and the BLAS it was linked with.
std::string version_text();

// Makes folder the working folder. Returns an empty string, or the one-line reason why not.
std::string enter_case_folder(const std::string& folder);

// Everything before the decks: prints the help or version text (standard output) or the usage
// error (standard error) and returns the exit status, or enters the case folder and returns
// nothing when the decks are to be read; a folder that cannot be entered is a usage error.
std::optional<int> answer_command_line(const CommandLine& c);

}  // namespace vetrix
