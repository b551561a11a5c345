// The time source of the world model. The program runs on the steady clock,
// sped up by a whole factor (tevrak-sim --speed); tests move a fake clock by
// hand, so a drive of ten seconds takes none.
#pragma once

#include <chrono>

namespace tevrak::sim {

class Clock {
public:
    virtual ~Clock() = default;
    // Time since an arbitrary, fixed start.
    virtual std::chrono::nanoseconds now() const = 0;
};

class SteadyClock final : public Clock {
public:
    // factor: world seconds per real second, 1 or more.
    explicit SteadyClock(int factor = 1) : factor_(factor) {}
    std::chrono::nanoseconds now() const override { return (std::chrono::steady_clock::now() - start_) * factor_; }
    int factor() const { return factor_; }

private:
    int factor_;
    std::chrono::steady_clock::time_point start_ = std::chrono::steady_clock::now();
};

class FakeClock final : public Clock {
public:
    std::chrono::nanoseconds now() const override { return now_; }
    void advance(std::chrono::nanoseconds step) { now_ += step; }

private:
    std::chrono::nanoseconds now_{0};
};

}  // namespace tevrak::sim
