// Counts heap allocations of the calling thread: malloc, calloc, realloc and
// aligned allocations go through counting wrappers defined in
// alloc_counter.cpp (they replace the C library's functions in this program).
#pragma once

#include <cstdint>

namespace tevrak::bench {
// Allocations made by the calling thread so far.
std::uint64_t allocations();
}  // namespace tevrak::bench
