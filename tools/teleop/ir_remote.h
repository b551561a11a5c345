// The infrared remote through the library's remote unit: an arrow steps the
// speed, each repeat of a held arrow (about every 110 ms) steps again and
// renews a short lease, OK stops. Stops when no repeat came for the lease.
#pragma once

#include <tevrak/tevrak.hpp>

#include "tools/teleop/demand.h"
#include "tools/teleop/stepped_input.h"

namespace tevrak::teleop {

// Under two repeats' time: a repeat may come up to 90 ms late without a
// stop, and the robot stops within 0.3 s of the last one.
inline constexpr std::chrono::milliseconds kRemoteLease{200};

class IrRemote : public SteppedInput {
public:
    // Connects to the infrared daemon: tevrak::StartupError without one.
    explicit IrRemote(const Limits &limits);

    const char *name() const override { return "ir"; }
    int descriptor() const override { return lost() ? -1 : fd_; }
    void on_readable(Clock::time_point now) override;

private:
    void key(char code, Clock::time_point now);

    tevrak::Remote remote_;
    int fd_;
    int idle_wakeups_ = 0;
};

}  // namespace tevrak::teleop
