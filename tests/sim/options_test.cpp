// Command-line options, config files and control lines of tevrak-sim.
#include <sys/stat.h>
#include <unistd.h>

#include <fcntl.h>
#include <gtest/gtest.h>

#include <cmath>
#include <tuple>

#include "sim/program/control.h"
#include "sim/program/options.h"
#include "sim/world/home_files.h"
#include "support/temp_home.h"

namespace {

using tevrak::sim::Control;
using tevrak::sim::parse_control;
using tevrak::sim::parse_options;

TEST(SimOptions, ParsesTheArenaRobotAndFaults) {
    std::string error;
    auto options = parse_options(
        {"--home",  "/tmp/x",     "--arena",  "3000x2000", "--obstacle",  "100,200,300,400", "--obstacle", "1,2,3,4",
         "--start", "500,600,90", "--radius", "80",        "--sensors",   "0,45,-45,180",    "--stray",    "3",
         "--late",  "250",        "--silent", "--at",      "1500:unplug", "--log",           "sim.log",    "--svg",
         "out.svg", "--keep-hdt", "--speed",  "50"},
        error);
    ASSERT_TRUE(options) << error;
    EXPECT_EQ(options->home, "/tmp/x");
    EXPECT_EQ(options->arena_width, 3000);
    EXPECT_EQ(options->arena_height, 2000);
    ASSERT_EQ(options->obstacles.size(), 2u);
    EXPECT_EQ(options->obstacles[0].x, 100);
    EXPECT_EQ(options->obstacles[0].height, 400);
    ASSERT_TRUE(options->start);
    EXPECT_NEAR(options->start->heading, M_PI / 2, 1e-12);
    EXPECT_EQ(options->radius, 80);
    EXPECT_EQ(options->sensor_degrees, (std::vector<double>{0, 45, -45, 180}));
    EXPECT_EQ(options->stray, 3);
    EXPECT_EQ(options->late_ms, 250);
    EXPECT_TRUE(options->silent);
    EXPECT_TRUE(options->keep_hdt);
    ASSERT_EQ(options->scheduled.size(), 1u);
    EXPECT_EQ(options->scheduled[0].at_ms, 1500);
    EXPECT_EQ(options->scheduled[0].command, "unplug");
    EXPECT_EQ(options->log_file, "sim.log");
    EXPECT_EQ(options->svg_file, "out.svg");
    EXPECT_FALSE(options->view);
    EXPECT_EQ(options->speed, 50);

    // The page listens on the loopback address unless another one is named.
    const std::vector<std::tuple<std::string, std::string, int>> views = {
        {"8080", "127.0.0.1", 8080}, {"0", "127.0.0.1", 0}, {"0.0.0.0:80", "0.0.0.0", 80}, {"[::1]:9000", "::1", 9000}};
    for (const auto &[text, host, port] : views) {
        options = parse_options({"--home", "h", "--view", text}, error);
        ASSERT_TRUE(options && options->view) << text << ": " << error;
        EXPECT_EQ(options->view->host, host) << text;
        EXPECT_EQ(options->view->port, port) << text;
    }

    // Mistakes are named.
    const std::vector<std::pair<std::vector<std::string>, std::string>> bad = {
        {{"--arena", "3000x2000"}, "--home DIR is required"},
        {{"--home", "h", "--arena", "3000"}, "--arena wants"},
        {{"--home", "h", "--arena", "0x10"}, "--arena wants"},
        {{"--home", "h", "--obstacle", "1,2,3"}, "--obstacle wants"},
        {{"--home", "h", "--start", "1,2,x"}, "--start wants"},
        {{"--home", "h", "--stray", "300"}, "--stray wants"},
        {{"--home", "h", "--at", "soon:unplug"}, "--at wants"},
        {{"--home", "h", "--wobble"}, "unknown option --wobble"},
        {{"--home"}, "--home needs a value"},
        {{"--home", "h", "--view", "http"}, "--view wants"},
        {{"--home", "h", "--view", "65536"}, "--view wants"},
        {{"--home", "h", "--view", ":8080"}, "--view wants"},
        {{"--home", "h", "--speed", "0"}, "--speed wants a factor, 1 to 50"},
        {{"--home", "h", "--speed", "51"}, "--speed wants"},
    };
    unsetenv("TEVRAK_HOME");
    for (const auto &[args, expected] : bad) {
        EXPECT_FALSE(parse_options(args, error)) << expected;
        EXPECT_NE(error.find(expected), std::string::npos) << error;
    }

    // Without --home, the simulator takes the library's TEVRAK_HOME; --home wins.
    setenv("TEVRAK_HOME", "/home/alice/tevrak", 1);
    EXPECT_EQ(parse_options({}, error)->home, "/home/alice/tevrak");
    EXPECT_EQ(parse_options({"--home", "h"}, error)->home, "h");
}

TEST(SimOptions, ConfigFileLinesAreOptions) {
    tevrak::test::TempHome home;
    home.write_file("arena.conf",
                    "# a small arena\n"
                    "arena 1200x800\n"
                    "  obstacle 100,100,50,50  \n"
                    "\n"
                    "start 300,400,-90\n"
                    "silent\n");
    std::string error;
    auto options = parse_options({"--home", "h", "--config", home.root() + "/arena.conf", "--radius", "70"}, error);
    ASSERT_TRUE(options) << error;
    EXPECT_EQ(options->arena_width, 1200);
    EXPECT_EQ(options->arena_height, 800);
    EXPECT_EQ(options->obstacles.size(), 1u);
    EXPECT_EQ(options->start->y, 400);
    EXPECT_TRUE(options->silent);
    EXPECT_EQ(options->radius, 70);
    EXPECT_FALSE(parse_options({"--home", "h", "--config", home.root() + "/missing.conf"}, error));
    EXPECT_NE(error.find("cannot read config file"), std::string::npos);
}

TEST(SimControl, LinesOfTheControlChannel) {
    std::string error;
    const auto check = [&](const char *line, Control::Action action, int value, const char *button = "") {
        const auto control = parse_control(line, error);
        ASSERT_TRUE(control) << line << ": " << error;
        EXPECT_EQ(control->action, action) << line;
        EXPECT_EQ(control->value, value) << line;
        EXPECT_EQ(control->button, button) << line;
    };
    check("silent on", Control::Action::silent, 1);
    check("  silent off\r", Control::Action::silent, 0);
    check("unplug", Control::Action::unplug, 0);
    check("replug", Control::Action::replug, 0);
    check("stray 5", Control::Action::stray, 5);
    check("noise 0", Control::Action::noise, 0);
    check("late 120", Control::Action::late, 120);
    check("status", Control::Action::status, 0);
    check("quit", Control::Action::quit, 0);
    check("key KEY_UP", Control::Action::key, 0, "KEY_UP");
    check("key  KEY_2   255 ", Control::Action::key, 255, "KEY_2");

    EXPECT_FALSE(parse_control("", error));
    EXPECT_TRUE(error.empty());
    EXPECT_FALSE(parse_control("# comment", error));
    EXPECT_TRUE(error.empty());
    for (const char *bad : {"silent maybe", "stray", "stray -1", "late 1e3", "unplug now", "explode", "key",
                            "key KEY_UP 256", "key KEY_UP 1 2", "key KEY/UP", "key KEY_UP\x01"}) {
        EXPECT_FALSE(parse_control(bad, error)) << bad;
        EXPECT_FALSE(error.empty()) << bad;
    }
}

TEST(SimHome, PathsTheDiscoveryCanUse) {
    EXPECT_TRUE(tevrak::sim::check_home_path("/tmp/robot").empty());
    EXPECT_FALSE(tevrak::sim::check_home_path("/tmp/a:b").empty()) << "the listing is split at ':'";
    EXPECT_FALSE(tevrak::sim::check_home_path("/tmp/it's").empty());
    EXPECT_FALSE(tevrak::sim::check_home_path("/" + std::string(200, 'a')).empty());
    EXPECT_EQ(tevrak::sim::listing_line("/r/dev/ttyBOARD"), "usb-Tevrak_board_sim-if00:/r/dev/ttyBOARD");
}

// A robot folder set up by the Debian package links usbSearch to the
// installed program: the simulator replaces the link, never the program.
TEST(SimHome, ReplacesALinkedUsbSearchInsteadOfWritingThroughIt) {
    tevrak::test::TempHome home;
    home.write_file("installed/usbSearch", "#!/bin/sh\n# the installed program\n");
    ASSERT_EQ(::symlink((home.root() + "/installed/usbSearch").c_str(), (home.bin() + "/usbSearch").c_str()), 0);
    const int folder = ::open(home.root().c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    ASSERT_EQ(tevrak::sim::prepare_home(folder, home.root(), "/r/dev/ttyBOARD", 1, false), "");
    ::close(folder);
    EXPECT_EQ(tevrak::test::read_file(home.root() + "/installed/usbSearch"), "#!/bin/sh\n# the installed program\n");
    struct stat status {};
    ASSERT_EQ(::lstat((home.bin() + "/usbSearch").c_str(), &status), 0);
    EXPECT_TRUE(S_ISREG(status.st_mode));
    EXPECT_EQ(status.st_mode & 0777, 0755u);
    EXPECT_NE(tevrak::test::read_file(home.bin() + "/usbSearch").find("usb-Tevrak_board_sim-if00:/r/dev/ttyBOARD"),
              std::string::npos);
}

}  // namespace
