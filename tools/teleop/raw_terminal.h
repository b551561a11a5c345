// A terminal switched to raw keys while the object lives: no echo, no line
// editing, no signal keys (Ctrl-C arrives as a byte, Ctrl-Z cannot suspend
// the tool while the robot drives); output stays cooked. Put back as it was
// when the object goes. A descriptor that is no terminal is left alone.
#pragma once

#include <termios.h>

#include <optional>

namespace tevrak::teleop {

class RawTerminal {
public:
    explicit RawTerminal(int fd);
    ~RawTerminal();
    RawTerminal(const RawTerminal &) = delete;
    RawTerminal &operator=(const RawTerminal &) = delete;

private:
    int fd_;
    std::optional<termios> saved_;
};

}  // namespace tevrak::teleop
