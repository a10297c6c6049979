// read_initial_conditions: the initial-condition file.
#include "input/initial_conditions.hpp"

#include "common/stops.hpp"
#include "input/deck_messages.hpp"
#include "io/screen_text.hpp"

namespace vetrix {

void read_initial_conditions(DeckFile& f, RunInput& in) {
    const long long count = static_cast<long long>(in.NTimeLevels) * in.NodT * in.NDof;
    // 2 - the values follow "*Ini"; without it they are read from the top of the file
    f.rewind();
    if (ifindstringinfile("*Ini", f) != 0) {
        say({key_line("*Ini")});
        say({"NOT FOUND in Inifile.txt"});
        say({"Trying to get the values anyway"});
    }
    // 3 - this read reports its own failures; a file that cannot hold the values ends as it
    // would after reading them all
    if (count > 0 && !f.can_supply(static_cast<std::size_t>(count))) {
        say({"End of file while trying to get the values of Inifile"});
        stop_run();
    }
    in.sol0.assign(static_cast<std::size_t>(count), 0.0);
    switch (f.try_read({F1<real>(in.sol0)})) {
        case ReadStatus::Ok: break;
        case ReadStatus::EndOfFile:
            say({"End of file while trying to get the values of Inifile"});
            stop_run();
        case ReadStatus::BadValue:
            say({"Error while trying to get the values of Inifile"});
            stop_run();
    }
    // values beyond those of the mesh: a restart file written for another mesh
    if (const std::size_t extra = f.values_before_next_keyword(); extra > 0)
        say({"WARNING, IniFile.txt holds " + std::to_string(count + static_cast<long long>(extra)) +
             " values, the mesh needs " + std::to_string(count)});
    // 4 - the start time
    if (in.iInitialTime != 0) {
        f.rewind();
        if (ifindstringinfile("*Ti", f) != 0) {
            say({key_line("*Ti")});
            say({"NOT FOUND in Inifile.txt"});
            say({"Proceed with Tini as in Basparam.txt"});
        } else {
            f.read({in.Tini});
            warn_unread(f, "IniFile.txt", "*Ti");
        }
    }
}

}  // namespace vetrix
