// The two ways a run ends early: an orderly stop (message already printed, exit 0) and a runtime
// failure (message for standard error, nonzero exit). Only main catches them.
#pragma once

#include <stdexcept>
#include <string>

namespace vetrix {

// Thrown after the program has printed its own stop message; main exits with status 0.
struct OrderlyStop : std::exception {
    const char* what() const noexcept override { return "orderly stop"; }
};

// A failure of the runtime (missing file, unreadable value, exhausted memory). main prints
// what() on standard error and exits with a nonzero status.
struct RuntimeFailure : std::runtime_error {
    using std::runtime_error::runtime_error;
};

// Ends the run in order; the caller has already written its message lines.
[[noreturn]] void stop_run();
// Ends the run with a runtime failure; the message names the file or the failure.
[[noreturn]] void fail_runtime(const std::string& message);

}  // namespace vetrix
