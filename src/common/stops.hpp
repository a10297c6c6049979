// The two ways a run ends early: an orderly stop (message already printed, exit 0) and a runtime
// failure (message for standard error, nonzero exit). Only main catches them.
#pragma once

#include <stdexcept>
#include <string>
#include <string_view>

namespace vetrix {

// Thrown after the program has printed its own stop message; main exits with status 0.
struct OrderlyStop : std::exception {
    // The stop's message in one line, for a terminal that does not see the screen.
    std::string reason;
    const char* what() const noexcept override { return "orderly stop"; }
};

// A failure of the runtime (missing file, unreadable value, exhausted memory). main prints
// what() on standard error and exits with a nonzero status.
struct RuntimeFailure : std::runtime_error {
    using std::runtime_error::runtime_error;
};

// Ends the run in order; the caller has already written its message lines. The reason is the
// message in one line; without one, the last message line written on the screen is taken.
[[noreturn]] void stop_run(std::string_view reason = {});
// Ends the run with a runtime failure; the message names the file or the failure.
[[noreturn]] void fail_runtime(const std::string& message);

// When the screen goes to a log file, tells standard error why the run stopped:
// "vetrix: stopped: <reason>, see <log file>". Without a log file the screen has said it all.
void report_stop(const OrderlyStop& stop);

// Settings made once at the start of the process: a write beyond the file-size limit fails
// with an error that the writer reports, instead of ending the process by a signal.
void prepare_process();

}  // namespace vetrix
