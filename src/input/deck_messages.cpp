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

void check_supply(const DeckFile& f, std::string_view file, std::string_view section,
                  const std::string& what, long long values, bool from_top) {
    if (values > 0 && !f.can_supply(static_cast<std::size_t>(values), from_top))
        reject_input(file, section, what + " is more than the file holds");
}

void warn_unread(const DeckFile& f, std::string_view file, std::string_view section) {
    std::string_view text;
    std::size_t number = 0;
    if (!f.first_unread_line(text, number)) return;
    text = text.substr(0, 120);
    while (!text.empty() && (text.back() == ' ' || text.back() == '\t' || text.back() == '\r'))
        text.remove_suffix(1);
    std::string line = "WARNING, ";
    line += file;
    line += ", ";
    line += section;
    line += ": line " + std::to_string(number) + " is not read: ";
    line += text;
    say({line});
}

}  // namespace vetrix
