// One source of a hand's commands, as the tool's poll loop sees it: at most
// one descriptor to wait on, at most one timer, and what it asks for now.
#pragma once

#include <optional>
#include <string>

#include "tools/teleop/demand.h"

namespace tevrak::teleop {

class Input {
public:
    virtual ~Input() = default;

    // "keys", "pad", "ir": shown on the status line.
    virtual const char *name() const = 0;
    // The descriptor to wait on for reading, or -1.
    virtual int descriptor() const { return -1; }
    // The descriptor is readable (or hung up).
    virtual void on_readable(Clock::time_point) {}
    // The input's next timer (a lease, a pad's polling), if any.
    virtual std::optional<Clock::time_point> deadline() const = 0;
    // Called once the deadline has come.
    virtual void on_time(Clock::time_point now) = 0;

    // The speed it asks for now; zero when its hand is off.
    virtual Demand demand() const = 0;
    // When it last changed its demand: the latest hand wins.
    Clock::time_point changed() const { return changed_; }
    // A word about the input's state for the status line ("dead-man up").
    virtual std::string state() const { return {}; }

    // The hand asked to end the tool (q, Ctrl-C in the terminal).
    bool wants_quit() const { return quit_; }
    // The input is gone for good (end of the terminal, the daemon closed);
    // the text says why.
    const std::optional<std::string> &lost() const { return lost_; }

protected:
    void note_change(Clock::time_point now) { changed_ = now; }
    void ask_quit() { quit_ = true; }
    void mark_lost(std::string why) { lost_ = std::move(why); }

private:
    Clock::time_point changed_{};
    bool quit_ = false;
    std::optional<std::string> lost_;
};

}  // namespace tevrak::teleop
