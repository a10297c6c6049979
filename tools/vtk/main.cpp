// vetrix-vtk: writes the results of a vetrix case folder as VTK files for ParaView.
#include <csignal>
#include <iostream>

#include "tools/vtk/vtk_cli.hpp"

int main(int argc, char** argv) {
    // past a file-size limit a write fails and is reported, instead of the signal ending the
    // program with a temporary file left behind
    std::signal(SIGXFSZ, SIG_IGN);
    return vetrix::vtk::run_vtk_tool(argc, argv, std::cout, std::cerr);
}
