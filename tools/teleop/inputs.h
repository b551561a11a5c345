// Makes the inputs that the options name. The pad and the keyboard's device
// are built in only where SDL2 and libevdev were found at configure time;
// elsewhere they say that they are not available.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "tools/teleop/input.h"
#include "tools/teleop/options.h"
#include "tools/teleop/terminal_keys.h"

namespace tevrak::teleop {

// The gamepad through SDL2, or nothing with error set.
std::unique_ptr<Input> make_pad(const Options &options, std::string &error);
// --list-pads: prints what SDL sees; the exit status.
int list_pads(const Options &options);

// One input per keyboard device under /dev/input that this user may read
// (--keyboard: that one), telling the terminal's keys when they are
// released; empty where none can be read or libevdev is not built in.
// note says what was taken or why not.
std::vector<std::unique_ptr<Input>> make_keyboards(const Options &options, TerminalKeys &terminal, std::string &note);

// The infrared remote through the library's remote unit, or nothing with
// error set (no daemon).
std::unique_ptr<Input> make_ir(const Options &options, std::string &error);

}  // namespace tevrak::teleop
