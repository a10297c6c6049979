// timerout, timeroutstep: elapsed wall-clock lines on the screen and in ElapsedTime.txt.
#pragma once

#include <string_view>

namespace vetrix {

// Each keeps its own clock: the first call only starts it; every later call prints the text,
// then "Elapsed Time in Secs =" (timerout) or "Step Total Elapsed Time in Secs =" (timeroutstep)
// with the seconds since its previous call, and appends the same two lines to ElapsedTime.txt.
void timerout(std::string_view text);
void timeroutstep(std::string_view text);

// Seconds since local midnight, in single precision as the timing lines carry them.
float seconds_since_midnight();

// Seconds from the reading previous to the reading now of the midnight clock; an interval that
// crosses midnight counts the day's 86400 seconds in.
float elapsed_seconds(float previous, float now);

// Forgets both clocks (a fresh run; used by tests).
void reset_timers();

}  // namespace vetrix
