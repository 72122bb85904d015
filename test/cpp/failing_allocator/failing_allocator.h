// A test allocator that fails the Nth allocation, as SQLite's tests do: it
// replaces every form of operator new and delete of the program or module it is
// linked into, counts allocations, and once armed makes allocation number N
// (counted from the arming) fail: the throwing forms throw std::bad_alloc, the
// nothrow forms return null. In the persistent mode every allocation from the
// Nth on fails, as when memory has truly run out. It also counts the
// allocations still live, so that a test can tell that a call freed everything.
#pragma once

#include <cstdint>

namespace failing_allocator {

enum class Mode { kOnce, kPersistent };

// Arms the allocator: allocation `n` (from 1) from now on fails.
void arm(std::uint64_t n, Mode mode);

// Disarms it; true when the armed allocation was reached (a failure was made).
bool disarm();

// Allocations made since the last arm() (or since the start), failed ones included.
std::uint64_t allocationsSinceArmed();

// Allocations made and not yet freed, from the start of the process.
std::int64_t liveAllocations();

}  // namespace failing_allocator
