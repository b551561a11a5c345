#include "menu/allocation.h"

#include <limits>

#include "menu/state.h"

namespace tevrak::menu {

LMItem *grow_by_one(LMItem *items, std::int32_t size) {
    if (size < 0 || size == std::numeric_limits<std::int32_t>::max()) return nullptr;
    // Exactly one more record, never spare ones: the drawing side walks
    // `size` records and nothing else.
    const std::size_t bytes = (static_cast<std::size_t>(size) + 1) * sizeof(LMItem);
    void *block = size == 0 ? nullptr : items;
    return static_cast<LMItem *>(state.reallocate(block, bytes));
}

}  // namespace tevrak::menu
