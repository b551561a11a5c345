// Start-up of the drive unit and the velocity controller's gains.
#include <optional>

#include "config/paths.h"
#include "drive/outcomes.h"
#include "drive/settings.h"
#include "drive/state.h"
#include "protocol/tap.h"
#include "tevrak/serial.h"

namespace tevrak::drive {

State state;

// Every drive operation goes through the command routine with this unit:
// lazy start-up through VWInit, timeout message on standard error.
const protocol::Unit kUnit{protocol::UnitId::drive, &state.VWInitialised, &VWInit, kTimeoutMessage, start};

void reset() { state = State{}; }

namespace {

// The file's values, or nothing (with the message) when it cannot be read.
std::optional<DriveSettings> load_settings() {
    hdt::LineReader reader(paths::hdt_file());
    if (!reader.is_open()) {
        protocol::write_message(stderr, "No HDT file present");
        return std::nullopt;
    }
    return read_drive_settings(reader);
}

// Loads the file's gains, or switches the controller off when they are all
// zero. The file holds them as first, second, third, fourth controller value;
// the board takes the third value as its second gain and the second value as
// its third.
void gains_step(const DriveSettings &settings) {
    const auto &k = settings.controller;
    if (k[0] == 0 && k[1] == 0 && k[2] == 0 && k[3] == 0) {
        VWControlOff();
    } else {
        VWControl(k[0], k[2], k[1], k[3]);
    }
}

}  // namespace

protocol::Outcome start() {
    // The file comes first: without it nothing else happens, not even the
    // opening of the serial port.
    const auto settings = load_settings();
    if (!settings) return protocol::Outcome::startup_failed;

    // Started already: only the gains are loaded again.
    if (state.VWInitialised == 1) {
        gains_step(*settings);
        return protocol::Outcome::ok;
    }

    if (SERInit(protocol::kLinkInterface, protocol::kLinkBaud, 0) != 0) return protocol::Outcome::startup_failed;
    // The flag is still 0 here, so the frame must bypass the lazy start-up.
    const auto sent = protocol::send_without_startup(kUnit, setup_frame(*settings));
    if (sent != protocol::Outcome::ok) return sent;
    state.VWInitialised = 1;
    gains_step(*settings);
    return protocol::Outcome::ok;
}

}  // namespace tevrak::drive

using namespace tevrak;
using drive::kUnit;

extern "C" int VWInit(void) {
    const protocol::tap::CallScope call(protocol::tap::Call::VWInit);
    return drive::start() == protocol::Outcome::ok ? 0 : 1;
}

extern "C" int VWControl(int gain1, int gain2, int gain3, int gain4) {
    const auto frame = protocol::make_frame<protocol::op::VWControl>(gain1, gain2, gain3, gain4);
    return protocol::command_result(kUnit, frame);
}

extern "C" int VWControlOff(void) {
    return protocol::command_result(kUnit, protocol::make_frame<protocol::op::VWControlOff>());
}
