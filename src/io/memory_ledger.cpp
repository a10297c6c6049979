// mem_alloc, error_alloc: the allocation ledger.
#include "memory_ledger.hpp"

#include "common/stops.hpp"
#include "io/screen_text.hpp"

namespace vetrix {

void mem_alloc(std::string_view name, bigint count, integer itemsize, bigint& total, integer status) {
    say({"Allocating ", name, static_cast<long long>(count)});
    if (status != 0) error_alloc();
    total += static_cast<bigint>(itemsize) * count;
    say({"MEMORY USED =", static_cast<long long>(total), "BYTES"});
    say();
}

void mem_factor(integer substep, bigint entries, bigint bytes, bigint& total) {
    say({"SPARSE FACTOR OF SUBSTEP", substep, "ENTRIES", static_cast<long long>(entries), "BYTES",
         static_cast<long long>(bytes)});
    total += bytes;
}

void error_alloc() {
    say({"ALLOCATION ERROR"});
    stop_run();
}

}  // namespace vetrix
