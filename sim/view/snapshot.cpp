#include "sim/view/snapshot.h"

#include <initializer_list>

#include "live/json_text.h"

namespace tevrak::sim::view {
namespace {

void append_point(std::string &out, Point point) {
    out += '[';
    append_tenths(out, point.x);
    out += ',';
    append_tenths(out, point.y);
    out += ']';
}

struct Field {
    const char *name;
    long value;
};

// The fields of an object opened just before: "a":1,"b":2
void append_fields(std::string &out, std::initializer_list<Field> fields) {
    for (const Field &field : fields) {
        if (out.back() != '{') out += ',';
        out += '"';
        out += field.name;
        out += "\":";
        out += std::to_string(field.value);
    }
}

}  // namespace

std::string scene_json(const World &world, const Pose &start) {
    const Arena &arena = world.arena();
    std::string out = "{\"arena\":{\"width\":";
    append_whole(out, arena.width());
    out += ",\"height\":";
    append_whole(out, arena.height());
    out += "},\"obstacles\":[";
    for (const Rect &rect : arena.obstacles()) {
        if (out.back() != '[') out += ',';
        out += '[';
        for (const double value : {rect.x, rect.y, rect.width, rect.height}) {
            if (out.back() != '[') out += ',';
            append_whole(out, value);
        }
        out += ']';
    }
    out += "],\"radius\":";
    append_whole(out, world.shape().radius);
    out += ",\"start\":";
    append_point(out, {start.x, start.y});
    out += '}';
    return out;
}

std::string state_json(World &world, const Peripherals &peripherals, const Simulator::Faults &faults,
                       MotorsSeen &motors_seen) {
    world.update();
    const Pose pose = world.pose();
    const WirePose odometry = world.position();
    const WireSpeed speed = world.speed();

    std::string out = "{\"board\":{\"plugged\":";
    out += faults.plugged ? "true" : "false";
    out += ",\"silent\":";
    out += faults.silent ? "true" : "false";
    append_fields(out, {{"late", faults.late_ms}, {"stray", faults.stray}});
    out += "},\"drive\":{";
    append_fields(out, {{"status", world.status()},
                        {"linear", speed.linear},
                        {"angular", speed.angular},
                        {"remaining", world.remaining()}});
    out += "},\"pose\":{\"x\":";
    append_tenths(out, pose.x);
    out += ",\"y\":";
    append_tenths(out, pose.y);
    out += ",\"heading\":";
    append_tenths(out, radians_to_degrees(normalize_angle(pose.heading)));
    out += "},\"odometry\":{";
    append_fields(out, {{"x", odometry.x}, {"y", odometry.y}, {"heading", odometry.heading}});
    out += "},\"encoders\":[" + std::to_string(world.encoder(1)) + "," + std::to_string(world.encoder(2)) + "]";

    out += ",\"sensors\":[";
    for (int n = 1; n <= world.sensor_count(); ++n) {
        if (n > 1) out += ',';
        out += "{\"distance\":";
        append_whole(out, world.sensor_distance(n));
        append_fields(out, {{"raw", world.sensor_raw(n)}});
        out += ",\"from\":";
        append_point(out, world.sensor_origin(n));
        out += ",\"to\":";
        append_point(out, world.sensor_end(n));
        out += '}';
    }
    out += "],\"servos\":[";
    for (std::size_t n = 0; n < peripherals.servos.size(); ++n) {
        if (!peripherals.servos[n].set) continue;
        if (out.back() != '[') out += ',';
        out += "[" + std::to_string(n) + "," + std::to_string(peripherals.servos[n].position) + "]";
    }
    out += "],\"motors\":[";
    for (std::size_t n = 0; n < peripherals.motors.size(); ++n) {
        const MotorState &motor = peripherals.motors[n];
        if (motor.power != 0 || motor.pid || motor.speed != 0) motors_seen.set(n);
        if (!motors_seen.test(n)) continue;
        if (out.back() != '[') out += ',';
        out += "[" + std::to_string(n) + "," + std::to_string(motor.power) + "]";
    }
    out += "]}";
    return out;
}

}  // namespace tevrak::sim::view
