// The steps every C++ call on the serial link shares: the lock, the unit's
// start-up, and telling a failed command from a result.
//
// A failed command is seen through the unit's flag: the command routine
// clears it on every failed link check and missing reply (and the drive on
// a short reply), and nothing else clears it while the lock is held. So a
// started unit whose flag is 0 after a C call has failed that call, whatever
// the call returned.
#pragma once

#include <mutex>

#include "actuators/unit.h"
#include "cxx/locks.h"
#include "drive/unit.h"
#include "protocol/command.h"
#include "rangers/unit.h"

namespace tevrak::cxx {

// A unit on the link as the C++ layer sees it: the command routine's own
// description (tag, flag, start-up with its whole outcome).
using LinkUnit = protocol::Unit;

// Every device unit on the link. Whatever must reach them all (forgetting
// the robot when its folder moves) goes through this list.
inline constexpr const LinkUnit *kLinkUnits[] = {&drive::kUnit, &actuators::kServoUnit, &actuators::kMotorUnit,
                                                 &actuators::kEncoderUnit, &rangers::kSensorUnit};

// A C function and the codes it returns for its failures.
struct CCall {
    const char *function;
    int startup_code;  // the unit could not start
    int link_code;     // the board did not answer
};

[[noreturn]] void throw_link_error(const LinkUnit &unit, const CCall &call, int code);

// Starts the unit when its flag is 0: StartupError when it cannot start,
// LinkError when its start-up's link check failed, both with the call's
// start-up code. The caller holds the link lock.
void ensure_started(const LinkUnit &unit, const CCall &call);

// Runs fn (the C function) under the link lock after the start-up and
// returns its result; LinkError with the call's link code when it failed.
template <typename Fn>
auto on_link(const LinkUnit &unit, const CCall &call, Fn fn) {
    const std::lock_guard lock(link_lock());
    ensure_started(unit, call);
    const auto result = fn();
    if (*unit.initialised == 0) throw_link_error(unit, call, call.link_code);
    return result;
}

}  // namespace tevrak::cxx
