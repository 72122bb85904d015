// Counts the bytes held through the global operator new, to measure memory per command.
#pragma once

#include <cstddef>

namespace bench {

std::size_t liveHeapBytes();

}  // namespace bench
