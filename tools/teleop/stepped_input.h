// An input whose keys step the speed under a lease (the terminal, the
// keyboard's device, the IR remote).
#pragma once

#include "tools/teleop/demand.h"
#include "tools/teleop/input.h"

namespace tevrak::teleop {

class SteppedInput : public Input {
public:
    SteppedInput(const Limits &limits, Clock::duration lease) : stepped_(limits, lease) {}

    std::optional<Clock::time_point> deadline() const override { return stepped_.deadline(); }
    void on_time(Clock::time_point now) override {
        const Demand before = stepped_.demand();
        stepped_.expire(now);
        if (!(stepped_.demand() == before)) note_change(now);
    }
    Demand demand() const override { return stepped_.demand(); }

protected:
    // The input is gone: stand still and say why.
    void lose(std::string why, Clock::time_point now) {
        stepped_.stop();
        note_change(now);
        mark_lost(std::move(why));
    }

    SteppedDemand stepped_;
};

}  // namespace tevrak::teleop
