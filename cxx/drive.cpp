// The chassis: each call runs its C function under the link lock; the status
// and remaining-distance queries read the drive's outcome one level below,
// where a failure cannot pass for the status 1.
#include <algorithm>
#include <thread>

#include "cxx/link.h"
#include "cxx/motion.h"
#include "drive/outcomes.h"
#include "tevrak/drive.h"
#include "tevrak/tevrak.hpp"

namespace tevrak {
namespace {

using Clock = std::chrono::steady_clock;
using protocol::Outcome;

constexpr std::chrono::milliseconds kPollPause{10};
constexpr int kStatusDone = 1;
constexpr int kStatusStalled = 2;

const cxx::LinkUnit &kDrive = drive::kUnit;

// Commands and the two value queries: 1 for either failure.
constexpr cxx::CCall command(const char *function) { return {function, 1, 1}; }
constexpr cxx::CCall kRemain{"VWDriveRemain", -1, 1};
constexpr int kShortReplyCode = -1;  // VWDriveRemain's for a short reply
constexpr cxx::CCall kDone{"VWDriveDone", -1, 1};
constexpr cxx::CCall kStalled{"VWStalled", -1, 1};
constexpr cxx::CCall kWait{"VWDriveWait", -1, 1};

// The status byte; the caller holds the link lock.
int status_locked(const cxx::CCall &call) {
    cxx::ensure_started(kDrive, call);
    std::uint8_t status = 0;
    if (drive::read_status(status) != Outcome::ok) cxx::throw_link_error(kDrive, call, call.link_code);
    return status;
}

int read_status_byte(const cxx::CCall &call) {
    const std::lock_guard lock(cxx::link_lock());
    return status_locked(call);
}

[[noreturn]] void stalled_in_wait() {
    throw StalledError(kDrive.name(), kWait.function, kStatusStalled,
                       "the chassis is stalled (status 2): something blocks it");
}

// Polls the status until it is 1 or the deadline (none: no limit) has
// passed, sleeping between the queries with the lock given up. A stall ends
// the wait: the board would report it until the next command.
bool wait_until(const Clock::time_point *deadline) {
    for (;;) {
        {
            std::unique_lock lock(cxx::link_lock(), std::defer_lock);
            if (deadline == nullptr) {
                lock.lock();
            } else if (!lock.try_lock_until(*deadline)) {
                return false;
            }
            const int status = status_locked(kWait);
            if (status == kStatusDone) return true;
            if (status == kStatusStalled) stalled_in_wait();
        }
        auto pause = kPollPause;
        if (deadline != nullptr) {
            const auto left = *deadline - Clock::now();
            if (left <= Clock::duration::zero()) return false;
            pause = std::min(pause, std::chrono::ceil<std::chrono::milliseconds>(left));
        }
        std::this_thread::sleep_for(pause);
    }
}

// A command that sets the chassis moving: noted once it has been sent.
template <typename Fn>
void moving_command(const char *function, Fn fn) {
    cxx::on_link(kDrive, command(function), [&] {
        const int result = fn();
        cxx::note_drive_moving(true);
        return result;
    });
}

}  // namespace

Drive::Drive() {
    cxx::on_link(kDrive, {"VWInit", 1, 1}, [] { return 0; });
}

void Drive::set_speed(int linear, int angular) {
    cxx::on_link(kDrive, command("VWSetSpeed"), [&] {
        const int result = VWSetSpeed(linear, angular);
        cxx::note_drive_moving(linear != 0 || angular != 0);
        return result;
    });
}

void Drive::stop() {
    cxx::on_link(kDrive, command("VWSetSpeed"), [] {
        const int result = VWSetSpeed(0, 0);
        cxx::note_drive_moving(false);
        return result;
    });
}

void Drive::straight(int distance, int speed) {
    moving_command("VWStraight", [&] { return VWStraight(distance, speed); });
}

void Drive::turn(int angle, int angular_speed) {
    moving_command("VWTurn", [&] { return VWTurn(angle, angular_speed); });
}

void Drive::curve(int length, int angle, int speed) {
    moving_command("VWCurve", [&] { return VWCurve(length, angle, speed); });
}

void Drive::drive_to(int dx, int dy, int speed) {
    moving_command("VWDrive", [&] { return VWDrive(dx, dy, speed); });
}

void Drive::set_position(Pose pose) {
    cxx::on_link(kDrive, command("VWSetPosition"), [&] { return VWSetPosition(pose.x, pose.y, pose.heading); });
}

Pose Drive::position() {
    Pose pose{};
    cxx::on_link(kDrive, command("VWGetPosition"), [&] { return VWGetPosition(&pose.x, &pose.y, &pose.heading); });
    return pose;
}

Speed Drive::speed() {
    Speed speed{};
    cxx::on_link(kDrive, command("VWGetSpeed"), [&] { return VWGetSpeed(&speed.linear, &speed.angular); });
    return speed;
}

int Drive::remaining() {
    const std::lock_guard lock(cxx::link_lock());
    cxx::ensure_started(kDrive, kRemain);
    int distance = 0;
    switch (drive::read_remaining(distance)) {
    case Outcome::ok: return distance;
    case Outcome::short_reply: cxx::throw_link_error(kDrive, kRemain, kShortReplyCode);
    default: cxx::throw_link_error(kDrive, kRemain, kRemain.link_code);
    }
}

int Drive::status() { return read_status_byte(kDone); }

bool Drive::done() { return read_status_byte(kDone) == kStatusDone; }

bool Drive::stalled() { return read_status_byte(kStalled) == kStatusStalled; }

void Drive::wait() { wait_until(nullptr); }

bool Drive::wait_for(std::chrono::milliseconds timeout) {
    const Clock::time_point deadline = Clock::now() + timeout;
    return wait_until(&deadline);
}

void Drive::control(int k1, int k2, int k3, int k4) {
    cxx::on_link(kDrive, command("VWControl"), [&] { return VWControl(k1, k2, k3, k4); });
}

void Drive::control_off() {
    cxx::on_link(kDrive, command("VWControlOff"), [] { return VWControlOff(); });
}

}  // namespace tevrak
