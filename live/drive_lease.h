// The page's joystick on the drive, held on a lease: the page sends its
// speeds every 100 ms while the stick is pressed; when none came for the
// lease time (the stick released without a word, the page closed, its link
// broken, its tab hidden), the lease sends speed 0 itself. Speeds beyond
// the limits are clamped, whatever the page sends.
#pragma once

#include <chrono>
#include <condition_variable>
#include <functional>
#include <mutex>
#include <thread>

namespace tevrak::sim::view {

class DriveLease {
public:
    struct Limits {
        int linear = 150;  // mm/s
        int angular = 90;  // degrees/s
    };
    // Sets the drive's speed: linear mm/s, angular degrees/s (positive:
    // left). Called by take() and by the lease's thread, one at a time.
    using Sink = std::function<void(int linear, int angular)>;

    static constexpr std::chrono::milliseconds kLease{300};

    DriveLease(Sink sink, Limits limits, std::chrono::milliseconds lease = kLease);
    // Stops the drive if it moves, then ends the lease's thread.
    ~DriveLease();
    DriveLease(const DriveLease &) = delete;
    DriveLease &operator=(const DriveLease &) = delete;

    // Sets the speeds, clamped to the limits, and renews the lease; speed 0
    // only when the joystick moves the drive.
    void take(int linear, int angular);

    const Limits &limits() const { return limits_; }

private:
    void watch();

    const Sink sink_;
    const Limits limits_;
    const std::chrono::milliseconds lease_;
    std::mutex mutex_;
    std::condition_variable wake_;
    std::chrono::steady_clock::time_point expires_{};
    bool moving_ = false;
    bool ending_ = false;
    std::thread thread_;
};

}  // namespace tevrak::sim::view
