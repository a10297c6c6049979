// timerout, timeroutstep, elapsed_seconds, seconds_since_midnight: the two elapsed-time clocks.
#include "io/timing.hpp"

#include <chrono>
#include <cstdio>
#include <ctime>
#include <string>

#include "io/format.hpp"
#include "io/screen_text.hpp"

namespace vetrix {

namespace {

struct Clock {
    bool called = false;
    float last = 0.0f;
};
Clock g_timer, g_step_timer;

void tick(Clock& clock, std::string_view text, std::string_view layout, std::string_view label) {
    const float now = seconds_since_midnight();
    const float elapsed = elapsed_seconds(clock.last, now);
    clock.last = now;
    if (!clock.called) {
        clock.called = true;
        return;
    }
    const std::string first = free_line({text});
    const std::string second = fmt(layout, {label, static_cast<double>(elapsed)});
    screen().line(first);
    screen().line(second);
    // the file copy is best effort: a timing line that cannot be stored is simply lost
    if (std::FILE* f = std::fopen("ElapsedTime.txt", "a")) {
        std::fprintf(f, "%s\n%s\n", first.c_str(), second.c_str());
        std::fclose(f);
    }
}

}  // namespace

float elapsed_seconds(float previous, float now) {
    const float elapsed = now - previous;
    // the clock restarts at midnight: an interval across it would come out negative
    return elapsed < 0.0f ? elapsed + 86400.0f : elapsed;
}

float seconds_since_midnight() {
    using namespace std::chrono;
    const auto now = system_clock::now();
    const std::time_t t = system_clock::to_time_t(now);
    std::tm local{};
    localtime_r(&t, &local);
    const double frac =
        duration<double>(now.time_since_epoch()).count() - static_cast<double>(t);
    return static_cast<float>(local.tm_hour * 3600 + local.tm_min * 60 + local.tm_sec + frac);
}

void timerout(std::string_view text) {
    tick(g_timer, text, "(1x,A22,G12.3)", "Elapsed Time in Secs =");
}

void timeroutstep(std::string_view text) {
    tick(g_step_timer, text, "(1x,A33,G12.3)", "Step Total Elapsed Time in Secs =");
}

void reset_timers() {
    g_timer = Clock{};
    g_step_timer = Clock{};
}

}  // namespace vetrix
