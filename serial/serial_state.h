// Process-wide state of the serial link and the pure parsing steps of port
// discovery. Internal to the library; tests read the state directly.
#pragma once

#include <cstddef>
#include <optional>
#include <string_view>

#include "protocol/hdt_file.h"

namespace tevrak::serial {

inline constexpr int kInterfaces = 4;
inline constexpr std::size_t kPathSlot = 256;       // USBPATHn, terminator included
inline constexpr std::size_t kListingBuffer = 1200; // copy of the device listing
inline constexpr std::size_t kPathCopy = 100;       // SERInit's working copy

extern char USBPATH1[kPathSlot];
extern char USBPATH2[kPathSlot];
extern char USBPATH3[kPathSlot];
extern char USBPATH4[kPathSlot];
extern int SERPathInit;
extern int SERType;
extern int SERBaud[kInterfaces + 1];
extern int SERHandshake[kInterfaces + 1];
extern int fd;

constexpr bool valid_interface(int interface) { return interface >= 1 && interface <= kInterfaces; }

// The path slot of interface 1 to 4.
char *path_slot(int interface);

// A USB line of the hardware description file: "USB <interface> <name> ...".
struct UsbLine {
    int interface;
    std::string_view name;
};

// The interface number and device name of a USB line; nothing for a line
// that is no USB line or has fewer than three fields.
std::optional<UsbLine> parse_usb_line(std::string_view line);

// The device path that the listing holds for name: the second path field
// behind the first name token equal to name. Path fields are split at ':'
// and newlines (blanks and newlines in the text build).
std::optional<std::string_view> find_device_path(std::string_view listing, std::string_view name);

// Reads the USB lines of an open hardware description file and fills the
// path slots from the listing. Returns 1 at a line with an invalid interface
// number (after its message), else 0.
int read_usb_lines(hdt::LineReader &file, std::string_view listing);

// termios speed code of a plain baud rate; nothing for a rate not accepted.
std::optional<unsigned> speed_code(int baud);

// Closes the open port, if any. Never closes a descriptor it does not hold.
void close_port();

}  // namespace tevrak::serial
