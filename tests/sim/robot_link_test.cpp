// The library's device units against the simulated robot behind a board on
// a pseudo-terminal, with the world on a fake clock: the frames the units
// send move the model, the replies carry its state, and the log tells.
#include <gtest/gtest.h>

#include <chrono>
#include <cmath>
#include <cstdio>
#include <numbers>

#include "sim/program/sim_state.h"
#include "sim/world/home_files.h"
#include "sim/world/log.h"
#include "sim/world/ranger_curve.h"
#include "sim/world/robot_link.h"
#include "support/board_fixture.h"
#include "tevrak/drive.h"
#include "tevrak/motor.h"
#include "tevrak/psd.h"
#include "tevrak/servo.h"

namespace {

using namespace std::chrono_literals;
namespace sim = tevrak::sim;

std::string read_all(std::FILE *file) {
    std::string all;
    std::rewind(file);
    for (int c; (c = std::fgetc(file)) != EOF;) all += static_cast<char>(c);
    return all;
}

// The default robot of tevrak-sim in an arena of 3000 x 2000, standing at
// (500, 1000) and looking along +x.
struct SimulatedRobot {
    SimulatedRobot() : robot(sim::default_hdt_text(sim::DriveSetup{}, 3)) {}
    ~SimulatedRobot() {
        robot.board.unplug();  // the board's thread calls into the link
        std::fclose(log_file);
    }
    std::string log() { return read_all(log_file); }
    // Commands return once written; the model must have them before the
    // fake clock moves on. The board handles frames in order, so once a
    // query is answered every command before it has arrived.
    static int sent(int result) {
        VWDriveRemain();
        return result;
    }

