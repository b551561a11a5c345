// The pure parsing steps of port discovery.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

#include "config/hdt_file.h"

namespace tevrak::serial {

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

// Whether a USB line's interface number is one the link has.
bool known_interface(int interface);

// How much of the device listing discovery keeps.
std::size_t listing_capacity();

// Discovery of interface 1's port as a start-up does it, from the lines of
// file and the listing: the default port unless a USB line chose another
// ("" when the path is too long); nullopt at a line with an invalid
// interface number. The link keeps the result as discovered.
std::optional<std::string> discover_board_port(hdt::LineReader &file, std::string_view listing);

}  // namespace tevrak::serial
