// Distance sensors: raw readings and readings converted through the
// sensor's calibration table.
#include "tevrak/psd.h"

#include <array>
#include <cstdio>

#include "config/conversion.h"
#include "platform/hdt_loader.h"
#include "protocol/command.h"
#include "protocol/tap.h"
#include "protocol/unit_startup.h"
#include "rangers/state.h"

using namespace tevrak::rangers;
using namespace tevrak::conversion;
namespace protocol = tevrak::protocol;
namespace hdt = tevrak::hdt;

extern "C" int PSDInit(void) {
    return protocol::start_device_unit(state.PSDInitialised, state.PSDFirst, {HDTLoadPSD, HDTLoadTable});
}

extern "C" int PSDGetRaw(int psd) {
    protocol::Reply<protocol::op::PSDGetRaw> reply{};
    if (protocol::query(kSensorUnit, protocol::make_frame<protocol::op::PSDGetRaw>(psd), reply) !=
        protocol::Outcome::ok) {
        return -1;
    }
    return protocol::reply_value<protocol::op::PSDGetRaw>(reply, 0);
}

extern "C" int PSDGet(int psd) {
    const protocol::tap::CallScope call(protocol::tap::Call::PSDGet);
    if (!protocol::ensure_started(kSensorUnit)) return -1;
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
