// Shorthands that format a line and hand it to the screen writer.
#pragma once

#include <initializer_list>
#include <string_view>

#include "common/screen.hpp"
#include "io/format.hpp"

namespace vetrix {

// Free-format line on the screen; say() alone writes an empty line.
inline void say(std::initializer_list<FItem> items = {}) { screen().line(free_line(items)); }
// Line(s) in a layout on the screen.
inline void sayf(std::string_view layout, std::initializer_list<FItem> items = {}) {
    screen().line(fmt(layout, items));
}

}  // namespace vetrix
