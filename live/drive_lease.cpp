#include "live/drive_lease.h"

#include <algorithm>

namespace tevrak::sim::view {

DriveLease::DriveLease(Sink sink, Limits limits, std::chrono::milliseconds lease)
        : sink_(std::move(sink)), limits_(limits), lease_(lease), thread_([this] { watch(); }) {}

DriveLease::~DriveLease() {
    {
        std::lock_guard lock(mutex_);
        ending_ = true;
    }
    wake_.notify_one();
    thread_.join();
    if (moving_) sink_(0, 0);
}

void DriveLease::take(int linear, int angular) {
    linear = std::clamp(linear, -limits_.linear, limits_.linear);
    angular = std::clamp(angular, -limits_.angular, limits_.angular);
    std::lock_guard lock(mutex_);
    // A zero while the joystick moves nothing is not the joystick's to
    // send: it would stop a program's manoeuvre (the page asks with one
    // whether it may drive, and sends one on every way out).
    if (ending_ || (!moving_ && linear == 0 && angular == 0)) return;
    // Under the lock: a stop of the lease's thread never overtakes a speed.
    sink_(linear, angular);
    moving_ = linear != 0 || angular != 0;
    expires_ = std::chrono::steady_clock::now() + lease_;
    wake_.notify_one();
}

void DriveLease::watch() {
    std::unique_lock lock(mutex_);
    while (!ending_) {
        if (!moving_) {
            wake_.wait(lock);
        } else if (wake_.wait_until(lock, expires_) == std::cv_status::timeout && moving_ &&
                   std::chrono::steady_clock::now() >= expires_) {
            sink_(0, 0);
            moving_ = false;
        }
    }
}

}  // namespace tevrak::sim::view
