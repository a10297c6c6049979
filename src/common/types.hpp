// Value types shared by every subsystem: 32-bit integers, 64-bit reals, 32-bit logicals.
#pragma once

#include <cstdint>

namespace vetrix {

using integer = std::int32_t;  // node, element, equation, slot and pointer values, all 1-based
using real = double;           // every floating-point value of the solver
using logical = std::int32_t;  // truth value as stored in the decks: 1 true, 0 false
using bigint = std::int64_t;   // byte totals and products of counts that may pass 2^31

}  // namespace vetrix
