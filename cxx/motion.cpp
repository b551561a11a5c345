#include "cxx/motion.h"

#include <algorithm>
#include <mutex>
#include <vector>

#include "cxx/link.h"
#include "cxx/locks.h"
#include "serial/link_control.h"
#include "tevrak/drive.h"
#include "tevrak/motor.h"
#include "tevrak/tevrak.hpp"

namespace tevrak::cxx {
namespace {

struct Moving {
    bool drive = false;
    std::vector<int> motors;  // grows only for a motor moved the first time
};

Moving moving;

// A stop often follows a board that stopped answering (the exception that
// unwinds): its link checks give up after this, not after 100 probes.
constexpr std::chrono::seconds kStopCheckLimit{1};

// Bounds the link checks of the stops while it lives.
class StopCheckLimit {
public:
    StopCheckLimit() : kept_(serial::link_wait().check_limit) {
        if (kept_ == kept_.zero() || kept_ > kStopCheckLimit) serial::link_wait().check_limit = kStopCheckLimit;
    }
    ~StopCheckLimit() { serial::link_wait().check_limit = kept_; }
    StopCheckLimit(const StopCheckLimit &) = delete;
    StopCheckLimit &operator=(const StopCheckLimit &) = delete;

private:
    serial::LinkWait::Clock::duration kept_;
};

}  // namespace

void note_drive_moving(bool now_moving) { moving.drive = now_moving; }

void note_motor_moving(int number, bool now_moving) {
    auto &motors = moving.motors;
    const auto found = std::find(motors.begin(), motors.end(), number);
    if (now_moving && found == motors.end()) motors.push_back(number);
    if (!now_moving && found != motors.end()) motors.erase(found);
}

bool stop_moving(const std::chrono::steady_clock::time_point *deadline) noexcept {
    std::unique_lock lock(link_lock(), std::defer_lock);
    if (deadline == nullptr) {
        lock.lock();
    } else if (!lock.try_lock_until(*deadline)) {
        return false;
    }
    // A unit that is not started has nothing moving: its stop would only
    // start it (and could fail slowly).
    const StopCheckLimit bounded;
    bool stopped = true;
    if (moving.drive && *drive::kUnit.initialised == 1) stopped = VWSetSpeed(0, 0) == 0;
    if (*actuators::kMotorUnit.initialised == 1) {
        for (const int motor : moving.motors) stopped = MOTORDriveRaw(motor, 0) == 0 && stopped;
    }
    moving.drive = false;
    moving.motors.clear();
    return stopped;
}

}  // namespace tevrak::cxx

namespace tevrak {

StopGuard::~StopGuard() { cxx::stop_moving(nullptr); }

}  // namespace tevrak
