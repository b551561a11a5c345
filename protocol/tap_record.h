// One record of the tap: a copy of one exchange with the board, sent as one
// datagram of fixed size. The listener checks every field before it uses
// one (tap/listener.h): a record is what another program wrote.
#pragma once

#include <cstdint>

#include "protocol/opcodes.h"

namespace tevrak::protocol::tap {

inline constexpr std::uint32_t kMagic = 0x31504154;  // "TAP1" in memory order

// The program's call when it is not the board operation of the same name:
// a conversion or a wait around one of the board's operations. A replay
// names a diverging frame by the call the program made.
enum class Call : std::uint8_t {
    operation = 0,  // the call is the frame's own operation (PSDGetRaw, VWSetSpeed, ...)
    PSDGet,
    ENCODERReset,
    VWDriveDone,
    VWDriveWait,
    VWStalled,
    SERVOSet,
    MOTORDrive,
    VWDrive,
    VWInit,
};

struct CallInfo {
    const char *name;
    // True when the call's arguments are the frame's fields: PSDGet(2)
    // sends PSDGetRaw's frame for sensor 2, SERVOSet(1, 90) a table value.
    bool frame_arguments;
};

inline constexpr CallInfo kCalls[] = {
    {"", true},          {"PSDGet", true},    {"ENCODERReset", true}, {"VWDriveDone", true}, {"VWDriveWait", true},
    {"VWStalled", true}, {"SERVOSet", false}, {"MOTORDrive", false},  {"VWDrive", false},    {"VWInit", false},
};

// The call's entry; the operation's for a number this build does not know.
constexpr const CallInfo &call_info(std::uint8_t call) {
    return call < sizeof kCalls / sizeof kCalls[0] ? kCalls[call] : kCalls[0];
}

// The exchange's outcome, as protocol::Outcome numbers it.
struct Record {
    std::uint32_t magic = kMagic;
    std::uint32_t dropped = 0;  // records the sender dropped so far
    std::int64_t time_ns = 0;   // CLOCK_REALTIME when the exchange ended
    std::uint8_t outcome = 0;   // protocol::Outcome
    std::uint8_t frame_length = 0;
    std::uint8_t reply_length = 0;
    std::uint8_t call = 0;  // Call
    std::uint8_t frame[kMaxFrameLength] = {};
    std::uint8_t reply[kMaxReplyLength] = {};
};

}  // namespace tevrak::protocol::tap
