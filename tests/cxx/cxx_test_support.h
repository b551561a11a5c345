// Shared pieces of the C++ interface's tests: a robot with one device of
// each kind, fixed replies, and what a call threw.
#pragma once

#include <functional>
#include <stdexcept>
#include <string>

#include "protocol/opcodes.h"
#include "support/board_fixture.h"
#include "tevrak/tevrak.hpp"

namespace tevrak::test {

// The drive of the C tests, and device 1 of each kind with a table (only the
// first device of a kind gets its table loaded).
inline constexpr const char *kCxxRobot =
    "ENCODER 1 540\nDRIVE 100 200 0 0\nKINEMA 10 20 30 40\n"
    "SERVO s 10 200 st\nMOTOR m mt\nPSD p pt\nPSD q -\n"
    "TABLE st 5 6 7 8\nTABLE mt 11 22 33 44\nTABLE pt -1 100 200 300\n";

inline void set_replies(sim::Board &board) {
    namespace op = protocol::op;
    board.set_reply(op::VWGetPosition, {0x00, 0x0A, 0xFF, 0xF6, 0x00, 0x9D});
    board.set_reply(op::VWGetSpeed, {0x00, 0x64, 0x00, 0x4E});
    board.set_reply(op::VWDriveRemain, {0x01, 0x2C});
    board.set_reply(op::VWDriveStatus, {0x02});
    board.set_reply(op::ENCODERRead, {0x01, 0x02, 0x03, 0x04});
    board.set_reply(op::PSDGetRaw, {0x0F, 0xFF});
}

// What a call threw, in words: "LinkError VW 1", "StartupError PSD -1",
// "StalledError VW 2", "out_of_range <what>", "nothing". The C functions' messages during the call
// are not looked at here (the C tests check them).
inline std::string thrown_by(const std::function<void()> &call) {
    const OutputCapture quiet;
    try {
        call();
    } catch (const StalledError &e) {
        return std::string("StalledError ") + e.unit() + " " + std::to_string(e.code());
    } catch (const StartupError &e) {
        return std::string("StartupError ") + e.unit() + " " + std::to_string(e.code());
    } catch (const LinkError &e) {
        return std::string("LinkError ") + e.unit() + " " + std::to_string(e.code());
    } catch (const Error &e) {
        return std::string("Error ") + e.unit() + " " + std::to_string(e.code());
    } catch (const std::out_of_range &e) {
        return std::string("out_of_range ") + e.what();
    }
    return "nothing";
}

}  // namespace tevrak::test
