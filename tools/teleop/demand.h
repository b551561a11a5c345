// What a hand asks the chassis for, the limits it is held to, and the
// stepping control that the key inputs share.
#pragma once

#include <chrono>
#include <optional>

namespace tevrak::teleop {

using Clock = std::chrono::steady_clock;

// A chassis speed: mm/s and degrees/s (positive: left).
struct Demand {
    int linear = 0;
    int angular = 0;
    bool moving() const { return linear != 0 || angular != 0; }
    friend bool operator==(const Demand &, const Demand &) = default;
};

// Steps and limits. Only options set them; no input can change them.
struct Limits {
    int step_linear = 50;
    int step_angular = 15;
    int max_linear = 150;
    int max_angular = 90;
};

// The demand held within the limits.
Demand clamp(Demand demand, const Limits &limits);

// One step of a key: +1 or -1 on an axis.
enum class Step { forward, backward, left, right };

// Speeds changed a step per key and dropped to zero when no key came for
// the lease: a terminal sends no key release, so the lease is what stops.
class SteppedDemand {
public:
    SteppedDemand(const Limits &limits, Clock::duration lease) : limits_(limits), lease_(lease) {}

    // A key stepped the speed; renews the lease.
    void step(Step step, Clock::time_point now);
    // Stand still at once (space, OK).
    void stop() {
        demand_ = {};
        expires_.reset();
    }
    // Sets one axis to zero (the evdev key of that axis was released).
    void release_linear() { demand_.linear = 0; }
    void release_angular() { demand_.angular = 0; }
    // Keeps the lease from running out while a key is known to be held.
    void hold(Clock::time_point now) { expires_ = now + lease_; }

    // When the lease runs out (nothing while standing still).
    std::optional<Clock::time_point> deadline() const { return expires_; }
    // Drops the speeds once the lease ran out.
    void expire(Clock::time_point now);

    Demand demand() const { return demand_; }

private:
    Limits limits_;
    Clock::duration lease_;
    Demand demand_;
    std::optional<Clock::time_point> expires_;
};

}  // namespace tevrak::teleop
