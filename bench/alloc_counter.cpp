#include "alloc_counter.h"

#include <cstddef>

extern "C" {
void *__libc_malloc(std::size_t size);
void *__libc_calloc(std::size_t count, std::size_t size);
void *__libc_realloc(void *pointer, std::size_t size);
void *__libc_memalign(std::size_t alignment, std::size_t size);
}

namespace {
// Plain thread-local counter: no allocation of its own, no locking.
thread_local std::uint64_t counted = 0;
}  // namespace

namespace tevrak::bench {
std::uint64_t allocations() { return counted; }
}  // namespace tevrak::bench

extern "C" {

void *malloc(std::size_t size) {
    ++counted;
    return __libc_malloc(size);
}

void *calloc(std::size_t count, std::size_t size) {
    ++counted;
    return __libc_calloc(count, size);
}

void *realloc(void *pointer, std::size_t size) {
    ++counted;
    return __libc_realloc(pointer, size);
}

void *memalign(std::size_t alignment, std::size_t size) {
    ++counted;
    return __libc_memalign(alignment, size);
}

}  // extern "C"
