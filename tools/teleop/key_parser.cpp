#include "tools/teleop/key_parser.h"

namespace tevrak::teleop {
namespace {

constexpr unsigned char kEscape = 0x1B;
// Ctrl-C and Ctrl-\ arrive as bytes: the terminal's signals are off, so
// that Ctrl-Z cannot suspend the tool while the robot drives.
constexpr unsigned char kCtrlC = 0x03;
constexpr unsigned char kCtrlBackslash = 0x1C;
// No real sequence is longer; a longer one is dropped as noise.
constexpr int kLongestSequence = 16;

std::optional<Key> plain_key(unsigned char byte) {
    switch (byte) {
    case 'w':
    case 'W': return Key::forward;
    case 's':
    case 'S': return Key::backward;
    case 'a':
    case 'A': return Key::left;
    case 'd':
    case 'D': return Key::right;
    case ' ': return Key::stop;
    case 'q':
    case 'Q':
    case kCtrlC:
    case kCtrlBackslash: return Key::quit;
    default: return std::nullopt;
    }
}

std::optional<Key> arrow_key(unsigned char final_byte) {
    switch (final_byte) {
    case 'A': return Key::forward;
    case 'B': return Key::backward;
    case 'C': return Key::right;
    case 'D': return Key::left;
    default: return std::nullopt;
    }
}

}  // namespace

std::optional<Key> KeyParser::feed(unsigned char byte) {
    switch (phase_) {
    case Phase::plain:
        if (byte == kEscape) {
            phase_ = Phase::escape;
            return std::nullopt;
        }
        return plain_key(byte);
    case Phase::escape:
        if (byte == '[' || byte == 'O') {
            phase_ = Phase::sequence;
            sequence_length_ = 0;
            return std::nullopt;
        }
        phase_ = Phase::plain;
        return feed(byte);  // a lone Escape: the byte stands for itself
    case Phase::sequence:
        // Parameters and intermediates until the final byte 0x40-0x7E.
        if (byte >= 0x40 && byte <= 0x7E) {
            phase_ = Phase::plain;
            return arrow_key(byte);
        }
        if (++sequence_length_ > kLongestSequence) phase_ = Phase::plain;
        return std::nullopt;
    }
    return std::nullopt;
}

}  // namespace tevrak::teleop

namespace tevrak::teleop {

std::optional<Step> step_of(Key key) {
    switch (key) {
    case Key::forward: return Step::forward;
    case Key::backward: return Step::backward;
    case Key::left: return Step::left;
    case Key::right: return Step::right;
    default: return std::nullopt;
    }
}

}  // namespace tevrak::teleop