    tevrak::test::SimRobot robot;
    sim::FakeClock clock;
    sim::World world{clock, sim::Arena(3000, 2000), sim::Pose{500, 1000, 0}};
    std::FILE *log_file = std::tmpfile();
    sim::Log log_lines{log_file};
    sim::RobotLink link{robot.board, world, log_lines};
};

TEST(RobotLink, DriveUnitMovesTheSimulatedRobot) {
    SimulatedRobot r;
    ASSERT_EQ(VWInit(), 0);
    ASSERT_TRUE(r.robot.board.wait_for_frames(2));  // set-up and gains
    EXPECT_EQ(r.world.setup().ticks_per_revolution, 540) << "from the hdt.txt ENCODER line via 0xF7";
    EXPECT_EQ(r.world.setup().wheel_track, 180);

    ASSERT_EQ(r.sent(VWStraight(500, 250)), 0);
    EXPECT_EQ(VWDriveDone(), 0) << "running";
    r.clock.advance(1s);
    EXPECT_EQ(VWDriveRemain(), 250);
    int x = -1, y = -1, heading = -1;
    ASSERT_EQ(VWGetPosition(&x, &y, &heading), 0);
    EXPECT_EQ(x, 250);
    EXPECT_EQ(y, 0);
    EXPECT_EQ(heading, 0);
    int v = 0, w = -1;
    ASSERT_EQ(VWGetSpeed(&v, &w), 0);
    EXPECT_EQ(v, 250);
    EXPECT_EQ(w, 0);

    r.clock.advance(1500ms);
    EXPECT_EQ(VWDriveWait(), 0);
    EXPECT_EQ(VWDriveRemain(), 0);
    ASSERT_EQ(VWGetPosition(&x, &y, &heading), 0);
    EXPECT_EQ(x, 500);

    // A quarter circle to the left by its end point: 90 degrees on.
    ASSERT_EQ(r.sent(VWDrive(500, 500, 500)), 0);
    r.clock.advance(2s);
    EXPECT_EQ(VWDriveDone(), 1);
    ASSERT_EQ(VWGetPosition(&x, &y, &heading), 0);
    EXPECT_NEAR(x, 1000, 2);
    EXPECT_NEAR(y, 500, 2);
    EXPECT_EQ(heading, 90) << "157 hundredths of a radian come back as 90 degrees";
    // Now at (1500, 1500) in the arena, 400 mm short of touching the top
    // wall: driving on 500 mm stalls there.
    ASSERT_EQ(r.sent(VWStraight(500, 500)), 0);
    r.clock.advance(1s);
    EXPECT_EQ(VWStalled(), 0);
    EXPECT_EQ(VWDriveDone(), 2);

    const std::string log = r.log();
    for (const char *line :
         {"DriveSetup ticks=540 diameter=60 track=180 flags=4\n", "VWControl gain1=10 gain2=2 gain3=5 gain4=1\n",
          "VWStraight distance=500 speed=250\n", "VWDriveRemain -> remaining=250\n",
          "VWGetPosition -> x=250 y=0 heading=0\n", "VWCurve length=785 angle=157 speed=500\n",
          "# VWCurve done at x=1000 y=500 heading=157 (arena 1500,1500)", "VWDriveStatus -> status=2\n"}) {
        EXPECT_NE(log.find(line), std::string::npos) << line << " missing in\n" << log;
    }
}

TEST(RobotLink, EncodersRangersServosAndMotors) {
    SimulatedRobot r;
    EXPECT_EQ(ENCODERRead(1), 0);
    ASSERT_EQ(r.sent(VWStraight(377, 377)), 0);  // two turns of the 60 mm wheels
    r.clock.advance(2s);
    EXPECT_EQ(VWDriveWait(), 0);
    EXPECT_NEAR(ENCODERRead(1), 1080, 1);
    EXPECT_NEAR(ENCODERRead(2), 1080, 1);
    EXPECT_EQ(ENCODERRead(3), 0);

    // From (877, 1000): 2023 mm ahead, 900 mm to either side.
    const int front = PSDGet(1);
    const int left = PSDGet(2);
    const int right = PSDGet(3);
    EXPECT_NEAR(front, 2023, 2023 * 0.02);
    EXPECT_NEAR(left, 900, 900 * 0.02);
    EXPECT_NEAR(right, 900, 900 * 0.02);
    EXPECT_NEAR(PSDGetRaw(1), 660, 2);  // 4000 * 400 / (2023 + 400)

    EXPECT_EQ(SERVOSetRaw(3, 128), 0);
    EXPECT_EQ(SERVORange(1, 10, 200), 0);
    EXPECT_EQ(MOTORDriveRaw(2, -100), 0);
    EXPECT_EQ(r.sent(MOTORPID(1, 4, 2, 1)), 0);
    const auto summary =
        r.link.with_model([](sim::World &w, sim::Peripherals &p) { return sim::state_text(sim::capture_state(w, p)); });
    EXPECT_NE(summary.find("servo 3: position=128"), std::string::npos) << summary;
    EXPECT_NE(summary.find("servo 1: position=unset range=10..200"), std::string::npos) << summary;
    EXPECT_NE(summary.find("motor 2: power=-100"), std::string::npos) << summary;
    EXPECT_NE(summary.find("motor 1: power=0 pid=on p=4 i=2 d=1"), std::string::npos) << summary;
    // Stopped, motor 2 leaves the text but stays in the record the page draws.
    EXPECT_EQ(r.sent(MOTORDriveRaw(2, 0)), 0);
    const auto stopped = r.link.with_model([](sim::World &w, sim::Peripherals &p) { return sim::capture_state(w, p); });
    EXPECT_EQ(sim::state_text(stopped).find("motor 2:"), std::string::npos);
    ASSERT_EQ(stopped.motors.size(), 2u);
    EXPECT_EQ(stopped.motors[1].number, 2);
    EXPECT_EQ(stopped.motors[1].motor.power, 0);

    const std::string log = r.log();
    for (const char *line : {"ENCODERRead encoder=1 -> count=1080\n", "PSDGetRaw psd=2 -> raw=",
                             "SERVOSetRaw servo=3 position=128\n", "SERVORange servo=1 low=10 high=200\n",
                             "MOTORDriveRaw motor=2 power=-100\n", "MOTORPID motor=1 p=4 i=2 d=1\n"}) {
        EXPECT_NE(log.find(line), std::string::npos) << line << " missing in\n" << log;
    }
}

}  // namespace
