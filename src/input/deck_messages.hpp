// Messages shared by the deck readers: keyword lines, absent keywords and rejected values.
#pragma once

#include <string>
#include <string_view>

namespace vetrix {

// The key padded with blanks to 120 characters, as keyword messages show it.
std::string key_line(std::string_view key);

// Prints the key line and "NOT FOUND" on two lines and stops the run.
[[noreturn]] void stop_key_not_found(std::string_view key);

// Prints "<file>, <section>: <what>" and stops the run: input that later stages cannot use.
[[noreturn]] void reject_input(std::string_view file, std::string_view section,
                               const std::string& what);

}  // namespace vetrix
