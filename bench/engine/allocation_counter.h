// Counts the bytes held and the blocks allocated through the global operator new,
// to measure memory per command and allocations per call. The counts are kept
// per thread without atomics, so that counting costs the timed code next to
// nothing; the benchmarks allocate and free on one thread.
#pragma once

#include <cstddef>

namespace bench {

std::size_t liveHeapBytes();
// Blocks allocated so far (never decreases).
std::size_t allocationCount();

}  // namespace bench
