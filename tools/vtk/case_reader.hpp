// read_case, read_dataout_record, read_restart: the mesh, output control, names and results of a
// vetrix case folder, read with the solver's own deck reader.
#pragma once

#include <filesystem>
#include <string>
#include <vector>

#include "input/run_input.hpp"
#include "io/deck_file.hpp"

namespace vetrix::vtk {

// One element group of Mesh.txt.
struct ElementGroup {
    std::string shape;  // shape name without trailing blanks
    integer count = 0;  // elements of the group
};

// What the converter needs from a case: in holds the mesh arrays of Mesh.txt (NDof, NDim, NodT,
// X, NelT, IE, JE, iElementType, iElementMat) and, from Basparam.txt, NNodesOut, nodesout and
// NTimeLevels.
struct CaseData {
    RunInput in;
    std::vector<ElementGroup> groups;    // in file order; their counts add up to NelT
    std::vector<std::string> dof_names;  // NDof array names: the outer-loop names, trimmed,
                                         // "dof<d>" when blank, "<name>_<d>" when repeated
    // Nodes that one DataOut.txt record lists: nodesout when NNodesOut > 0, else all NodT nodes.
    integer output_points() const { return in.NNodesOut > 0 ? in.NNodesOut : in.NodT; }
};

// Nodal values of one output. values holds levels blocks of points x NDof reals, point by point
// with the dofs fastest, level 1 (the newest) first, points in the order the file lists them.
struct Snapshot {
    integer istep = 0;  // -1 when the file does not tell the step
    real T = 0.0;
    real DT = 0.0;
    integer levels = 1;
    integer points = 0;
    std::vector<real> values;
};

// Reads Mesh.txt and Basparam.txt of a case. A stop of the solver's reader or an unreadable value
// is a runtime failure naming the file and the line. The progress lines of the solver's readers
// (here and in read_restart) are caught, and the screen writer is then handed back to the
// standard output.
CaseData read_case(DeckFile& mesh, DeckFile& control);
CaseData read_case(const std::filesystem::path& folder);

// Reads the next record of DataOut.txt ("*Time", the step line, output_points() value lines).
// Returns false at the end of the file. A record cut short or a line where the next record
// should start is a runtime failure naming the file and the line.
bool read_dataout_record(DeckFile& data, const CaseData& c, Snapshot& s);

// Reads IniFile.txt as the solver reads its initial levels: all NTimeLevels levels of every node,
// and T from its "*Time" section (0 without one). DT and the step are not read (istep -1).
Snapshot read_restart(DeckFile& ini, const CaseData& c);

}  // namespace vetrix::vtk
