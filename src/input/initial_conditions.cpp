// read_initial_conditions: the initial-condition file.
#include "input/initial_conditions.hpp"

#include "common/stops.hpp"
#include "input/deck_messages.hpp"
#include "io/screen_text.hpp"

namespace vetrix {

void read_initial_conditions(DeckFile& f, RunInput& in) {
    in.sol0.assign(static_cast<std::size_t>(in.NTimeLevels) * in.NodT * in.NDof, 0.0);
    // 2 - the values follow "*Ini"; without it they are read from the top of the file
    f.rewind();
    if (ifindstringinfile("*Ini", f) != 0) {
        say({key_line("*Ini")});
        say({"NOT FOUND in Inifile.txt"});
        say({"Trying to get the values anyway"});
    }
    // 3 - this read reports its own failures
    switch (f.try_read({F1<real>(in.sol0)})) {
        case ReadStatus::Ok: break;
        case ReadStatus::EndOfFile:
            say({"End of file while trying to get the values of Inifile"});
            stop_run();
        case ReadStatus::BadValue:
            say({"Error while trying to get the values of Inifile"});
            stop_run();
    }
    // 4 - the start time
    if (in.iInitialTime != 0) {
        f.rewind();
        if (ifindstringinfile("*Ti", f) != 0) {
            say({key_line("*Ti")});
            say({"NOT FOUND in Inifile.txt"});
            say({"Proceed with Tini as in Basparam.txt"});
        } else {
            f.read({in.Tini});
        }
    }
}

}  // namespace vetrix
