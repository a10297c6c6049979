// stop_run, fail_runtime: throw the stop exceptions that main turns into exit statuses;
// report_stop and prepare_process: what main does at the end and at the start.
#include "stops.hpp"

#include <csignal>
#include <cstdio>

#include "screen.hpp"

namespace vetrix {

void stop_run(std::string_view reason) {
    OrderlyStop stop;
    stop.reason = reason.empty() ? screen().last_message() : std::string(reason);
    throw stop;
}

void fail_runtime(const std::string& message) { throw RuntimeFailure(message); }

void report_stop(const OrderlyStop& stop) {
    if (!screen().redirected()) return;
    screen().flush();
    std::fprintf(stderr, "vetrix: stopped: %s, see %s\n", stop.reason.c_str(),
                 screen().log_path().c_str());
}

void prepare_process() { std::signal(SIGXFSZ, SIG_IGN); }

}  // namespace vetrix
