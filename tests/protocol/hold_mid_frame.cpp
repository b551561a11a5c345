// The stop-on-death seam for stop_victim.c: holds the program between two
// bytes of a frame so that a test can kill it there.
#include <unistd.h>

#include "protocol/death_guard.h"

namespace {

int hold_at = 0;

void hold(std::size_t sent) {
    if (static_cast<int>(sent) != hold_at) return;
    static const char kHeld[] = "held\n";
    if (::write(STDOUT_FILENO, kHeld, sizeof kHeld - 1) < 0) return;
    for (;;) ::pause();
}

}  // namespace

extern "C" void hold_after_bytes(int count) {
    hold_at = count;
    tevrak::protocol::death_guard::state.between_bytes = hold;
}

extern "C" int guard_process(void) { return static_cast<int>(tevrak::protocol::death_guard::state.guard); }
