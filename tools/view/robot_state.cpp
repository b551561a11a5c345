#include "tools/view/robot_state.h"

#include <nlohmann/json.hpp>

#include <cmath>
#include <cstdio>
#include <memory>
#include <span>

#include "config/conversion.h"
#include "config/device_lines.h"
#include "protocol/command.h"
#include "protocol/opcodes.h"
#include "sim/world/frame_text.h"

namespace tevrak::view {
namespace {

using nlohmann::json;
namespace op = protocol::op;

// Odometry points closer than this are one point of the path.
constexpr double kTrailStep = 5;
constexpr std::size_t kMostTrailPoints = 20000;

template <class Values>
json numbered(const Values &values) {
    json list = json::array();
    for (const auto &[number, value] : values) list.push_back({number, value.value});
    return list;
}

template <class Values>
json ages(const Values &values) {
    json object = json::object();
    for (const auto &[number, value] : values) object[std::to_string(number)] = value.at;
    return object;
}

// Arena millimetres to the page's tenths, as the simulator sends its rays.
json tenths(double x, double y) { return {std::lround(x * 10) / 10.0, std::lround(y * 10) / 10.0}; }

}  // namespace

std::map<int, SensorPlace> sensor_places(const std::string &hdt_text, const std::vector<double> &directions) {
    std::map<int, SensorPlace> places;
    std::FILE *stream = ::fmemopen(const_cast<char *>(hdt_text.data()), hdt_text.size(), "r");
    if (stream == nullptr) return places;
    std::unique_ptr<hdt::DeviceList<hdt::Device>> list;
    {
        hdt::LineReader reader(stream);
        list = hdt::read_sensors(reader);
    }
    std::fclose(stream);
    int number = 0;
    for (const hdt::Device &device : list->records) {
        ++number;
        if (static_cast<std::size_t>(number) > directions.size()) break;
        SensorPlace &place = places[number];
        place.direction = directions[static_cast<std::size_t>(number - 1)] * M_PI / 180;
        if (const hdt::Table *table = hdt::table_of(&device))
            place.table.assign(table->data, table->data + table->size);
    }
    return places;
}

std::string RobotState::scene_json() {
    return json{{"arena", {{"width", kArena}, {"height", kArena}}},
                {"obstacles", json::array()},
                {"radius", kRadius},
                {"start", {kArena / 2, kArena / 2}},
                {"source", "robot"}}
        .dump();
}

void RobotState::take(const protocol::tap::Record &record) {
    const double at = static_cast<double>(record.time_ns) / 1e9;
    const std::span<const std::uint8_t> frame(record.frame, record.frame_length);
    const auto outcome = static_cast<protocol::Outcome>(record.outcome);
    plugged_ = outcome == protocol::Outcome::ok || outcome == protocol::Outcome::short_reply;
    plugged_at_ = at;
    if (outcome != protocol::Outcome::ok) return;
    const auto sent = sim::decode_frame(frame);
    const auto got =
        sim::decode_reply(record.frame[0], std::span<const std::uint8_t>(record.reply, record.reply_length));
    auto set = [at](Value &value, int number) { value = {number, at}; };
    switch (record.frame[0]) {
    case op::VWSetSpeed:
        set(linear_, sent["linear"]);
        set(angular_, sent["angular"]);
        break;
    case op::VWGetSpeed:
        set(linear_, got["linear"]);
        set(angular_, got["angular"]);
        break;
    case op::VWDriveStatus: set(status_, got["status"]); break;
    case op::VWDriveRemain: set(remaining_, got["remaining"]); break;
    case op::VWGetPosition: {
        set(x_, got["x"]);
        set(y_, got["y"]);
        set(heading_, got["heading"]);
        const sim::Point point{kArena / 2 + x_.value, kArena / 2 + y_.value};
        if (trail_.empty() || std::hypot(point.x - trail_.back().x, point.y - trail_.back().y) >= kTrailStep) {
            if (trail_.size() < kMostTrailPoints) trail_.push_back(point);
        }
        break;
    }
    case op::ENCODERRead: set(encoders_[sent["encoder"]], got["count"]); break;
    case op::PSDGetRaw: set(sensors_[sent["psd"]], got["raw"]); break;
    case op::SERVOSetRaw: set(servos_[sent["servo"]], sent["position"]); break;
    case op::MOTORDriveRaw: set(motors_[sent["motor"]], sent["power"]); break;
    default: break;
    }
}

std::string RobotState::state_json(std::uint64_t dropped) const {
    const double heading_degrees = heading_.value * 0.01 * 180 / M_PI;
    json sensors = json::array();
    for (const auto &[number, value] : sensors_) {
        json sensor = {{"psd", number}, {"raw", value.value}};
        const auto place = places_.find(number);
        if (place != places_.end()) {
            const auto &table = place->second.table;
            const int distance = table.empty() ? value.value
                                               : table[static_cast<std::size_t>(conversion::reading_index(
                                                     value.value, static_cast<std::int32_t>(table.size())))];
            const double angle = heading_.value * 0.01 + place->second.direction;
            const double x = kArena / 2 + x_.value + kRadius * std::cos(angle);
            const double y = kArena / 2 + y_.value + kRadius * std::sin(angle);
            sensor["distance"] = distance;
            sensor["from"] = tenths(x, y);
            sensor["to"] = tenths(x + distance * std::cos(angle), y + distance * std::sin(angle));
        }
        sensors.push_back(std::move(sensor));
    }
    json encoders = json::array();
    for (int number : {1, 2}) {
        const auto found = encoders_.find(number);
        encoders.push_back(found != encoders_.end() ? found->second.value : 0);
    }
    json state = {{"board", {{"plugged", plugged_}, {"silent", false}, {"late", 0}, {"stray", 0}}},
                  {"drive",
                   {{"status", status_.at > 0 ? status_.value : 1},
                    {"linear", linear_.value},
                    {"angular", angular_.value},
                    {"remaining", remaining_.value}}},
                  {"pose", {{"x", kArena / 2 + x_.value}, {"y", kArena / 2 + y_.value}, {"heading", heading_degrees}}},
                  {"odometry", {{"x", x_.value}, {"y", y_.value}, {"heading", heading_.value}}},
                  {"encoders", encoders},
                  {"sensors", sensors},
                  {"servos", numbered(servos_)},
                  {"motors", numbered(motors_)},
                  {"ages",
                   {{"speed", linear_.at},
                    {"status", status_.at},
                    {"remaining", remaining_.at},
                    {"odometry", x_.at},
                    {"board", plugged_at_},
                    {"encoders", ages(encoders_)},
                    {"sensors", ages(sensors_)},
                    {"servos", ages(servos_)},
                    {"motors", ages(motors_)}}},
                  {"dropped", dropped}};
    return state.dump();
}

}  // namespace tevrak::view
