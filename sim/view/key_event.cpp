#include "key_event.h"

#include <array>
#include <cstdint>
#include <cstdio>

#include "control.h"

namespace tevrak::sim::view {
namespace {

struct ButtonCode {
    std::string_view name;
    std::uint16_t code;  // behind the remote's address 0x00ff
};

// A NEC-style remote: address 0x00ff, then the command byte and its inverse.
constexpr std::array kCodes{
    ButtonCode{"KEY_0", 0x9867},    ButtonCode{"KEY_1", 0xa25d},     ButtonCode{"KEY_2", 0x629d},
    ButtonCode{"KEY_3", 0xe21d},    ButtonCode{"KEY_4", 0x22dd},     ButtonCode{"KEY_5", 0x02fd},
    ButtonCode{"KEY_6", 0xc23d},    ButtonCode{"KEY_7", 0xe01f},     ButtonCode{"KEY_8", 0xa857},
    ButtonCode{"KEY_9", 0x906f},    ButtonCode{"KEY_UP", 0x18e7},    ButtonCode{"KEY_DOWN", 0x4ab5},
    ButtonCode{"KEY_LEFT", 0x10ef}, ButtonCode{"KEY_RIGHT", 0x5aa5}, ButtonCode{"KEY_OK", 0x38c7},
    ButtonCode{"KEY_RED", 0x30cf},  ButtonCode{"KEY_GREEN", 0x7a85}, ButtonCode{"KEY_YELLOW", 0x42bd},
    ButtonCode{"KEY_BLUE", 0x52ad}, ButtonCode{"KEY_POWER", 0x45ba},
};

bool all_hex(std::string_view text) {
    for (const char c : text) {
        const bool hex = (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F');
        if (!hex) return false;
    }
    return !text.empty();
}

}  // namespace

std::string key_event_line(std::string_view button, int repeat) {
    unsigned long long code = 0;
    for (const ButtonCode &known : kCodes) {
        if (known.name == button) code = 0x00ff0000ULL | known.code;
    }
    char head[32];
    std::snprintf(head, sizeof head, "%016llx %02x ", code, static_cast<unsigned>(repeat) & 0xffU);
    std::string line = head;
    line.append(button);
    line += ' ';
    line.append(kRemoteName);
    line += '\n';
    return line;
}

std::optional<std::string> simulated_event_line(std::string_view event) {
    // Four fields, single blanks: as the daemon itself would write them.
    std::array<std::string_view, 4> fields;
    for (std::size_t i = 0; i < fields.size(); ++i) {
        const auto blank = event.find(' ');
        if ((blank == std::string_view::npos) != (i == fields.size() - 1)) return std::nullopt;
        fields[i] = event.substr(0, blank);
        event.remove_prefix(blank == std::string_view::npos ? event.size() : blank + 1);
    }
    if (fields[0].size() != 16 || !all_hex(fields[0]) || fields[1].size() != 2 || !all_hex(fields[1]) ||
        !is_button_name(fields[2]) || !is_button_name(fields[3])) {
        return std::nullopt;
    }
    std::string line;
    for (const auto field : fields) {
        if (!line.empty()) line += ' ';
        line.append(field);
    }
    return line + '\n';
}

}  // namespace tevrak::sim::view
