// escribir, write_restart_file, restart_text, dataout_record: the result file DataOut.txt and
// the restart file IniFile.txt.
#pragma once

#include <chrono>
#include <string>

#include "common/types.hpp"
#include "common/views.hpp"

namespace vetrix {

// What escribir keeps between its calls in one run (a fresh value for a fresh run).
struct EscribirState {
    integer calls = 0;    // calls of escribir so far
    integer records = 0;  // DataOut.txt records written so far; the first one starts the file
    // DataOut.txt is tried open_attempts times, retry_pause apart, before the run ends
    integer open_attempts = 10;
    std::chrono::milliseconds retry_pause{100};
};

// Output at steps with istep mod NOut = 0: prints "Writing Output", rewrites IniFile.txt with
// the NTimeLevels levels of sol0 and the time, then adds this step's record to DataOut.txt
// (started afresh by the first record of the run, appended to afterwards): "*Time", the step
// line, and level 1 of every node (NNodesOut < 1) or of the nodes nodesout(1..NNodesOut).
// Nodes are listed in the input numbering; Nodos(i) is the solver number of input node i.
// IE, JE, X, NOlds, NelT, NDim and iElementType are not used.
// A DataOut.txt that cannot be opened is reported at each attempt and, after the last,
// ends the run with a runtime failure. IniFile.txt is replaced whole or not at all (a kill or a
// full disk leaves the old file or the new one); one that cannot be written is reported and
// ends the run with a runtime failure once this step's DataOut.txt record is complete.
void escribir(F1<const integer> IE, F1<const integer> JE, F1<const real> X, F1<const real> sol0,
              real T, real DT, integer istep, integer NOut, F1<const integer> Nodos,
              F1<const integer> NOlds, integer NNodesOut, F1<const integer> nodesout, integer NodT,
              integer NDof, integer NelT, integer NDim, F1<const integer> iElementType,
              integer NTimeLevels, EscribirState& state);

// The restart written once more after the last step, whatever the step: prints
// "Writing IniFile.txt for restart " and rewrites IniFile.txt; a failure to write it is
// reported and ends the run with a runtime failure.
void write_restart_file(F1<const real> sol0, real T, real DT, F1<const integer> Nodos, integer NodT,
                        integer NDof, integer NTimeLevels);

// The text of IniFile.txt: "*Initial Conditions", one value line per node and level (level 1
// first, input node order), an empty line, "*Time   [ T , DT ]" and the line with T and DT.
std::string restart_text(F1<const real> sol0, real T, real DT, F1<const integer> Nodos,
                         integer NodT, integer NDof, integer NTimeLevels);

// One DataOut.txt record: "*Time", the line with istep, T and DT, and the value lines of level 1.
std::string dataout_record(F1<const real> sol0, real T, real DT, integer istep,
                           F1<const integer> Nodos, integer NNodesOut, F1<const integer> nodesout,
                           integer NodT, integer NDof);

}  // namespace vetrix
