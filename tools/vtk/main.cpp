// vetrix-vtk: writes the results of a vetrix case folder as VTK files for ParaView.
#include <iostream>

#include "tools/vtk/vtk_cli.hpp"

int main(int argc, char** argv) {
    return vetrix::vtk::run_vtk_tool(argc, argv, std::cout, std::cerr);
}
