// Process-wide state of the serial link: one record, one reset.
#pragma once

#include <termios.h>

#include <cstddef>
#include <optional>

#include "serial/link_control.h"

namespace tevrak::serial {

inline constexpr int kInterfaces = 4;
inline constexpr std::size_t kPathSlot = 256;        // USBPATHn, terminator included
inline constexpr std::size_t kListingBuffer = 1200;  // copy of the device listing
inline constexpr std::size_t kPathCopy = 100;        // SERInit's working copy

// The terminal calls of the line set-up (seam: set_terminal_calls).
struct TerminalCalls {
    int (*get_attributes)(int descriptor, termios *tty);
    int (*set_attributes)(int descriptor, int when, const termios *tty);
};

// The C library's own.
constexpr TerminalCalls real_terminal_calls() { return {::tcgetattr, ::tcsetattr}; }

struct State {
    // Device paths of interfaces 1 to 4, filled by discovery.
    char USBPATH1[kPathSlot];
    char USBPATH2[kPathSlot];
    char USBPATH3[kPathSlot];
    char USBPATH4[kPathSlot];
    int SERPathInit;               // 1 once discovery read hdt.txt
    int SERType;                   // open interface; 0 never opened, -1 closed
    int SERBaud[kInterfaces + 1];  // stored settings per interface
    int SERHandshake[kInterfaces + 1];
    int fd;  // descriptor of the open port
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
