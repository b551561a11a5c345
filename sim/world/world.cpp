#include "sim/world/world.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <stdexcept>

#include "sim/world/ranger_curve.h"

namespace tevrak::sim {
namespace {

// The motion is integrated in steps of at most this much travel or turn, so
// that no step jumps through a thin obstacle.
constexpr double kStepLength = 5;    // mm
constexpr double kStepAngle = 0.05;  // rad
constexpr int kContactSearchSteps = 16;
constexpr std::size_t kPathLimit = 100000;

// The pose after driving at constant speeds for the given time: an exact
// circular arc (a straight line when not turning).
Pose stepped(const Pose &pose, double linear, double angular, double seconds) {
    const double turn = angular * seconds;
    double ahead = linear * seconds;
    double aside = 0;
    if (std::abs(turn) > 1e-12) {
        const double radius = linear / angular;
        ahead = radius * std::sin(turn);
        aside = radius * (1 - std::cos(turn));
    }
    const double c = std::cos(pose.heading);
    const double s = std::sin(pose.heading);
    return {pose.x + ahead * c - aside * s, pose.y + ahead * s + aside * c, pose.heading + turn};
}

int sign_of(double value) { return value < 0 ? -1 : 1; }

int wire_hundredths(double radians) { return static_cast<int>(std::lround(radians * 100)); }

}  // namespace

World::World(const Clock &clock, Arena arena, Pose start, RobotShape shape)
        : clock_(clock), arena_(std::move(arena)), shape_(std::move(shape)), now_(clock.now()), pose_(start) {
    if (!arena_.circle_fits({start.x, start.y}, shape_.radius)) {
        throw std::invalid_argument("the robot does not fit at its start position");
    }
    path_.push_back({start.x, start.y});
}

void World::update() {
    const auto now = clock_.now();
    if (now <= now_) return;
    const double seconds = std::chrono::duration<double>(now - now_).count();
    now_ = now;
    advance(seconds);
}

void World::start(Kind kind, double linear, double angular, double total, double per_second, double remain_scale) {
    kind_ = kind;
    linear_ = linear;
    angular_ = angular;
    total_ = total;
    done_ = 0;
    per_second_ = per_second;
    remain_scale_ = remain_scale;
    stalled_ = false;
}

bool World::begin(const char *name, bool nothing) {
    update();
    name_ = name;
    if (nothing) start(Kind::idle, 0, 0, 0, 0, 1);
    return nothing;
}

void World::set_speed(int linear, int angular) {
    if (begin("VWSetSpeed", linear == 0 && angular == 0)) return;
    start(Kind::speed, linear, angular / 100.0, 0, 0, 1);
}

void World::straight(int distance, int speed) {
    if (begin("VWStraight", distance == 0)) return;
    const double magnitude = std::abs(speed);
    start(Kind::straight, sign_of(distance) * magnitude, 0, std::abs(distance), magnitude, 1);
}

void World::turn(int angle, int angular_speed) {
    if (begin("VWTurn", angle == 0)) return;
    const double rate = std::abs(angular_speed) / 100.0;
    start(Kind::turn, 0, sign_of(angle) * rate, std::abs(angle) / 100.0, rate, 100);
}

void World::curve(int length, int angle, int speed) {
    if (begin("VWCurve", length == 0 && angle == 0)) return;
    const double magnitude = std::abs(speed);
    if (length == 0) {
        // An arc without length is a turn on the spot with the wheels at
        // the given speed.
        const double rate = magnitude / (setup_.wheel_track / 2.0);
        start(Kind::curve, 0, sign_of(angle) * rate, std::abs(angle) / 100.0, rate, 100);
        return;
    }
    const double turn_per_mm = (angle / 100.0) / std::abs(length);
    start(Kind::curve, sign_of(length) * magnitude, turn_per_mm * magnitude, std::abs(length), magnitude, 1);
}

void World::set_position(int x, int y, int heading) {
    update();
    odometry_ = {static_cast<double>(x), static_cast<double>(y), heading / 100.0};
}

void World::drive_setup(int ticks_per_revolution, int wheel_diameter, int wheel_track, int flag_code) {
    update();
    if (ticks_per_revolution > 0) setup_.ticks_per_revolution = ticks_per_revolution;
    if (wheel_diameter > 0) setup_.wheel_diameter = wheel_diameter;
    if (wheel_track > 0) setup_.wheel_track = wheel_track;
    setup_.flag_code = flag_code;
}

WirePose World::position() {
    update();
    return {static_cast<int>(std::lround(odometry_.x)), static_cast<int>(std::lround(odometry_.y)),
            wire_hundredths(normalize_angle(odometry_.heading))};
}

WireSpeed World::speed() {
    update();
    if (kind_ == Kind::idle) return {0, 0};
    if (stalled_) return {0, kind_ == Kind::speed ? wire_hundredths(angular_) : 0};
    return {static_cast<int>(std::lround(linear_)), wire_hundredths(angular_)};
}

WireSpeed World::commanded() {
    update();
    return {static_cast<int>(std::lround(linear_)), wire_hundredths(angular_)};
}

int World::remaining() {
    update();
    if (kind_ == Kind::idle || kind_ == Kind::speed) return 0;
    // Rounded up: a manoeuvre that still runs never reports 0.
    const double left = std::ceil((total_ - done_) * remain_scale_ - 1e-9);
    return static_cast<int>(std::clamp(left, 0.0, 65535.0));
}

int World::status() {
    update();
    if (stalled_) return kStatusStalled;
    if (kind_ == Kind::straight || kind_ == Kind::turn || kind_ == Kind::curve) return kStatusRunning;
    return kStatusDone;
}

std::int32_t World::encoder(int number) {
    update();
    if (number < 1 || number > 2) return 0;
    const long long ticks = std::llround(wheel_ticks_[static_cast<std::size_t>(number - 1)]);
    // The board's counter is 32 bits wide and wraps.
    return static_cast<std::int32_t>(static_cast<std::uint32_t>(static_cast<unsigned long long>(ticks)));
}

int World::sensor_raw(int number) {
    update();
    if (number < 1 || number > sensor_count()) return 0;
    return ranger::raw_from_distance(sensor_distance(number));
}

double World::sensor_distance(int number) const {
    if (number < 1 || number > sensor_count()) return 0;
    const double direction = pose_.heading + shape_.sensor_directions[static_cast<std::size_t>(number - 1)];
    const double reach = arena_.ray_distance({pose_.x, pose_.y}, direction, ranger::kMaxRange + shape_.radius);
    return std::clamp(reach - shape_.radius, 0.0, ranger::kMaxRange);
}

Point World::sensor_origin(int number) const {
    if (number < 1 || number > sensor_count()) return {pose_.x, pose_.y};
    const double direction = pose_.heading + shape_.sensor_directions[static_cast<std::size_t>(number - 1)];
    return {pose_.x + shape_.radius * std::cos(direction), pose_.y + shape_.radius * std::sin(direction)};
}

Point World::sensor_end(int number) const {
    if (number < 1 || number > sensor_count()) return {pose_.x, pose_.y};
    const double direction = pose_.heading + shape_.sensor_directions[static_cast<std::size_t>(number - 1)];
    const double reach = shape_.radius + sensor_distance(number);
    return {pose_.x + reach * std::cos(direction), pose_.y + reach * std::sin(direction)};
}

void World::advance(double seconds) {
    while (seconds > 1e-12 && kind_ != Kind::idle) {
        if (linear_ == 0 && angular_ == 0) return;  // a manoeuvre at speed 0 never ends
        double step = seconds;
        if (linear_ != 0) step = std::min(step, kStepLength / std::abs(linear_));
        if (angular_ != 0) step = std::min(step, kStepAngle / std::abs(angular_));
        bool finishing = false;
        if (kind_ != Kind::speed && per_second_ > 0) {
            const double to_end = (total_ - done_) / per_second_;
            if (to_end <= step) {
                step = to_end;
                finishing = true;
            }
        }
        const double moved = move(step);
        if (moved < 1) {
            if (!stalled_) {
                stalled_ = true;
                const auto where = position_text();
                emit(std::string(name_) + " stalled at " + where);
            }
            if (kind_ != Kind::speed || angular_ == 0) return;  // nothing changes until the next command
            apply(0, angular_, step * (1 - moved));             // the robot pivots where it stands
            seconds -= step;
            continue;
        }
        if (stalled_) {
            stalled_ = false;
            emit(std::string(name_) + " free again at " + position_text());
        }
        seconds -= step;
        if (finishing) finish();
    }
}

double World::move(double seconds) {
    double fraction = 1;
    const Pose target = stepped(pose_, linear_, angular_, seconds);
    if (!arena_.circle_fits({target.x, target.y}, shape_.radius)) {
        // Find the point of contact: the longest part of the step that fits.
        double low = 0;
        double high = 1;
        for (int i = 0; i < kContactSearchSteps; ++i) {
            const double middle = (low + high) / 2;
            const Pose probe = stepped(pose_, linear_, angular_, seconds * middle);
            (arena_.circle_fits({probe.x, probe.y}, shape_.radius) ? low : high) = middle;
        }
        fraction = low;
    }
    if (fraction > 0) {
        apply(linear_, angular_, seconds * fraction);
        done_ = std::min(total_, done_ + per_second_ * seconds * fraction);
    }
    return fraction;
}

void World::apply(double linear, double angular, double seconds) {
    const Pose from = pose_;
    pose_ = stepped(pose_, linear, angular, seconds);
    odometry_ = stepped(odometry_, linear, angular, seconds);
    const double half_track = setup_.wheel_track / 2.0;
    const double ticks_per_mm = setup_.ticks_per_revolution / (std::numbers::pi * setup_.wheel_diameter);
    const int bits = setup_.flag_code & 3;  // 4 (no flag) folds onto 0
    const double left_sign = (bits & 2) != 0 ? -1 : 1;
    const double right_sign = (bits & 1) != 0 ? -1 : 1;
    wheel_ticks_[0] += left_sign * (linear - angular * half_track) * seconds * ticks_per_mm;
    wheel_ticks_[1] += right_sign * (linear + angular * half_track) * seconds * ticks_per_mm;
    sample_path(from, linear, angular, seconds);
}

void World::finish() {
    done_ = total_;
    kind_ = Kind::idle;
    linear_ = 0;
    angular_ = 0;
    path_.push_back({pose_.x, pose_.y});
    emit(std::string(name_) + " done at " + position_text());
}

void World::sample_path(const Pose &from, double linear, double angular, double seconds) {
    // Samples lie at fixed distances along the way, wherever the steps
    // happened to end: the path is the same however often the model is
    // brought up to the clock (and so at every --speed).
    // A mark the sums reach but for rounding counts as reached (a straight
    // of 200 mm ends on one).
    constexpr double kRounding = 1e-6;  // mm
    const double length = std::abs(linear) * seconds;
    const double before = travel_;
    travel_ += length;
    while (travel_ + kRounding >= next_sample_) {
        const double part = std::min(1.0, (next_sample_ - before) / length);
        const Pose at = stepped(from, linear, angular, seconds * part);
        path_.push_back({at.x, at.y});
        next_sample_ += sample_spacing_;
        thin_path();
    }
}

void World::thin_path() {
    if (path_.size() >= kPathLimit) {
        // Keep every other sample and sample half as often from now on.
        std::vector<Point> thinned;
        thinned.reserve(kPathLimit / 2 + 1);
        for (std::size_t i = 0; i < path_.size(); i += 2) thinned.push_back(path_[i]);
        thinned.push_back(path_.back());
        path_ = std::move(thinned);
        sample_spacing_ *= 2;
    }
}

std::string World::position_text() const {
    char text[128];
    std::snprintf(text, sizeof text, "x=%ld y=%ld heading=%d (arena %ld,%ld)", std::lround(odometry_.x),
                  std::lround(odometry_.y), wire_hundredths(normalize_angle(odometry_.heading)), std::lround(pose_.x),
                  std::lround(pose_.y));
    return text;
}

void World::emit(const std::string &event) const {
    if (events_) events_(event);
}

}  // namespace tevrak::sim
