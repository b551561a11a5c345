#include "sim/program/sim_state.h"

#include <cmath>
#include <cstdio>

#include <nlohmann/json.hpp>

namespace tevrak::sim {
namespace {

using Json = nlohmann::ordered_json;

double finite(double value) { return std::isfinite(value) ? value : 0.0; }

// Rays only place lines on the page: tenths of a mm keep the feed short.
Json tenths(Point point) {
    return Json::array({std::round(finite(point.x) * 10) / 10, std::round(finite(point.y) * 10) / 10});
}

Json speeds(WireSpeed speed) { return {{"linear", speed.linear}, {"angular", speed.angular}}; }

long whole(double value) { return std::lround(finite(value)); }

}  // namespace

SimState capture_state(World &world, const Peripherals &peripherals) {
    world.update();
    SimState state;
    const Pose pose = world.pose();
    state.pose = {pose.x, pose.y, normalize_angle(pose.heading)};
    state.odometry = world.position();
    state.motion = world.speed();
    state.command = world.commanded();
    state.drive_status = world.status();
    state.remaining = world.remaining();
    state.remaining_is_angle = world.remaining_is_angle();
    state.encoders = {world.encoder(1), world.encoder(2)};
    state.setup = world.setup();
    for (int n = 1; n <= world.sensor_count(); ++n) {
        state.sensors.push_back(
            {world.sensor_distance(n), world.sensor_raw(n), world.sensor_origin(n), world.sensor_end(n)});
    }
    for (std::size_t n = 0; n < peripherals.servos.size(); ++n) {
        const ServoState &servo = peripherals.servos[n];
        if (servo.set || servo.low != 0 || servo.high != 255) state.servos.push_back({static_cast<int>(n), servo});
    }
    for (std::size_t n = 0; n < peripherals.motors.size(); ++n) {
        const MotorState &motor = peripherals.motors[n];
        if (motor.driven || !motor.idle()) state.motors.push_back({static_cast<int>(n), motor});
    }
    if (peripherals.controller_on) state.controller = peripherals.gains;
    return state;
}

std::string state_json(const SimState &state) {
    Json sensors = Json::array();
    for (const SensorState &sensor : state.sensors) {
        sensors.push_back({{"distance", whole(sensor.distance)},
                           {"raw", sensor.raw},
                           {"from", tenths(sensor.from)},
                           {"to", tenths(sensor.to)}});
    }
    Json servos = Json::array();
    for (const auto &[number, servo] : state.servos) {
        servos.push_back({number, servo.set ? Json(servo.position) : Json(nullptr), servo.low, servo.high});
    }
    Json motors = Json::array();
    for (const auto &[number, motor] : state.motors) {
        motors.push_back({number, motor.power, motor.pid, motor.p, motor.i, motor.d, motor.speed});
    }
    Json record = {
        {"board",
         {{"link", state.link},
          {"plugged", state.board.plugged},
          {"silent", state.board.silent},
          {"late", state.board.late_ms},
          {"stray", state.board.stray}}},
        {"pose",
         {{"x", finite(state.pose.x)},
          {"y", finite(state.pose.y)},
          {"heading", finite(radians_to_degrees(state.pose.heading))}}},
        {"odometry", {{"x", state.odometry.x}, {"y", state.odometry.y}, {"heading", state.odometry.heading}}},
        {"drive",
         {{"status", state.drive_status},
          {"linear", state.motion.linear},
          {"angular", state.motion.angular},
          {"remaining", state.remaining},
          {"remaining_unit", state.remaining_is_angle ? "hundredths of a radian" : "mm"},
          {"command", speeds(state.command)}}},
        {"setup",
         {{"ticks", state.setup.ticks_per_revolution},
          {"diameter", state.setup.wheel_diameter},
          {"track", state.setup.wheel_track},
          {"flags", state.setup.flag_code}}},
        {"encoders", state.encoders},
        {"sensors", std::move(sensors)},
        {"servos", std::move(servos)},
        {"motors", std::move(motors)},
        {"controller", state.controller ? Json(*state.controller) : Json(nullptr)},
        {"remote",
         {{"pressed", state.remote.pressed},
          {"last", state.remote.last.empty() ? Json(nullptr) : Json(state.remote.last)}}},
    };
    if (state.world_ms) record["world_ms"] = *state.world_ms;
    // A button name is plain ASCII, but the link path is the user's: keep
    // bytes that are not UTF-8 rather than fail.
    return record.dump(-1, ' ', false, Json::error_handler_t::replace);
}

std::string state_text(const SimState &state) {
    char text[768];
    std::snprintf(text, sizeof text,
                  "board: %s at %s\n"
                  "arena pose: x=%.0f y=%.0f heading=%.0f deg\n"
                  "odometry: x=%d y=%d heading=%d\n"
                  "speed: linear=%d angular=%d, status=%d, remaining=%d %s\n"
                  "command: linear=%d angular=%d\n"
                  "encoders: left=%d right=%d (ticks=%d diameter=%d track=%d flags=%d)\n",
                  state.board.plugged ? "plugged" : "unplugged", state.link.c_str(), state.pose.x, state.pose.y,
                  radians_to_degrees(state.pose.heading), state.odometry.x, state.odometry.y, state.odometry.heading,
                  state.motion.linear, state.motion.angular, state.drive_status, state.remaining,
                  state.remaining_is_angle ? "hundredths of a radian" : "mm", state.command.linear,
                  state.command.angular, static_cast<int>(state.encoders[0]), static_cast<int>(state.encoders[1]),
                  state.setup.ticks_per_revolution, state.setup.wheel_diameter, state.setup.wheel_track,
                  state.setup.flag_code);
    std::string result = text;
    for (std::size_t n = 0; n < state.sensors.size(); ++n) {
        result += "psd " + std::to_string(n + 1) + ": " + std::to_string(whole(state.sensors[n].distance)) +
                  " mm, raw " + std::to_string(state.sensors[n].raw) + "\n";
    }
    for (const auto &[number, servo] : state.servos) {
        result += "servo " + std::to_string(number) +
                  ": position=" + (servo.set ? std::to_string(servo.position) : "unset") +
                  " range=" + std::to_string(servo.low) + ".." + std::to_string(servo.high) + "\n";
    }
    for (const auto &[number, motor] : state.motors) {
        if (motor.idle()) continue;
        result += "motor " + std::to_string(number) + ": power=" + std::to_string(motor.power) +
                  " pid=" + (motor.pid ? "on" : "off") + " p=" + std::to_string(motor.p) +
                  " i=" + std::to_string(motor.i) + " d=" + std::to_string(motor.d) +
                  " speed=" + std::to_string(motor.speed) + "\n";
    }
    result += "drive controller: ";
    if (const auto &gains = state.controller) {
        result += "gains " + std::to_string((*gains)[0]) + " " + std::to_string((*gains)[1]) + " " +
                  std::to_string((*gains)[2]) + " " + std::to_string((*gains)[3]) + "\n";
    } else {
        result += "off\n";
    }
    if (state.world_ms) result += "world time: " + std::to_string(*state.world_ms) + " ms\n";
    if (!state.remote.last.empty()) {
        result += "remote: " + std::to_string(state.remote.pressed) + " keys, last " + state.remote.last + "\n";
    }
    return result;
}

}  // namespace tevrak::sim
