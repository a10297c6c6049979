// parse_command_line, help_text: the options of vetrix-mesh and their documentation.
#pragma once

#include <string>
#include <vector>

#include "gmsh_reader.hpp"
#include "mesh_convert.hpp"

namespace vetrix::meshtool {

// A fault of the command line itself; the program adds a pointer to --help.
struct UsageError : MeshError {
    using MeshError::MeshError;
};

struct CommandLine {
    bool help = false;
    bool list = false;  // print the physical groups of the input and stop
    std::string input;
    std::string output = "Mesh.txt";  // "-": standard output
    ConvertOptions convert;
};

// Reads the arguments after the program name; faults are UsageErrors.
CommandLine parse_command_line(const std::vector<std::string>& args);

std::string help_text();

}  // namespace vetrix::meshtool
