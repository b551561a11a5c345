// The tap: a copy of every exchange with the board for a listener on the
// Unix socket <home>/tap.sock (tevrak-view, tevrak-record, tevrak-sim
// --record). The listener is looked for once per robot folder, at the
// first exchange: with none, the cost is that one look and nothing per call.
// With one, each exchange costs one clock read and one non-blocking send; a
// listener that does not keep up loses records (counted in the next one
// delivered), never slows the program. A listener that goes away is
// forgotten until the robot folder moves.
#pragma once

#include <cstdint>
#include <span>

#include "protocol/tap_record.h"

namespace tevrak::protocol::tap {

// Hands the exchange to the listener, if there is one. reply: the data read
// behind the reply marker (empty for a command, or when none came).
void note(std::span<const std::uint8_t> frame, std::span<const std::uint8_t> reply, int outcome);

// Names the program's call for the exchanges made while it lasts; a call
// made inside another (PSDGetRaw inside PSDGet) keeps the outer name.
class CallScope {
public:
    explicit CallScope(Call call) noexcept;
    ~CallScope();
    CallScope(const CallScope &) = delete;
    CallScope &operator=(const CallScope &) = delete;

private:
    bool outer_;
};

}  // namespace tevrak::protocol::tap
