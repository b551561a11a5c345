// Growth of a menu's item array, through the menu's allocation seam.
#pragma once

#include <cstdint>

#include "tevrak/listmenu.h"

namespace tevrak::menu {

// The item array grown to size + 1 records: a new array of one record when
// size is 0, otherwise items reallocated. Null when the memory is not there
// or size cannot grow (negative or at its maximum); items is then unchanged.
LMItem *grow_by_one(LMItem *items, std::int32_t size);

}  // namespace tevrak::menu
