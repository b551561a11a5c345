// tevrak-sim as users run it: started with --home on a private folder, found
// by the library's normal discovery, driven through the drive unit, steered
// through its control FIFO, and stopped with quit or a signal.
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <string>
#include <thread>
#include <vector>

#include "config/paths.h"
#include "protocol/command.h"
#include "support/board_fixture.h"
#include "support/sim_process.h"
#include "support/temp_home.h"
#include "tevrak/drive.h"
#include "tevrak/psd.h"
#include "tevrak/serial.h"

namespace {

using namespace std::chrono_literals;
using tevrak::test::read_file;
using tevrak::test::SimProcess;
using tevrak::test::TempHome;

// A unit for raw queries: always started.
int raw_started = 1;
int raw_startup() { return 0; }
const tevrak::protocol::Unit kRawUnit{tevrak::protocol::UnitId::drive, &raw_started, raw_startup, "sim: Timeout\n"};

void control(const TempHome &home, const std::string &line) { std::ofstream(home.root() + "/sim.ctl") << line << "\n"; }

// Waits until the file holds the text.
bool file_shows(const std::string &path, const std::string &text, std::chrono::milliseconds timeout = 3s) {
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    while (read_file(path).find(text) == std::string::npos) {
        if (std::chrono::steady_clock::now() > deadline) return false;
        std::this_thread::sleep_for(10ms);
    }
    return true;
}

TEST(SimProgram, DrivesThroughTheLibraryAndDrawsThePath) {
    TempHome home;
    const std::string log = home.root() + "/frames.log";
    SimProcess sim({"--home", home.root(), "--log", log, "--arena", "3000x2000", "--start", "500,1000,0", "--obstacle",
                    "2500,0,500,500"});
    ASSERT_GT(sim.pid(), 0);
    const std::string link = home.root() + "/dev/ttyBOARD";
    ASSERT_EQ(sim.wait_for_line("tevrak-sim:"), "tevrak-sim: board ready at " + link);
    EXPECT_TRUE(std::filesystem::is_symlink(link));
    EXPECT_NE(read_file(home.hdt_path()).find("USB 1 board\n"), std::string::npos);

    // Normal discovery through the written hdt.txt and usbSearch.
    tevrak::paths::set_home(home.root());
    ASSERT_EQ(SERInit(1, 115200, 0), 0);
    EXPECT_EQ(SERCheck(1), 0);
    std::uint8_t status = 0xFF;
    EXPECT_EQ(tevrak::protocol::query(kRawUnit, tevrak::protocol::Frame(0xDA), std::span(&status, 1)),
              tevrak::protocol::Outcome::ok);
    EXPECT_EQ(status, 1);

    // 400 mm at 800 mm/s in real time.
    ASSERT_EQ(VWStraight(400, 800), 0);
    EXPECT_EQ(VWDriveWait(), 0);
    int x = -1, y = -1, heading = -1;
    ASSERT_EQ(VWGetPosition(&x, &y, &heading), 0);
    EXPECT_EQ(x, 400);
    EXPECT_EQ(y, 0);
    EXPECT_EQ(heading, 0);
    // From (900, 1000): the far wall is 2000 mm from the front rim.
    EXPECT_NEAR(PSDGet(1), 2000, 40);

    // Unplug: the next command fails, and after the replug the library
    // finds the board again at the same link.
    control(home, "unplug");
    ASSERT_TRUE(file_shows(log, "# board unplugged"));
    {
        tevrak::test::OutputCapture capture;
        EXPECT_EQ(VWGetPosition(&x, &y, &heading), 1);
        capture.stop();
        EXPECT_EQ(capture.err(), "VW: Timeout!!!\n");
    }
    control(home, "replug");
    ASSERT_TRUE(file_shows(log, "# board plugged in again"));
    x = -1;
    EXPECT_EQ(VWGetPosition(&x, &y, &heading), 0);
    EXPECT_EQ(x, 400) << "the board kept its state across the replug";

    // Late replies with stray bytes before them are still read right.
    control(home, "late 50");
    control(home, "stray 4");
    ASSERT_TRUE(file_shows(log, "# 4 stray bytes before every reply"));
    EXPECT_EQ(VWDriveRemain(), 0);
    EXPECT_EQ(VWDriveDone(), 1);
    SERClose(1);

    control(home, "quit");
    EXPECT_EQ(sim.wait_for_line("tevrak-sim: picture"),
              "tevrak-sim: picture of the run in " + home.root() + "/run.svg");
    EXPECT_EQ(sim.wait_exit(), 0);

    const std::string svg = read_file(home.root() + "/run.svg");
    EXPECT_NE(svg.find("<svg"), std::string::npos);
    EXPECT_NE(svg.find("<rect class=\"obstacle\" x=\"2500.0\" y=\"0.0\" width=\"500.0\" height=\"500.0\""),
              std::string::npos);
    const auto path = svg.find("class=\"path\"");
    ASSERT_NE(path, std::string::npos);
    const std::string points = svg.substr(path, svg.find("/>", path) - path);
    EXPECT_NE(points.find("500.0,1000.0 "), std::string::npos) << points;
    EXPECT_NE(points.find("900.0,1000.0"), std::string::npos) << points;
    EXPECT_NE(svg.find("class=\"ray\""), std::string::npos);
    EXPECT_NE(svg.find("class=\"robot\" cx=\"900.0\" cy=\"1000.0\""), std::string::npos);

    const std::string frames = read_file(log);
    for (const char *line :
         {"DriveSetup ticks=540 diameter=60 track=180 flags=4\n", "VWStraight distance=400 speed=800\n",
          "# VWStraight done at x=400 y=0 heading=0 (arena 900,1000)\n", "VWGetPosition -> x=400 y=0 heading=0\n",
          "PSDGetRaw psd=1 -> raw="}) {
        EXPECT_NE(frames.find(line), std::string::npos) << line << " missing in\n" << frames;
    }
    EXPECT_FALSE(std::filesystem::exists(home.root() + "/sim.ctl")) << "the FIFO goes with the simulator";
    EXPECT_FALSE(std::filesystem::is_symlink(link));
}

TEST(SimProgram, StopsOnSignalsButNotAtTheEndOfItsInput) {
    TempHome home;
    const std::string svg = home.root() + "/picture.svg";
    const std::string log = home.root() + "/frames.log";
    home.write_hdt("USB 1 board\n# edited\n");
    SimProcess sim(
        {"--home", home.root(), "--svg", svg, "--log", log, "--unplugged", "--at", "200:replug", "--keep-hdt"});
    ASSERT_FALSE(sim.wait_for_line("tevrak-sim: board ready").empty());
    EXPECT_EQ(read_file(home.hdt_path()), "USB 1 board\n# edited\n");
    // Standard input is /dev/null: its end came long before the replug 200 ms in.
    EXPECT_TRUE(file_shows(log, "# board unplugged\n# board plugged in again at /dev/pts/")) << read_file(log);
    EXPECT_EQ(::waitpid(sim.pid(), nullptr, WNOHANG), 0) << "still running";
    ::kill(sim.pid(), SIGTERM);
    EXPECT_EQ(sim.wait_exit(), 0);
    EXPECT_NE(read_file(svg).find("class=\"path\""), std::string::npos);
}

TEST(SimProgram, RefusesWhatCannotWork) {
    TempHome home;
    SimProcess no_home({"--arena", "100x100"});
    EXPECT_EQ(no_home.wait_exit(), 2);
    SimProcess stuck({"--home", home.root(), "--arena", "1000x1000", "--start", "50,500,0"});
    EXPECT_EQ(stuck.wait_exit(), 1) << "the robot does not fit at its start";
    // One simulator per folder.
    SimProcess first({"--home", home.root(), "--log", home.root() + "/frames.log"});
    ASSERT_FALSE(first.wait_for_line("tevrak-sim: board ready").empty());
    SimProcess second({"--home", home.root(), "--log", home.root() + "/second.log"});
    EXPECT_EQ(second.wait_exit(), 1);
    EXPECT_TRUE(std::filesystem::is_symlink(home.root() + "/dev/ttyBOARD")) << "the first one's link stays";
    control(home, "quit");
    EXPECT_EQ(first.wait_exit(), 0);
    SimProcess help({"--help"});
    EXPECT_EQ(help.wait_for_line("Usage:"), "Usage: tevrak-sim --home DIR [options]");
    EXPECT_EQ(help.wait_exit(), 0);
}

}  // namespace
