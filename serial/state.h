// Process-wide state of the serial link: one record, one reset.
#pragma once

#include <termios.h>

#include <chrono>
#include <cstddef>
#include <optional>

namespace tevrak::serial {

inline constexpr int kInterfaces = 4;
inline constexpr std::size_t kPathSlot = 256;       // USBPATHn, terminator included
inline constexpr std::size_t kListingBuffer = 1200; // copy of the device listing
inline constexpr std::size_t kPathCopy = 100;       // SERInit's working copy

// The terminal calls of the line set-up (seam: set_terminal_calls).
struct TerminalCalls {
    int (*get_attributes)(int descriptor, termios *tty);
    int (*set_attributes)(int descriptor, int when, const termios *tty);
};

// The C library's own.
constexpr TerminalCalls real_terminal_calls() { return {::tcgetattr, ::tcsetattr}; }

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

struct State {
    // Device paths of interfaces 1 to 4, filled by discovery.
    char USBPATH1[kPathSlot];
    char USBPATH2[kPathSlot];
    char USBPATH3[kPathSlot];
    char USBPATH4[kPathSlot];
    int SERPathInit;  // 1 once discovery read hdt.txt
    int SERType;      // open interface; 0 never opened, -1 closed
    int SERBaud[kInterfaces + 1];       // stored settings per interface
    int SERHandshake[kInterfaces + 1];
    int fd;           // descriptor of the open port
    TerminalCalls terminal = real_terminal_calls();
    LinkWait wait;
    // Called before the port is closed, while the descriptor is still
    // open: the stop-on-death guard that watches the port ends quietly.
    // Installed by the guard when it starts; kept across reset().
    void (*port_closing)() = nullptr;
};

extern State state;

// Closes the port the link holds and puts the record back to its state at
// program start.
void reset();

constexpr bool valid_interface(int interface) { return interface >= 1 && interface <= kInterfaces; }

// The path slot of interface 1 to 4.
char *path_slot(int interface);

// termios speed code of a plain baud rate; nothing for a rate not accepted.
std::optional<unsigned> speed_code(int baud);

// Seam: installs calls and returns the ones it replaced; null puts the C
// library's back.
TerminalCalls set_terminal_calls(const TerminalCalls *calls);

// Closes the open port, if any. Never closes a descriptor it does not hold.
void close_port();

}  // namespace tevrak::serial
