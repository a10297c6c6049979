// mem_alloc and error_alloc: the lines of the allocation report and the running total.
#include <gtest/gtest.h>

#include <string>

#include "common/screen.hpp"
#include "common/stops.hpp"
#include "io/memory_ledger.hpp"

namespace vetrix {
namespace {

struct Captured {
    std::string text;
    Captured() { screen().capture(&text); }
    ~Captured() { screen().capture(nullptr); }
};

TEST(MemoryLedger, ReportsEachAllocationAndTheRunningTotal) {
    struct Row {
        const char* name;
        bigint count;
        integer itemsize;
        bigint total_before, total_after;
        const char* lines;
    };
    const Row rows[] = {
        {"Nodos(NodT)", 25, 4, 1000, 1100,
         " Allocating Nodos(NodT)          25\n MEMORY USED =        1100 BYTES\n\n"},
        {"JA", 0, 4, 1100, 1100, " Allocating JA           0\n MEMORY USED =        1100 BYTES\n\n"},
        // totals beyond 32 bits are carried, not wrapped
        {"UN", 300000000, 8, 100, 2400000100,
         " Allocating UN   300000000\n MEMORY USED =  2400000100 BYTES\n\n"},
    };
    for (const Row& r : rows) {
        Captured out;
        bigint total = r.total_before;
        mem_alloc(r.name, r.count, r.itemsize, total, 0);
        EXPECT_EQ(total, r.total_after);
        EXPECT_EQ(out.text, r.lines);
    }
}

TEST(MemoryLedger, FailedAllocationStopsWithoutTotal) {
    Captured out;
    bigint total = 64;
    EXPECT_THROW(mem_alloc("IA(iRowTL1)", 12, 4, total, 1), OrderlyStop);
    EXPECT_EQ(total, 64);
    EXPECT_EQ(out.text, " Allocating IA(iRowTL1)          12\n ALLOCATION ERROR\n");
}

}  // namespace
}  // namespace vetrix
