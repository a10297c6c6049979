// Messages shared by the deck readers: keyword lines, absent keywords and rejected values.
#pragma once

#include <string>
#include <string_view>

#include "io/deck_file.hpp"

namespace vetrix {

// The key padded with blanks to 120 characters, as keyword messages show it.
std::string key_line(std::string_view key);

// Prints the key line and "NOT FOUND" on two lines and stops the run.
[[noreturn]] void stop_key_not_found(std::string_view key);

// Prints "<file>, <section>: <what>" and stops the run: input that later stages cannot use.
[[noreturn]] void reject_input(std::string_view file, std::string_view section,
                               const std::string& what);

// Stops with "<file>, <section>: <what> is more than the file holds" when the deck, from its
// current line on (from_top: as a whole), holds fewer than `values` values: a declared count is
// checked this way before storage is sized for it.
void check_supply(const DeckFile& f, std::string_view file, std::string_view section,
                  const std::string& what, long long values, bool from_top = false);

// Prints "WARNING, <file>, <section>: line <n> is not read: <text>" when a line holding more
// than blanks follows the values just read before the next keyword line: a section longer than
// its counts say, often a sign of a deleted count or keyword line.
void warn_unread(const DeckFile& f, std::string_view file, std::string_view section);

}  // namespace vetrix
