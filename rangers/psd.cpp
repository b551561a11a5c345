// Distance sensors: raw readings and readings converted through the
// sensor's calibration table.
#include "tevrak/psd.h"

#include <array>
#include <cstdio>

#include "config/conversion.h"
#include "platform/hdt_loader.h"
#include "protocol/command.h"
#include "protocol/unit_startup.h"
#include "rangers/state.h"

namespace tevrak::rangers {
namespace {

namespace protocol = tevrak::protocol;

const protocol::Unit kPsd{&state.PSDInitialised, PSDInit, "PSD: Timeout!!!\n"};

}  // namespace
}  // namespace tevrak::rangers

using namespace tevrak::rangers;
using namespace tevrak::conversion;
namespace protocol = tevrak::protocol;
namespace hdt = tevrak::hdt;

extern "C" int PSDInit(void) {
    return protocol::start_device_unit(state.PSDInitialised, state.PSDFirst, {HDTLoadPSD, HDTLoadTable});
}

extern "C" int PSDGetRaw(int psd) {
    std::array<std::uint8_t, 2> reply{};
    if (protocol::query(kPsd, protocol::Frame(protocol::op::PSDGetRaw).byte(psd), reply) != protocol::Outcome::ok) {
        return -1;
    }
    return protocol::unsigned_word(reply[0], reply[1]);
}

extern "C" int PSDGet(int psd) {
    if (!protocol::ensure_started(kPsd)) return -1;
    // The reading comes first; the table is looked up afterwards, so a
    // timeout message precedes the no-table message.
    const int raw = PSDGetRaw(psd);
    const hdt::Table *table = hdt::table_of(hdt::nth(state.PSDFirst, psd));
    if (table == nullptr) {
        protocol::write_message(stderr, "PSD: No table, returning raw value\n");
        return raw;
    }
    if (raw == -1) return -1;
    return table->data[reading_index(raw, table->size)];
}
