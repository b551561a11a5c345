// Process-wide state of the list menu: the calls it makes outside itself,
// kept in one record so that tests can replace them (one record, one reset).
#pragma once

#include <cstddef>

#include "platform/os.h"
#include "tevrak/lcd.h"

namespace tevrak::menu {

// Gets a block of `bytes` bytes holding the first bytes of `block` (a fresh
// block when `block` is null), like realloc; null on failure, with `block`
// left untouched.
using Reallocator = void *(*)(void *block, std::size_t bytes);

// malloc for a null block, realloc otherwise.
void *system_reallocate(void *block, std::size_t bytes);

// The screen and operating-system calls the menu makes.
struct OutsideCalls {
    int (*frame_buffer_info)(LCDFBInfo *info);
    LCDColor (*color_from_name)(const char *name);
    void (*copy_text)(char *dest, const char *src, int n);
};

// The screen and operating-system units' own functions.
constexpr OutsideCalls real_outside_calls() { return {LCDGetFBInfo, LCDGetColorFromName, OSStrcpy_n}; }

struct State {
    Reallocator reallocate = system_reallocate;
    OutsideCalls outside = real_outside_calls();
};

extern State state;

// Puts every call back to its default.
void reset();

// Seams: each installs its argument and returns what it replaced; null
// puts the default back.
Reallocator set_reallocator(Reallocator fn);
OutsideCalls set_outside_calls(const OutsideCalls *calls);

}  // namespace tevrak::menu
