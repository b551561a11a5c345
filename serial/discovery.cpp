// Port discovery: USB lines of hdt.txt matched against the device listing.
#include <cstdio>
#include <cstring>

#include "config/hdt_file.h"
#include "config/paths.h"
#include "config/robot_files.h"
#include "platform/message.h"
#include "platform/os.h"
#include "serial/discovery.h"
#include "serial/state.h"
#include "tevrak/serial_link.h"

namespace tevrak::serial {
namespace {

constexpr std::string_view kNameSeparators = " _-\n";
#ifdef TEVRAK_SERIAL_TEXT
constexpr std::string_view kPathSeparators = " \n";
#else
constexpr std::string_view kPathSeparators = ":\n";
#endif

bool is_one_of(char c, std::string_view set) { return set.find(c) != std::string_view::npos; }

// Next token of text split at runs of separators; text is advanced past the
// token and the single separator that ended it (as strtok does).
std::optional<std::string_view> next_token(std::string_view &text, std::string_view separators) {
    std::size_t start = 0;
    while (start < text.size() && is_one_of(text[start], separators)) ++start;
    if (start == text.size()) {
        text = {};
        return std::nullopt;
    }
    std::size_t end = start;
    while (end < text.size() && !is_one_of(text[end], separators)) ++end;
    std::string_view token = text.substr(start, end - start);
    text.remove_prefix(end < text.size() ? end + 1 : end);
    return token;
}

// A found path goes into its interface's slot. One that the open could not
// use whole (over 99 characters) is refused, never cut: the slot is emptied,
// so the interface fails to open rather than open another device (interface
// 1 does not keep its default path).
void store_path(int interface, std::string_view path) {
    char *slot = path_slot(interface);
    const std::size_t length = path.size() < kPathCopy ? path.size() : 0;
    std::memcpy(slot, path.data(), length);
    slot[length] = '\0';
}

}  // namespace

std::optional<UsbLine> parse_usb_line(std::string_view line) {
    if (!hdt::has_key(line, "USB")) return std::nullopt;
    const hdt::Fields fields(line);
    if (fields.count() < 3) return std::nullopt;
    return UsbLine{fields.number(2), fields.text(3)};
}

std::optional<std::string_view> find_device_path(std::string_view listing, std::string_view name) {
    if (name.empty()) return std::nullopt;
    std::string_view rest = listing;
    while (auto token = next_token(rest, kNameSeparators)) {
        if (*token != name) continue;
        // rest now begins right behind the separator that ended the name.
        if (!next_token(rest, kPathSeparators)) return std::nullopt;
        return next_token(rest, kPathSeparators);
    }
    return std::nullopt;
}

int read_usb_lines(hdt::LineReader &file, std::string_view listing) {
    std::string_view line;
    while (file.next(line)) {
        const auto usb = parse_usb_line(line);
        if (!usb) continue;
        const auto path = find_device_path(listing, usb->name);
        if (!valid_interface(usb->interface)) {
            tevrak::write_message(stdout, "Invalid usb port number (1-4)");
            return 1;
        }
        if (path) store_path(usb->interface, *path);
    }
    return 0;
}

bool known_interface(int interface) { return valid_interface(interface); }

std::size_t listing_capacity() { return kListingBuffer; }

std::optional<std::string> discover_board_port(hdt::LineReader &file, std::string_view listing) {
    std::snprintf(state.USBPATH1, kPathSlot, "%s", paths::default_port());
    if (read_usb_lines(file, listing) != 0) return std::nullopt;
    state.SERPathInit = 1;
    return std::string(state.USBPATH1);
}

}  // namespace tevrak::serial

using namespace tevrak::serial;

extern "C" int SERGetPaths(void) {
    if (state.SERPathInit == 1) return 1;
    std::snprintf(state.USBPATH1, kPathSlot, "%s", tevrak::paths::default_port());

    tevrak::hdt::LineReader file(tevrak::paths::hdt_file());
    if (!file.is_open()) {
        tevrak::write_message(stderr, "No HDT file present");
        return 1;
    }

    char listing[kListingBuffer];
    // A listing program another user could change is not run: no board is listed.
    const char *search = tevrak::paths::usb_search();
    std::snprintf(listing, sizeof listing, "%s",
                  tevrak::config::refuse_unsafe_robot_file(search) == 0 ? OSExecute(search) : "");
#ifdef TEVRAK_SERIAL_TEXT
    std::printf("Physical USB devices: \n %s\n", listing);
    std::fflush(stdout);
#endif

    if (read_usb_lines(file, listing) != 0) return 1;
    state.SERPathInit = 1;
    return 0;
}
