// The simulated robot in its arena: a differential drive with a round body,
// wheel encoders and infrared rangers, driven by the controller board's
// drive commands in the board's own units.
//
// Units, as on the wire: lengths in millimetres, linear speeds in mm/s,
// angles in hundredths of a radian and angular speeds in hundredths of a
// radian per second. Inside, the model keeps radians and doubles.
//
// Two frames: the true pose in the arena (what the picture shows, and what
// collides), and the board's odometry (what VWGetPosition reports). The
// odometry starts at (0, 0, 0) wherever the robot stands, as a board does at
// power-up; both move together, and VWSetPosition moves only the odometry.
//
// Motion: speeds change at once (no acceleration). A manoeuvre (straight,
// turn, curve) runs until its distance or angle is covered, then the robot
// stands still. A continuous speed (VWSetSpeed) runs until the next drive
// command. A step that would take the body into a wall or an obstacle is cut
// at the point of contact and the robot is stalled: it stays there, the
// manoeuvre makes no progress, and the status reads 2 as long as the
// commanded motion pushes into the obstacle. Under a continuous speed the
// turning part still acts, so the robot can pivot away along the wall.
#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "sim/world/arena.h"
#include "sim/world/clock.h"
#include "sim/world/geometry.h"

namespace tevrak::sim {

// The values of the drive set-up command (0xF7), as the simulator reads
// them. Zero values keep what was there before.
struct DriveSetup {
    int ticks_per_revolution = 540;  // encoder word: encoder ticks per wheel turn
    int wheel_diameter = 60;         // first drive value, mm
    int wheel_track = 180;           // second drive value: wheel distance, mm
    int flag_code = 4;               // flag-pair code: first flag reverses the left
                                     // encoder, second the right (4: neither)
};

// The robot's body and sensors.
struct RobotShape {
    double radius = 100;  // mm: the body is a circle of this radius
    // Ray directions of the distance sensors 1, 2, ... relative to the
    // heading, radians: front, left, right.
    std::vector<double> sensor_directions{0.0, 1.5707963267948966, -1.5707963267948966};
};

// Drive status byte (opcode 0xDA).
inline constexpr int kStatusRunning = 0;
inline constexpr int kStatusDone = 1;
inline constexpr int kStatusStalled = 2;

struct WirePose {
    int x;        // mm
    int y;        // mm
    int heading;  // hundredths of a radian, -314..314
};

struct WireSpeed {
    int linear;   // mm/s
    int angular;  // hundredths of a radian per second
};

class World {
public:
    // Sees the model's events ("VWStraight done", "stalled", ...).
    using EventSink = std::function<void(const std::string &event)>;

    // Throws std::invalid_argument when the robot does not fit at start.
    World(const Clock &clock, Arena arena, Pose start, RobotShape shape = {});

    // Drive commands. Each first brings the model up to the clock.
    void set_speed(int linear, int angular);
    void straight(int distance, int speed);
    void turn(int angle, int angular_speed);
    void curve(int length, int angle, int speed);
    void set_position(int x, int y, int heading);
    void drive_setup(int ticks_per_revolution, int wheel_diameter, int wheel_track, int flag_code);

    // Queries, up to the clock.
    WirePose position();
    WireSpeed speed();      // the motion: 0 while stalled (but a pivot under a continuous speed)
    WireSpeed commanded();  // what the last drive command asked for, until it is done
    int remaining();        // 0..65535; 0 when no manoeuvre runs
    // True when remaining() is an angle (a turn, an arc without length),
    // in hundredths of a radian; else it is mm.
    bool remaining_is_angle() const { return remain_scale_ != 1; }
    int status();                      // kStatusRunning, kStatusDone or kStatusStalled
    std::int32_t encoder(int number);  // 1 left wheel, 2 right wheel, others 0
    int sensor_raw(int number);        // 1.. per RobotShape; others 0

    // Brings the model up to the clock (the program calls it on a timer so
    // the path is sampled while nobody asks).
    void update();

    // Observations without advancing the clock.
    const Arena &arena() const { return arena_; }
    const RobotShape &shape() const { return shape_; }
    const DriveSetup &setup() const { return setup_; }
    Pose pose() const { return pose_; }
    Pose odometry() const { return odometry_; }
    const std::vector<Point> &path() const { return path_; }
    int sensor_count() const { return static_cast<int>(shape_.sensor_directions.size()); }
    // Distance from the rim to the first wall or obstacle along the sensor's
    // ray, at most the rangers' reach; 0 for an unknown sensor.
    double sensor_distance(int number) const;
    // Where the sensor's ray starts (on the rim) and ends.
    Point sensor_origin(int number) const;
    Point sensor_end(int number) const;
    bool stalled() const { return stalled_; }
    void set_event_sink(EventSink sink) { events_ = std::move(sink); }

private:
    enum class Kind { idle, speed, straight, turn, curve };

    // Every manoeuvre command starts alike: the model brought up to now and
    // the command named; a manoeuvre of nothing leaves the robot idle at once
    // (returns true, the command has no more to do).
    bool begin(const char *name, bool nothing);
    void start(Kind kind, double linear, double angular, double total, double per_second, double remain_scale);
    void advance(double seconds);
    // Moves by the given time at the commanded speeds if the body fits;
    // returns the fraction of the time that could be moved.
    double move(double seconds);
    void apply(double linear, double angular, double seconds);
    void finish();
    // Adds the path's samples passed while moving from `from` at the given
    // speeds for the given time.
    void sample_path(const Pose &from, double linear, double angular, double seconds);
    void thin_path();
    void emit(const std::string &event) const;
    std::string position_text() const;

    const Clock &clock_;
    Arena arena_;
    RobotShape shape_;
    DriveSetup setup_;
    std::chrono::nanoseconds now_;

    Pose pose_;
    Pose odometry_;
    std::array<double, 2> wheel_ticks_{0, 0};  // left, right; fractional

    Kind kind_ = Kind::idle;
    const char *name_ = "";
    double linear_ = 0;   // commanded, mm/s
    double angular_ = 0;  // commanded, rad/s
    double total_ = 0;    // progress a manoeuvre covers (mm or rad)
    double done_ = 0;
    double per_second_ = 0;    // progress per second
    double remain_scale_ = 1;  // progress unit to reported remainder
    bool stalled_ = false;
    bool blocked_linear_ = false;  // the last step could not translate

    std::vector<Point> path_;
    double sample_spacing_ = 10;  // mm between path samples
    double travel_ = 0;           // mm driven so far, either way
    double next_sample_ = 10;     // travel at the next sample
    EventSink events_;
};

}  // namespace tevrak::sim
