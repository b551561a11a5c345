// Queries: a frame, then the reply behind the marker. A reply that never
// comes fails like a failed link check (the routine has written the timeout
// message and cleared the flag).
#include <array>
#include <cstdint>

#include "drive/angles.h"
#include "drive/outcomes.h"
#include "drive/state.h"
#include "protocol/tap.h"

using namespace tevrak;
using protocol::Frame;
using protocol::Outcome;

namespace {

constexpr int kLinkFailed = 1;
constexpr int kStartupFailedStatus = -1;  // code of the status queries
constexpr std::uint8_t kStatusDone = 1;
constexpr std::uint8_t kStatusStalled = 2;

// Reads the drive status byte into status, running the unit's start-up first
// unless it is done. Returns the failure code of the status queries, or 0
// when status was read.
int status_code(std::uint8_t &status, drive::Startup startup = drive::Startup::when_needed) {
    switch (drive::read_status(status, startup)) {
    case Outcome::ok: return 0;
    case Outcome::startup_failed: return kStartupFailedStatus;
    default: return kLinkFailed;
    }
}

}  // namespace

namespace tevrak::drive {

Outcome read_status(std::uint8_t &status, Startup startup) {
    protocol::Reply<protocol::op::VWDriveStatus> reply{};
    const Frame frame = protocol::make_frame<protocol::op::VWDriveStatus>();
    const Outcome outcome = startup == Startup::done ? protocol::query_without_startup(kUnit, frame, reply)
                                                     : protocol::query(kUnit, frame, reply);
    if (outcome == Outcome::ok)
        status = static_cast<std::uint8_t>(protocol::reply_value<protocol::op::VWDriveStatus>(reply, 0));
    return outcome;
}

Outcome read_remaining(int &distance) {
    protocol::Reply<protocol::op::VWDriveRemain> reply{};
    const Outcome outcome = protocol::query(kUnit, protocol::make_frame<protocol::op::VWDriveRemain>(), reply, stderr,
                                            protocol::ReplyRead::single_read);
    if (outcome == Outcome::ok) distance = protocol::reply_value<protocol::op::VWDriveRemain>(reply, 0);
    if (outcome == Outcome::short_reply) {
        // The port stays open; the next operation starts the unit afresh.
        protocol::write_message(stderr, kShortReplyMessage);
        state.VWInitialised = 0;
    }
    return outcome;
}

}  // namespace tevrak::drive

extern "C" int VWGetSpeed(int *linear_speed, int *angular_speed) {
    constexpr auto kOp = protocol::op::VWGetSpeed;
    protocol::Reply<kOp> reply{};
    if (protocol::query(drive::kUnit, protocol::make_frame<kOp>(), reply) != Outcome::ok) return 1;
    if (linear_speed != nullptr) *linear_speed = protocol::reply_value<kOp>(reply, 0);
    if (angular_speed != nullptr) *angular_speed = drive::wire_to_degrees(protocol::reply_value<kOp>(reply, 1));
    return 0;
}

extern "C" int VWGetPosition(int *x, int *y, int *heading) {
    constexpr auto kOp = protocol::op::VWGetPosition;
    protocol::Reply<kOp> reply{};
    if (protocol::query(drive::kUnit, protocol::make_frame<kOp>(), reply) != Outcome::ok) return 1;
    if (x != nullptr) *x = protocol::reply_value<kOp>(reply, 0);
    if (y != nullptr) *y = protocol::reply_value<kOp>(reply, 1);
    if (heading != nullptr) *heading = drive::wire_to_degrees(protocol::reply_value<kOp>(reply, 2));
    return 0;
}

extern "C" int VWDriveRemain(void) {
    int distance = 0;
    switch (drive::read_remaining(distance)) {
    case Outcome::ok: return distance;
    case Outcome::startup_failed:
    case Outcome::short_reply: return -1;
    default: return kLinkFailed;
    }
}

extern "C" int VWDriveDone(void) {
    const protocol::tap::CallScope call(protocol::tap::Call::VWDriveDone);
    std::uint8_t status = 0;
    const int failure = status_code(status);
    return failure != 0 ? failure : status;
}

extern "C" int VWDriveWait(void) {
    const protocol::tap::CallScope call(protocol::tap::Call::VWDriveWait);
    // The unit starts once, before the loop; should its gains step have lost
    // the link, the first poll's link check reports it.
    if (!protocol::ensure_started(drive::kUnit)) return kStartupFailedStatus;
    // Each poll runs its own link check, whose flush pause paces the loop;
    // a board that stops answering ends the wait through that check.
    std::uint8_t status = 0;
    while (status != kStatusDone) {
        const int failure = status_code(status, drive::Startup::done);
        if (failure != 0) return failure;
    }
    return 0;
}

extern "C" int VWStalled(void) {
    const protocol::tap::CallScope call(protocol::tap::Call::VWStalled);
    std::uint8_t status = 0;
    const int failure = status_code(status);
    if (failure != 0) return failure;
    return status == kStatusStalled ? 0 : 1;
}
