// The keys of the terminal the tool runs in (raw while the input lives).
#pragma once

#include <optional>

#include "tools/teleop/demand.h"
#include "tools/teleop/key_parser.h"
#include "tools/teleop/raw_terminal.h"
#include "tools/teleop/stepped_input.h"

namespace tevrak::teleop {

class TerminalKeys : public SteppedInput {
public:
    // fd: the terminal (standard input). A descriptor that is no terminal is
    // read as it is. With drives false only space and q count (another
    // input drives; the terminal still ends the tool).
    TerminalKeys(int fd, const Limits &limits, Clock::duration lease, bool drives = true);

    const char *name() const override { return "keys"; }
    int descriptor() const override { return lost() ? -1 : fd_; }
    void on_readable(Clock::time_point now) override;

    // The keyboard's device knows when keys are held: while one is, the
    // lease does not run out; its release stops the axis at once.
    void hold(Clock::time_point now) { stepped_.hold(now); }
    void release_linear(Clock::time_point now) {
        stepped_.release_linear();
        note_change(now);
    }
    void release_angular(Clock::time_point now) {
        stepped_.release_angular();
        note_change(now);
    }

private:
    void key(Key key, Clock::time_point now);

    int fd_;
    bool drives_;
    RawTerminal raw_;
    KeyParser parser_;
};

}  // namespace tevrak::teleop
