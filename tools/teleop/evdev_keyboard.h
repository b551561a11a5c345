// A keyboard's input device (/dev/input/event*, through libevdev), beside
// the terminal's keys. The terminal still says which key was pressed (so
// keys typed into other windows drive nothing); the device says which are
// held: while a motion key is held the terminal's lease does not run out,
// and its release stops that axis at once.
#pragma once

#include <chrono>
#include <memory>
#include <string>

#include "tools/teleop/input.h"
#include "tools/teleop/terminal_keys.h"

struct libevdev;

namespace tevrak::teleop {

class EvdevKeyboard : public Input {
public:
    // Takes over the open device fd (closed when the object goes).
    EvdevKeyboard(int fd, libevdev *device, TerminalKeys &terminal, Clock::duration lease);
    ~EvdevKeyboard() override;
    EvdevKeyboard(const EvdevKeyboard &) = delete;
    EvdevKeyboard &operator=(const EvdevKeyboard &) = delete;

    const char *name() const override { return "keyboard"; }
    int descriptor() const override { return lost() ? -1 : fd_; }
    void on_readable(Clock::time_point now) override;
    std::optional<Clock::time_point> deadline() const override;
    void on_time(Clock::time_point now) override;
    Demand demand() const override { return {}; }

private:
    void key(unsigned code, int value, Clock::time_point now);
    bool held_linear() const { return held_[0] || held_[1]; }
    bool held_angular() const { return held_[2] || held_[3]; }

    int fd_;
    libevdev *device_;
    TerminalKeys &terminal_;
    Clock::duration renew_;
    Clock::time_point next_renewal_{};
    bool held_[4] = {};  // forward, backward, left, right
};

// Opens path as a keyboard (arrows, WASD, space): the input, or nothing
// when it cannot be read or is no keyboard.
std::unique_ptr<EvdevKeyboard> open_keyboard(const std::string &path, TerminalKeys &terminal, Clock::duration lease);

}  // namespace tevrak::teleop
