#include "allocation.h"

#include <cstdlib>
#include <limits>

namespace tevrak::menu {
namespace {

void *system_reallocate(void *block, std::size_t bytes) {
    return block == nullptr ? std::malloc(bytes) : std::realloc(block, bytes);
}

Reallocator reallocate = system_reallocate;

}  // namespace

void set_reallocator(Reallocator fn) { reallocate = fn != nullptr ? fn : system_reallocate; }

LMItem *grow_by_one(LMItem *items, std::int32_t size) {
    if (size < 0 || size == std::numeric_limits<std::int32_t>::max()) return nullptr;
    // Exactly one more record, never spare ones: the drawing side walks
    // `size` records and nothing else.
    const std::size_t bytes = (static_cast<std::size_t>(size) + 1) * sizeof(LMItem);
    void *block = size == 0 ? nullptr : items;
    return static_cast<LMItem *>(reallocate(block, bytes));
}

}  // namespace tevrak::menu
