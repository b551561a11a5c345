// The one command routine every device unit uses. A command is:
//   1. the unit's start-up when its initialised flag is 0 (failure: nothing sent),
//   2. the link check on interface 1 (failure: the unit's timeout message,
//      flag cleared; the serial link has closed the port),
//   3. the frame, one byte per write,
//   4. for a query: input skipped up to the reply marker '>', then the reply.
//
// Contract for replies: the wait for the marker is bounded. It gives up after
// kMarkerIdleReads reads in a row that bring no byte (each read waits at most
// 0.5 s) or after kMarkerStrayBytes bytes that are not the marker. A missing
// marker, or a reply byte that does not come, is reported as
// Outcome::no_reply after the unit's timeout message has been written and its
// flag cleared, exactly as for a failed link check; the unit then returns
// its link-check failure code instead of decoding garbage.
#pragma once

#include <cstdint>
#include <cstdio>
#include <span>

#include "platform/message.h"
#include "protocol/frame.h"

namespace tevrak::protocol {

inline constexpr int kLinkInterface = 1;  // the controller board's interface
inline constexpr int kLinkBaud = 115200;
inline constexpr int kMarkerIdleReads = 4;
inline constexpr int kMarkerStrayBytes = 1024;

enum class Outcome;

// A device unit on the link, as the command routine and the C++ layer see
// it. Each unit defines its own in its unit.h.
struct Unit {
    UnitId id;                    // its tag and its operations in the opcode table
    int *initialised;             // the unit's flag: 1 once started
    int (*startup)();             // its start-up: 0 started, non-zero failed
    const char *timeout_message;  // "VW: Timeout!!!\n" and the like
    // Its start-up with the whole outcome, where the C start-up folds a
    // failed link check into its failure code (the drive); null: the
    // outcome follows from startup's result.
    Outcome (*start)() = nullptr;

    constexpr const char *name() const { return unit_name(id); }
};

enum class Outcome {
    ok,              // frame sent (and reply read)
    startup_failed,  // the start-up failed; nothing was sent, no message
    link_failed,     // the link check failed; message written, flag cleared
    no_reply,        // marker or reply byte never came; message written, flag cleared
    short_reply,     // single-read reply brought fewer bytes; nothing written, flag untouched
};

enum class ReplyRead {
    bytewise,     // one SERReceiveChar per reply byte
    single_read,  // one SERReceive for the whole reply; its count is checked
};

// Runs the unit's start-up if its flag is 0. Returns false when it failed.
bool ensure_started(const Unit &unit);

// Runs the unit's start-up and tells a failed start-up (nothing sent) from
// a failed link check.
Outcome start(const Unit &unit);

// Sends a command without reply. Writes the timeout message to stream.
Outcome command(const Unit &unit, const Frame &frame, std::FILE *stream = stderr);

// The result every command without reply returns: 0 when the frame was
// sent, 1 when the start-up or the link check failed.
int command_result(const Unit &unit, const Frame &frame, std::FILE *stream = stderr);

// Sends a query and reads reply.size() bytes behind the reply marker.
Outcome query(const Unit &unit, const Frame &frame, std::span<std::uint8_t> reply, std::FILE *stream = stderr,
              ReplyRead mode = ReplyRead::bytewise);

// The same sequence without the start-up step, for use inside a start-up
// that sends its own set-up frame before its flag is set.
Outcome send_without_startup(const Unit &unit, const Frame &frame, std::FILE *stream = stderr);

// The query without the start-up step, for a loop that started its unit
// once and then only polls (a failure inside the loop ends it; it never
// starts the unit again midway).
Outcome query_without_startup(const Unit &unit, const Frame &frame, std::span<std::uint8_t> reply,
                              std::FILE *stream = stderr, ReplyRead mode = ReplyRead::bytewise);

// Fixed messages go through the library's one writer.
using tevrak::write_message;

}  // namespace tevrak::protocol
