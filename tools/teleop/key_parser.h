// Turns a terminal's bytes into the tool's keys. Arrows come as ESC [ A in
// the normal cursor-key mode and ESC O A in the application mode (with
// modifiers ESC [ 1 ; 5 A); the parser takes all three, split across reads.
#pragma once

#include <optional>

namespace tevrak::teleop {

enum class Key { forward, backward, left, right, stop, quit };

class KeyParser {
public:
    // The key that this byte completes, if any.
    std::optional<Key> feed(unsigned char byte);

private:
    enum class Phase { plain, escape, sequence };
    Phase phase_ = Phase::plain;
    int sequence_length_ = 0;
};

}  // namespace tevrak::teleop

#include "tools/teleop/demand.h"

namespace tevrak::teleop {

// The step a motion key makes; nothing for space and q.
std::optional<Step> step_of(Key key);

}  // namespace tevrak::teleop
