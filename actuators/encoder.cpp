// Encoders: the board's 32-bit counts, made relative to a zero kept in
// software. Reading and resetting send the same query.
#include <array>
#include <cstdio>

#include "actuators/state.h"
#include "config/conversion.h"
#include "protocol/command.h"
#include "protocol/tap.h"
#include "tevrak/motor.h"

namespace tevrak::actuators {
namespace {

namespace protocol = tevrak::protocol;

// kEncoderUnit: the motors' flag and start-up, a message of its own whose
// stream depends on the operation.
const protocol::Unit &kEncoder = kEncoderUnit;

constexpr bool valid_encoder(int encoder) { return encoder >= 1 && encoder <= kEncoders; }

// Queries the board's count of an encoder; count is set only on Outcome::ok.
protocol::Outcome read_count(int encoder, std::FILE *stream, std::int32_t &count) {
    protocol::Reply<protocol::op::ENCODERRead> reply{};
    const auto outcome =
        protocol::query(kEncoder, protocol::make_frame<protocol::op::ENCODERRead>(encoder), reply, stream);
    if (outcome == protocol::Outcome::ok) count = protocol::reply_value<protocol::op::ENCODERRead>(reply, 0);
    return outcome;
}

}  // namespace
}  // namespace tevrak::actuators

using namespace tevrak::actuators;
using namespace tevrak::conversion;
namespace protocol = tevrak::protocol;

extern "C" int ENCODERRead(int encoder) {
    // An encoder without a zero slot is refused before anything is sent.
    if (!valid_encoder(encoder)) return -1;
    std::int32_t count = 0;
    if (read_count(encoder, stdout, count) != protocol::Outcome::ok) return -1;
    return relative_count(count, state.ENCODERBaseVal[static_cast<std::size_t>(encoder - 1)]);
}

extern "C" int ENCODERReset(int encoder) {
    const protocol::tap::CallScope call(protocol::tap::Call::ENCODERReset);
    if (!valid_encoder(encoder)) return -1;
    std::int32_t count = 0;
    const auto outcome = read_count(encoder, stderr, count);
    if (outcome == protocol::Outcome::startup_failed) return 1;
    if (outcome != protocol::Outcome::ok) return -1;
    state.ENCODERBaseVal[static_cast<std::size_t>(encoder - 1)] = count;
    return 0;
}
