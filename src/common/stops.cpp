// stop_run, fail_runtime: throw the stop exceptions that main turns into exit statuses.
#include "stops.hpp"

namespace vetrix {

void stop_run() { throw OrderlyStop{}; }

void fail_runtime(const std::string& message) { throw RuntimeFailure(message); }

}  // namespace vetrix
