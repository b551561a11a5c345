// tevrak-view --control: the page's joystick drives the real robot through
// the library (so the library's stop on death also stops a killed
// tevrak-view), behind a token made once at start-up.
#pragma once

#include <memory>
#include <mutex>
#include <string>

#include "live/drive_lease.h"

namespace tevrak {
class Drive;
}

namespace tevrak::view {

// 32 hex digits from the kernel's random source; throws std::runtime_error
// when it has none.
std::string make_drive_token();

class DriveControl {
public:
    explicit DriveControl(sim::view::DriveLease::Limits limits);
    // Stops the robot if the joystick moves it.
    ~DriveControl();
    DriveControl(const DriveControl &) = delete;
    DriveControl &operator=(const DriveControl &) = delete;

    // The joystick's speeds: an error text, empty when the drive took them.
    std::string take(int linear, int angular);

private:
    // Under the lease's lock: the drive is started at the first speed, so
    // that the page can be watched before the board is there.
    void set_speed(int linear, int angular);

    std::unique_ptr<Drive> drive_;
    std::mutex error_mutex_;
    std::string error_;  // of the last speed
    std::unique_ptr<sim::view::DriveLease> lease_;
};

}  // namespace tevrak::view
