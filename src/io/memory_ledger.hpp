// The allocation ledger: every work array of the solution phase is reported here with its size,
// and the running byte total is printed after each.
#pragma once

#include <string_view>

#include "common/types.hpp"

namespace vetrix {

// Writes "Allocating <name> <count>"; a nonzero status calls error_alloc; otherwise adds
// itemsize * count to total and writes "MEMORY USED = <total> BYTES" and an empty line.
// The total is 64-bit, so runs above 2 GiB still report it correctly.
void mem_alloc(std::string_view name, bigint count, integer itemsize, bigint& total, integer status);

// Writes "SPARSE FACTOR OF SUBSTEP <substep> ENTRIES <entries> BYTES <bytes>" once a substep's
// sparse factor exists (its size is known only then) and adds the bytes to total.
void mem_factor(integer substep, bigint entries, bigint bytes, bigint& total);

// Writes "ALLOCATION ERROR" and ends the run in order.
[[noreturn]] void error_alloc();

}  // namespace vetrix
