// What tests and tools may reach of the list menu: its state record, reset
// and seams, and the growth of the item array.
#pragma once

#include "menu/allocation.h"
#include "menu/state.h"
