// What the simulated board does with a frame: drive commands go to the
// world model, servo/motor/controller commands to the peripherals, and
// queries are answered from the model.
#pragma once

#include <optional>

#include "sim/board/board.h"
#include "sim/world/frame_text.h"
#include "sim/world/peripherals.h"
#include "sim/world/world.h"

namespace tevrak::sim {

// Applies a command frame; false for queries and unknown frames.
bool apply_command(const DecodedFrame &frame, World &world, Peripherals &peripherals);

// The data behind the reply marker for a query frame; nothing for commands
// and unknown frames.
std::optional<Bytes> answer_query(const DecodedFrame &frame, World &world);

}  // namespace tevrak::sim
