// parse_command_line, usage_text, version_text, enter_case_folder: the command line.
#include "driver/command_line.hpp"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <string_view>

// Set by the build for this file alone: the project version, the BLAS libraries it linked (each
// with the file it resolves to) and the source tree that holds the guide.
#ifndef VETRIX_VERSION
#define VETRIX_VERSION "unknown"
#endif
#ifndef VETRIX_BLAS_LIBRARIES
#define VETRIX_BLAS_LIBRARIES "unknown"
#endif
#ifndef VETRIX_SOURCE_DIR
#define VETRIX_SOURCE_DIR "the source tree"
#endif

namespace vetrix {

namespace {

CommandLine refuse(std::string message) {
    CommandLine c;
    c.command = Command::usage_error;
    c.error = std::move(message);
    return c;
}

std::string quoted(std::string_view s) {
    return "'" + std::string(s) + "'";
}

}  // namespace

CommandLine parse_command_line(int argc, const char* const* argv, bool pass_single_dash) {
    CommandLine c;
    bool help = false, version = false, check = false, options_end = false, have_folder = false;
    for (int i = 1; i < argc; ++i) {
        const std::string_view a = argv[i];
        if (!options_end && !a.empty() && a[0] == '-') {
            if (a == "--") {
                options_end = true;
            } else if (a == "--help" || a == "-h") {
                help = true;
            } else if (a == "--version") {
                version = true;
            } else if (a == "--check") {
                check = true;
            } else if (pass_single_dash && a.size() > 1 && a[1] != '-') {
                c.library_options.emplace_back(a);
                if (i + 1 < argc && argv[i + 1][0] != '-')
                    c.library_options.emplace_back(argv[++i]);
            } else {
                return refuse("unknown option " + quoted(a) + " (vetrix --help lists the options)");
            }
            continue;
        }
        if (have_folder)
            return refuse("more than one case folder: " + quoted(c.folder) + " and " + quoted(a));
        c.folder = a;
        have_folder = true;
    }
    if (have_folder && c.folder.empty()) return refuse("the case folder name is empty");
    c.command = help      ? Command::help
                : version ? Command::version
                : check   ? Command::check
                          : Command::run;
    return c;
}

std::string usage_text() {
    return "Usage: vetrix [--check] [CASE-FOLDER]\n"
           "       vetrix --help | -h\n"
           "       vetrix --version\n"
           "\n"
           "Runs the finite-element case held in CASE-FOLDER (without it, the working\n"
           "folder). Reads there the four decks Basparam.txt, Mesh.txt, Param.txt and\n"
           "IniFile.txt, and writes there DataOut.txt (results), IniFile.txt (rewritten\n"
           "with the last state, for a restart), ElapsedTime.txt (timings, appended),\n"
           "Param.txt (rewritten when Basparam.txt asks for it) and the log file named\n"
           "after *L in Basparam.txt, if any.\n"
           "\n"
           "Options:\n"
           "  --check     read the decks and do the whole set-up (renumbering, equation\n"
           "              numbering, sparse patterns, factor storage), print the memory\n"
           "              report and stop before the first output: no file is written and\n"
           "              the screen output stays on the terminal. Exit status 0 when the\n"
           "              decks are sound, 1 when the run would have stopped.\n"
           "  --help, -h  print this text\n"
           "  --version   print the version and the BLAS library of this build\n"
           "\n"
           "Exit status of a run: 0 when it ends or stops by itself after printing why;\n"
           "2 for wrong arguments, a file that cannot be opened or a value that cannot be\n"
           "read; 3 when memory runs out.\n"
           "\n"
           "The guide: README.md and docs/ in the source tree, " VETRIX_SOURCE_DIR "\n";
}

std::string version_text() {
    return "vetrix " VETRIX_VERSION "\nBLAS: " VETRIX_BLAS_LIBRARIES "\n";
}

std::string enter_case_folder(const std::string& folder) {
    struct stat st {};
    if (::stat(folder.c_str(), &st) != 0)
        return "case folder " + quoted(folder) + ": " + std::strerror(errno);
    if (!S_ISDIR(st.st_mode)) return "case folder " + quoted(folder) + " is not a folder";
    if (::chdir(folder.c_str()) != 0)
        return "case folder " + quoted(folder) + ": " + std::strerror(errno);
    return {};
}

std::optional<int> answer_command_line(const CommandLine& c) {
    std::string error = c.error;
    switch (c.command) {
        case Command::help:
            std::fputs(usage_text().c_str(), stdout);
            return 0;
        case Command::version:
            std::fputs(version_text().c_str(), stdout);
            return 0;
        case Command::usage_error:
            break;
        case Command::run:
        case Command::check:
            if (c.folder.empty()) return std::nullopt;
            error = enter_case_folder(c.folder);
            if (error.empty()) return std::nullopt;
            break;
    }
    std::fprintf(stderr, "vetrix: %s\n", error.c_str());
    return 2;
}

}  // namespace vetrix
