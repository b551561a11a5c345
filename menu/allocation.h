// Growth of a menu's item array, with a seam so that tests can make the
// allocation fail.
#pragma once

#include <cstddef>
#include <cstdint>

#include "tevrak/listmenu.h"

namespace tevrak::menu {

// Gets a block of `bytes` bytes holding the first bytes of `block` (a fresh
// block when `block` is null), like realloc; null on failure, with `block`
// left untouched.
using Reallocator = void *(*)(void *block, std::size_t bytes);

// Routes item-array allocations through fn; null restores malloc/realloc.
void set_reallocator(Reallocator fn);

// The item array grown to size + 1 records: a new array of one record when
// size is 0, otherwise items reallocated. Null when the memory is not there
// or size cannot grow (negative or at its maximum); items is then unchanged.
LMItem *grow_by_one(LMItem *items, std::int32_t size);

}  // namespace tevrak::menu
