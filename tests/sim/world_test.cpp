// The world model on a fake clock: manoeuvres, stalls, encoders, rangers.
#include <gtest/gtest.h>

#include <array>
#include <chrono>
#include <cmath>
#include <numbers>

#include "config/conversion.h"
#include "sim/world/ranger_curve.h"
#include "sim/world/world.h"

namespace {

using namespace std::chrono_literals;
using namespace tevrak::sim;
namespace sim = tevrak::sim;

// A 4 m x 4 m arena with the robot (radius 100) at (1000, 2000) looking
// along +x: 2.9 m of free way ahead.
struct Fixture {
    FakeClock clock;
    World world{clock, Arena(4000, 4000), Pose{1000, 2000, 0}};
};

TEST(WorldDrive, StraightCoversItsDistanceAtItsSpeedThenIsDone) {
    Fixture f;
    EXPECT_EQ(f.world.status(), sim::kStatusDone) << "idle at power-up";
    f.world.straight(1000, 200);
    EXPECT_EQ(f.world.status(), sim::kStatusRunning);
    EXPECT_EQ(f.world.remaining(), 1000);

    f.clock.advance(2500ms);
    EXPECT_EQ(f.world.status(), sim::kStatusRunning);
    EXPECT_EQ(f.world.remaining(), 500);
    auto pose = f.world.position();
    EXPECT_EQ(pose.x, 500);
    EXPECT_EQ(pose.y, 0);
    EXPECT_EQ(f.world.speed().linear, 200);

    f.clock.advance(2600ms);
    EXPECT_EQ(f.world.status(), sim::kStatusDone);
    EXPECT_EQ(f.world.remaining(), 0);
    pose = f.world.position();
    EXPECT_EQ(pose.x, 1000) << "stops exactly at the end, not where the clock is";
    EXPECT_EQ(pose.heading, 0);
    EXPECT_EQ(f.world.speed().linear, 0);
    EXPECT_NEAR(f.world.pose().x, 2000, 1e-6) << "the arena pose moved as much as the odometry";

    // Backwards: the distance's sign gives the direction.
    f.world.straight(-300, 100);
    f.clock.advance(3100ms);
    EXPECT_EQ(f.world.position().x, 700);
    EXPECT_EQ(f.world.status(), sim::kStatusDone);
}

TEST(WorldDrive, TurnOnTheSpotAndSetPosition) {
    Fixture f;
    f.world.turn(157, 78);  // 90 degrees at 45 degrees per second
    f.clock.advance(1000ms);
    EXPECT_EQ(f.world.position().heading, 78);
    EXPECT_EQ(f.world.remaining(), 79) << "a turn counts down in hundredths of a radian";
    EXPECT_EQ(f.world.speed().angular, 78);
    f.clock.advance(1100ms);
    const auto pose = f.world.position();
    EXPECT_EQ(pose.heading, 157);
    EXPECT_EQ(pose.x, 0);
    EXPECT_EQ(pose.y, 0);
    EXPECT_EQ(f.world.status(), sim::kStatusDone);

    // Three more quarter turns to the right wrap the heading to -157.
    f.world.turn(-471, 300);
    f.clock.advance(2s);
    EXPECT_EQ(f.world.position().heading, -314);

    // VWSetPosition moves the odometry, not the robot in the arena.
    const Pose before = f.world.pose();
    f.world.set_position(100, -50, 78);
    const auto moved = f.world.position();
    EXPECT_EQ(moved.x, 100);
    EXPECT_EQ(moved.y, -50);
    EXPECT_EQ(moved.heading, 78);
    EXPECT_EQ(f.world.pose().x, before.x);
    // Driving on from there follows the new odometry heading.
    f.world.straight(100, 100);
    f.clock.advance(2s);
    const auto after = f.world.position();
    EXPECT_EQ(after.x, 100 + static_cast<int>(std::lround(100 * std::cos(0.78))));
    EXPECT_EQ(after.y, -50 + static_cast<int>(std::lround(100 * std::sin(0.78))));
}

TEST(WorldDrive, QuarterCircleEndsWhereGeometrySays) {
    Fixture f;
    f.world.curve(1570, 157, 100);  // radius 1000, to the left
    f.clock.advance(7850ms);
    EXPECT_NEAR(f.world.remaining(), 785, 1);
    EXPECT_EQ(f.world.status(), sim::kStatusRunning);
    f.clock.advance(9s);
    const auto pose = f.world.position();
    EXPECT_NEAR(pose.x, 1000, 2);
    EXPECT_NEAR(pose.y, 1000, 2);
    EXPECT_EQ(pose.heading, 157);
    EXPECT_EQ(f.world.status(), sim::kStatusDone);
    // The path bends through the middle of the arc (45 degrees).
    bool passed_middle = false;
    const double mid_x = 1000 + 1000 * std::sin(std::numbers::pi / 4);
    const double mid_y = 2000 + 1000 * (1 - std::cos(std::numbers::pi / 4));
    for (const auto &point : f.world.path()) passed_middle |= std::hypot(point.x - mid_x, point.y - mid_y) < 10;
    EXPECT_TRUE(passed_middle);

    // Reversing with a negative angle retraces the arc: in the frame of the
    // end pose the start lies 1000 behind and 1000 to the left.
    f.world.set_position(0, 0, 0);
    f.world.curve(-1570, -157, 200);
    f.clock.advance(8s);
    const auto back = f.world.position();
    EXPECT_NEAR(back.x, -1000, 2);
    EXPECT_NEAR(back.y, 1000, 2);
    EXPECT_EQ(back.heading, -157);
    EXPECT_NEAR(f.world.pose().x, 1000, 2) << "back at the start in the arena";
    EXPECT_NEAR(f.world.pose().y, 2000, 2);
}

TEST(WorldDrive, PushingIntoAWallStallsUntilTheCommandChanges) {
    FakeClock clock;
    World world(clock, Arena(2000, 2000, {{1400, 200, 200, 400}}), Pose{1000, 1000, 0});
    world.straight(2000, 500);
    clock.advance(5s);
    EXPECT_EQ(world.status(), sim::kStatusStalled);
    EXPECT_NEAR(world.pose().x, 1900, 0.5) << "stops at contact: the body touches the wall";
    EXPECT_NEAR(world.remaining(), 1100, 1) << "a stalled manoeuvre makes no progress";
    EXPECT_EQ(world.speed().linear, 0);
    EXPECT_TRUE(world.stalled());

    world.straight(-400, 200);
    clock.advance(1s);
    EXPECT_EQ(world.status(), sim::kStatusRunning);
    clock.advance(1100ms);
    EXPECT_EQ(world.status(), sim::kStatusDone);
    EXPECT_NEAR(world.pose().x, 1500, 0.5);

    // A continuous speed into the obstacle below: stalled while it pushes.
    world.turn(-157, 314);
    clock.advance(1s);
    world.set_speed(300, 0);
    clock.advance(2s);
    EXPECT_EQ(world.status(), sim::kStatusStalled);
    EXPECT_NEAR(world.pose().y, 700, 0.5) << "obstacle top at 600 plus the radius";
    // Turning while pushing: the robot pivots, and drives off once free.
    world.set_speed(300, 100);
    clock.advance(3s);
    EXPECT_EQ(world.status(), sim::kStatusDone) << "a continuous speed that moves reads as no manoeuvre";
    world.set_speed(0, 0);
    EXPECT_EQ(world.status(), sim::kStatusDone);
    EXPECT_EQ(world.speed().linear, 0);
}

// Ticks for a wheel travel: ticks per turn over the wheel's circumference.
TEST(WorldEncoders, CountTicksOfWheelTravelWithTheSetupValues) {
    Fixture f;
    // Defaults until the set-up command: 540 ticks per turn of a 60 mm wheel.
    f.world.straight(377, 377);  // two wheel turns: 377 * 540 / (pi * 60)
    f.clock.advance(2s);
    EXPECT_NEAR(f.world.encoder(1), 1080.0, 1);
    EXPECT_NEAR(f.world.encoder(2), 1080.0, 1);
    EXPECT_EQ(f.world.encoder(3), 0);

    // 1000 ticks per turn, 50 mm wheels, 200 mm track.
    f.world.drive_setup(1000, 50, 200, 4);
    f.world.straight(1571, 500);  // ten wheel turns: 10001.3 ticks more
    f.clock.advance(4s);
    EXPECT_NEAR(f.world.encoder(1), 11081.3, 1);
    EXPECT_NEAR(f.world.encoder(2), 11081.3, 1);
    // A half turn on the spot (3.14 rad): each wheel rolls 3.14 * 100 mm,
    // 1999.0 ticks.
    f.world.turn(314, 314);
    f.clock.advance(2s);
    EXPECT_NEAR(f.world.encoder(1), 9082.3, 1);
    EXPECT_NEAR(f.world.encoder(2), 13080.3, 1);

    // The first flag reverses the left encoder (code 2), from now on: 157
    // mm are 999.5 ticks.
    f.world.drive_setup(1000, 50, 200, 2);
    f.world.straight(157, 200);
    f.clock.advance(2s);
    EXPECT_NEAR(f.world.encoder(1), 8082.8, 1);
    EXPECT_NEAR(f.world.encoder(2), 14079.8, 1);

    // Pushing against a wall turns no wheel.
    f.world.straight(3000, 1000);
    f.clock.advance(5s);
    ASSERT_EQ(f.world.status(), sim::kStatusStalled);
    const auto stalled_count = f.world.encoder(1);
    f.clock.advance(2s);
    EXPECT_EQ(f.world.encoder(1), stalled_count);
}

TEST(WorldRangers, RawReadingsConvertBackToTheTrueDistance) {
    FakeClock clock;
    // Arena 3000 x 2000, an obstacle 400 mm ahead of the start.
    World world(clock, Arena(3000, 2000, {{1100, 1500, 200, 400}}), Pose{600, 700, 0});
    EXPECT_NEAR(world.sensor_distance(1), 2300, 1e-6) << "front: from the rim to the far wall";
    EXPECT_NEAR(world.sensor_distance(2), 1200, 1e-6) << "left";
    EXPECT_NEAR(world.sensor_distance(3), 600, 1e-6) << "right";
    EXPECT_EQ(world.sensor_raw(4), 0);

    const auto table = sim::ranger::calibration_table();
    const auto lookup = [&](int raw) {
        // The distance unit's own conversion of a reading.
        const auto index = tevrak::conversion::reading_index(raw, static_cast<std::int32_t>(table.size()));
        EXPECT_EQ(table[static_cast<std::size_t>(index)], sim::ranger::table_lookup(table, raw));
        return table[static_cast<std::size_t>(index)];
    };
    // The three readings (raw = 4000 * 400 / (d + 400), rounded) and the
    // distances the unit reads from them: within 2 % of the true ones.
    using Three = std::array<int, 3>;
    const auto read_all = [&] {
        const Three raw{world.sensor_raw(1), world.sensor_raw(2), world.sensor_raw(3)};
        return std::pair{raw, Three{lookup(raw[0]), lookup(raw[1]), lookup(raw[2])}};
    };
    EXPECT_EQ(read_all(), std::pair(Three{593, 1000, 1600}, Three{2287, 1194, 598})) << "start";
    // Turn left: the front sensor now looks up at the obstacle's lower side.
    world.turn(157, 314);
    clock.advance(1s);
    world.straight(500, 1000);
    clock.advance(1s);
    world.turn(-157, 314);
    clock.advance(1s);
    ASSERT_NEAR(world.pose().y, 1200, 1);
    world.straight(600, 1000);
    clock.advance(1s);
    world.turn(157, 314);
    clock.advance(1s);
    world.update();  // the observations below do not advance the model
    ASSERT_NEAR(world.pose().x, 1200, 1);
    EXPECT_NEAR(world.sensor_distance(1), 1500 - world.pose().y - 100, 0.01) << "obstacle bottom at 1500";
    EXPECT_EQ(read_all(), std::pair(Three{2667, 1066, 762}, Three{200, 1099, 1696})) << "under the obstacle";
    // Near and far ends of the curve.
    EXPECT_EQ(sim::ranger::raw_from_distance(0), 4000);
    EXPECT_EQ(sim::ranger::raw_from_distance(5000), sim::ranger::raw_from_distance(3000));
    for (int d = 0; d <= 3000; d += 50) {
        EXPECT_NEAR(lookup(sim::ranger::raw_from_distance(d)), d, std::max(5.0, d * 0.02)) << d << " mm";
    }
}

TEST(WorldSetup, RobotMustFitAtStartAndEventsAreReported) {
    FakeClock clock;
    EXPECT_THROW(World(clock, Arena(1000, 1000), Pose{50, 500, 0}), std::invalid_argument);
    EXPECT_THROW(World(clock, Arena(1000, 1000, {{400, 400, 200, 200}}), Pose{500, 500, 0}), std::invalid_argument);

    World world(clock, Arena(1000, 1000), Pose{500, 500, 0});
    std::vector<std::string> events;
    world.set_event_sink([&](const std::string &event) { events.push_back(event); });
    world.straight(200, 100);
    clock.advance(3s);
    world.straight(1000, 1000);
    clock.advance(1s);
    world.update();
    ASSERT_EQ(events.size(), 2u);
    EXPECT_EQ(events[0], "VWStraight done at x=200 y=0 heading=0 (arena 700,500)");
    EXPECT_EQ(events[1].rfind("VWStraight stalled at x=400 y=0", 0), 0u) << events[1];
}

}  // namespace
