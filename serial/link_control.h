// The serial link as the C++ layer sees it: the wait settings it fills in
// while it holds the link, and forgetting the port when the robot folder
// moves. The C++ layer reaches the link only through this and the public
// headers.
#pragma once

#include <chrono>
#include <optional>

namespace tevrak::serial {

// How waits for the board's bytes may end before the line's own read time.
// A program of plain C calls leaves it empty: each read then waits as the
// line set-up says (up to 0.5 s) and a link check sends up to 100 probes.
// The C++ layer fills it in while it holds the link.
struct LinkWait {
    using Clock = std::chrono::steady_clock;
    // Asked between the slices of a wait for a byte: true cancels the wait.
    // Once cancelled, every wait and link check fails at once until the
    // C++ layer clears it for its next command.
    bool (*interrupted)() = nullptr;
    bool cancelled = false;
    // Bound of one whole link check; zero for none.
    Clock::duration check_limit{};
    // The end of the running link check, while a bounded one runs.
    std::optional<Clock::time_point> check_deadline;

    bool sliced() const { return interrupted != nullptr || cancelled || check_deadline.has_value(); }
};

// The link's wait settings (in its state record).
LinkWait &link_wait();

// Closes the port when one is open (never opening one: closing another
// interface than the open one would first open it) and forgets the
// discovered device paths, so that the next start-up discovers them afresh.
void forget_port();

// The open port's descriptor, or -1 while none is open.
int open_port_fd();

// Called just before the library closes the port (the stop-on-death guard
// ends quietly then); null for none. Returns the hook it replaced.
void (*set_port_closing(void (*hook)()))();

}  // namespace tevrak::serial
