// escribir, write_restart_file, restart_text, dataout_record: DataOut.txt and IniFile.txt.
#include "driver/result_files.hpp"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <string>
#include <thread>

#include "common/replace_file.hpp"
#include "common/stops.hpp"
#include "io/format.hpp"
#include "io/screen_text.hpp"

namespace vetrix {

namespace {

constexpr const char* kIniFile = "IniFile.txt";
constexpr const char* kDataOut = "DataOut.txt";

// Layout of one value line: the NDof values of a node, signed, in exponent form.
Layout value_layout(integer NDof) {
    return Layout("(SP," + std::to_string(NDof) + "E17.8E3)");
}

// Appends the value lines of one level (first = its 1-based start in sol0) for the input nodes
// node_of(1..count), each read at its solver number.
template <class NodeOf>
void append_level(std::string& out, const Layout& line, F1<const real> sol0, integer first,
                  F1<const integer> Nodos, integer count, integer NDof, NodeOf node_of) {
    for (integer j = 1; j <= count; ++j) {
        const integer solver_node = Nodos(node_of(j));
        const F1<const real> values = sol0.section(first + (solver_node - 1) * NDof, NDof);
        line.append_reals(out, values.data(), static_cast<std::size_t>(NDof));
    }
}

// Writes the whole text and closes the file; false, with the reason in error, when a write or
// the close fails.
bool put_and_close(std::FILE* f, const std::string& text, std::string& error) {
    const bool written = std::fwrite(text.data(), 1, text.size(), f) == text.size();
    int saved = errno;
    const bool closed = std::fclose(f) == 0;
    if (written && !closed) saved = errno;
    if (!written || !closed) error = std::strerror(saved);
    return written && closed;
}

// Replaces IniFile.txt by text, whole or not at all (it is also the input of the next run);
// false, with the reason in error, when it cannot be written.
bool write_inifile(const std::string& text, std::string& error) {
    return replace_file(kIniFile, text, error);
}

[[noreturn]] void inifile_failed(const std::string& error) {
    say({"Error writing IniFile.txt, the restart file is not saved"});
    fail_runtime("cannot write IniFile.txt: " + error);
}

// Opens DataOut.txt, afresh or for appending; every failed attempt is reported, and the
// attempts are bounded so that a persisting failure cannot hold the run forever.
std::FILE* open_dataout(bool fresh, const EscribirState& state) {
    for (integer attempt = 1;; ++attempt) {
        if (std::FILE* f = std::fopen(kDataOut, fresh ? "w" : "a")) return f;
        say({"Error opening Dataout.txt, retrying"});
        if (attempt >= state.open_attempts) return nullptr;
        std::this_thread::sleep_for(state.retry_pause);
    }
}

}  // namespace

std::string restart_text(F1<const real> sol0, real T, real DT, F1<const integer> Nodos,
                         integer NodT, integer NDof, integer NTimeLevels) {
    const integer NTotDof = NodT * NDof;
    std::string out;
    out.reserve(static_cast<std::size_t>(NTimeLevels) * NTotDof * 17 +
                static_cast<std::size_t>(NTimeLevels) * NodT + 100);
    out += "*Initial Conditions\n";
    if (NDof >= 1) {
        const Layout line = value_layout(NDof);
        for (integer L = 1; L <= NTimeLevels; ++L)
            append_level(out, line, sol0, (L - 1) * NTotDof + 1, Nodos, NodT, NDof,
                         [](integer i) { return i; });
    }
    out += '\n';
    out += fmt("('*Time   [ T , DT ]',/,1E16.7,1X,1E16.7)", {T, DT});
    out += '\n';
    return out;
}

std::string dataout_record(F1<const real> sol0, real T, real DT, integer istep,
                           F1<const integer> Nodos, integer NNodesOut, F1<const integer> nodesout,
                           integer NodT, integer NDof) {
    const bool all = NNodesOut < 1;
    const integer count = all ? NodT : NNodesOut;
    std::string out;
    out.reserve(static_cast<std::size_t>(count) * (static_cast<std::size_t>(NDof) * 17 + 1) + 40);
    out += fmt("('*Time',/,I8,2G12.4E2)", {istep, T, DT});
    out += '\n';
    if (NDof < 1) return out;
    const Layout line = value_layout(NDof);
    if (all)
        append_level(out, line, sol0, 1, Nodos, count, NDof, [](integer i) { return i; });
    else
        append_level(out, line, sol0, 1, Nodos, count, NDof,
                     [nodesout](integer j) { return nodesout(j); });
    return out;
}

void escribir(F1<const integer> /*IE*/, F1<const integer> /*JE*/, F1<const real> /*X*/,
              F1<const real> sol0, real T, real DT, integer istep, integer NOut,
              F1<const integer> Nodos, F1<const integer> /*NOlds*/, integer NNodesOut,
              F1<const integer> nodesout, integer NodT, integer NDof, integer /*NelT*/,
              integer /*NDim*/, F1<const integer> /*iElementType*/, integer NTimeLevels,
              EscribirState& state) {
    // 1 - count the call; only output steps write
    ++state.calls;
    if (NOut < 1) fail_runtime("output interval NOut must be at least 1");
    if (istep % NOut != 0) return;
    for (integer j = 1; j <= NNodesOut; ++j) {
        if (nodesout(j) < 1 || nodesout(j) > NodT) {
            say({"Output node", nodesout(j), "is outside 1 to", NodT});
            stop_run();
        }
    }
    say({"Writing Output"});

    // 2 - the restart file; a failure is raised only once the results of this step are safe
    std::string ini_error;
    const bool ini_written =
        write_inifile(restart_text(sol0, T, DT, Nodos, NodT, NDof, NTimeLevels), ini_error);

    // 3 - this step's record of the results file, which the first record of the run starts
    const std::string record =
        dataout_record(sol0, T, DT, istep, Nodos, NNodesOut, nodesout, NodT, NDof);
    std::FILE* f = open_dataout(state.records == 0, state);
    if (f == nullptr) {
        // the retries are spent: an orderly stop, unless the restart file was lost as well
        say({"DataOut.txt cannot be opened, execution stopped"});
        if (!ini_written)
            fail_runtime("cannot open DataOut.txt nor write IniFile.txt: " + ini_error);
        stop_run();
    }
    std::string error;
    if (!put_and_close(f, record, error)) {
        say({"Error writing DataOut.txt, execution stopped"});
        fail_runtime(ini_written ? "cannot write DataOut.txt: " + error
                                 : "cannot write DataOut.txt: " + error +
                                       ", nor IniFile.txt: " + ini_error);
    }
    ++state.records;

    if (!ini_written) inifile_failed(ini_error);
}

void write_restart_file(F1<const real> sol0, real T, real DT, F1<const integer> Nodos, integer NodT,
                        integer NDof, integer NTimeLevels) {
    say({"Writing IniFile.txt for restart "});
    std::string error;
    if (!write_inifile(restart_text(sol0, T, DT, Nodos, NodT, NDof, NTimeLevels), error))
        inifile_failed(error);
}

}  // namespace vetrix
