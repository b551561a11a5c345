// How many items the list shows on the screen before it has to scroll.
#pragma once

#include <cstdint>

#include "tevrak/lcd.h"

namespace tevrak::menu {

// Rows on the screen: screen height / (2 * font height), truncated toward
// zero; two of them go to the title and frame, and at least one item always
// fits. Without a screen state or font height the room is 1. Computed in 64
// bits so that extreme metrics cannot overflow.
constexpr std::int32_t list_room(const LCDState *screen) {
    if (screen == nullptr || screen->fontHeight == 0) return 1;
    const std::int64_t rows = std::int64_t{screen->height} / (2 * std::int64_t{screen->fontHeight});
    const std::int64_t room = rows - 2;
    return room < 1 ? 1 : static_cast<std::int32_t>(room);
}

}  // namespace tevrak::menu
