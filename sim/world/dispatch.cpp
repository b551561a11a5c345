#include "sim/world/dispatch.h"

#include "protocol/frame.h"
#include "protocol/opcodes.h"

namespace tevrak::sim {
namespace {

namespace op = protocol::op;

void push_word(Bytes &bytes, int value) {
    const auto word = protocol::word_field(value);
    bytes.push_back(word[0]);
    bytes.push_back(word[1]);
}

}  // namespace

bool apply_command(const DecodedFrame &frame, World &world, Peripherals &peripherals) {
    if (frame.name == nullptr) return false;
    switch (frame.opcode) {
    case op::VWSetSpeed: world.set_speed(frame["linear"], frame["angular"]); return true;
    case op::VWStraight: world.straight(frame["distance"], frame["speed"]); return true;
    case op::VWTurn: world.turn(frame["angle"], frame["speed"]); return true;
    case op::VWCurve: world.curve(frame["length"], frame["angle"], frame["speed"]); return true;
    case op::VWSetPosition: world.set_position(frame["x"], frame["y"], frame["heading"]); return true;
    case op::DriveSetup:
        world.drive_setup(frame["ticks"], frame["diameter"], frame["track"], frame["flags"]);
        return true;
    default: return peripherals.apply(frame);
    }
}

std::optional<Bytes> answer_query(const DecodedFrame &frame, World &world) {
    if (frame.name == nullptr) return std::nullopt;
    Bytes data;
    switch (frame.opcode) {
    case op::VWGetSpeed: {
        const auto speed = world.speed();
        push_word(data, speed.linear);
        push_word(data, speed.angular);
        break;
    }
    case op::VWGetPosition: {
        const auto pose = world.position();
        push_word(data, pose.x);
        push_word(data, pose.y);
        push_word(data, pose.heading);
        break;
    }
    case op::VWDriveRemain: push_word(data, world.remaining()); break;
    case op::VWDriveStatus: data.push_back(static_cast<std::uint8_t>(world.status())); break;
    case op::ENCODERRead: {
        const auto count = static_cast<std::uint32_t>(world.encoder(frame["encoder"]));
        for (int shift = 24; shift >= 0; shift -= 8) data.push_back(static_cast<std::uint8_t>(count >> shift));
        break;
    }
    case op::PSDGetRaw: push_word(data, world.sensor_raw(frame["psd"])); break;
    default: return std::nullopt;
    }
    return data;
}

}  // namespace tevrak::sim
