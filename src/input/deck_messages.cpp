// key_line, stop_key_not_found, reject_input: the messages of the deck readers.
#include "input/deck_messages.hpp"

#include "common/stops.hpp"
#include "io/format.hpp"
#include "io/screen_text.hpp"

namespace vetrix {

std::string key_line(std::string_view key) { return padded(key, 120); }

void stop_key_not_found(std::string_view key) {
    say({key_line(key)});
    say({"NOT FOUND"});
    stop_run(std::string(key) + " NOT FOUND");
}

void reject_input(std::string_view file, std::string_view section, const std::string& what) {
    std::string line(file);
    line += ", ";
    line += section;
    line += ": ";
    line += what;
    say({line});
    stop_run();
}

}  // namespace vetrix
