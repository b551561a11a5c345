// The robot folder chosen at run time, and the list menu's owner.
#include <gtest/gtest.h>
#include <sys/inotify.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <future>
#include <string>
#include <type_traits>
#include <utility>

#include "config/paths.h"
#include "cxx/cxx_test_support.h"
#include "cxx/home.h"
#include "menu/testing.h"
#include "serial/testing.h"
#include "tevrak/drive.h"
#include "tevrak/home.h"
#include "tevrak/motor.h"
#include "tevrak/psd.h"
#include "tevrak/serial_link.h"
#include "tevrak/servo.h"
#include "tevrak/tevrak.hpp"

namespace {

using namespace tevrak::test;
using namespace std::chrono_literals;

TEST(CxxHome, TheRobotFolderMovesAtRunTime) {
    SimRobot robot(kCxxRobot);
    TempHome elsewhere;  // moves the library's folder there: no hdt.txt in it
    EXPECT_EQ(thrown_by([] { tevrak::Drive(); }), "StartupError VW 1");
    tevrak::set_home(robot.home.root() + "//");
    EXPECT_EQ(std::string(tevrak::paths::hdt_file()), robot.home.root() + "/bin/hdt.txt");
    // A relative folder stays relative: it is found from the working directory.
    const std::filesystem::path root = robot.home.root(), cwd = std::filesystem::current_path();
    std::filesystem::current_path(root.parent_path());
    EXPECT_EQ(HDTSetHome(root.filename().c_str()), 0);
    EXPECT_EQ(std::string(tevrak::paths::hdt_file()), root.filename().string() + "/bin/hdt.txt");
    EXPECT_EQ(thrown_by([] { tevrak::Drive(); }), "nothing");
    std::filesystem::current_path(cwd);
    EXPECT_TRUE(robot.board.wait_for_frames(2)) << "set-up and gains frames";
}

// A robot whose tables give n + 10 (servo), n + 20 (motor), n + 30 (sensor).
std::string numbered_robot(int n) {
    return "ENCODER 1 540\nDRIVE 100 200 0 0\nKINEMA 10 20 30 40\nSERVO s 0 255 st\nMOTOR m mt\nPSD p pt\n"
           "TABLE st " +
           std::to_string(n + 10) + "\nTABLE mt " + std::to_string(n + 20) + "\nTABLE pt " + std::to_string(n + 30) +
           "\n";
}

// Moving the folder after every unit started: each starts afresh below the
// new folder, with its tables and the encoders' zeros.
TEST(CxxHome, MovingTheFolderRestartsEveryUnitFromTheNewFile) {
    SimRobot first(numbered_robot(0));
    SimRobot second(numbered_robot(1));
    tevrak::cxx::move_home(first.home.root());
    first.board.set_reply(0xE5, {0, 0, 0, 50});
    ASSERT_EQ(ENCODERReset(1), 0);
    ASSERT_EQ(SERVOSet(1, 0), 0);
    ASSERT_EQ(MOTORDrive(1, 100), 0);
    ASSERT_EQ(PSDGet(1), 30);
    ASSERT_EQ(VWSetSpeed(0, 0), 0);

    tevrak::cxx::move_home(second.home.root());
    second.board.set_reply(0xE5, {0, 0, 0, 70});
    EXPECT_EQ(ENCODERRead(1), 70) << "the zero of the first robot is gone";
    EXPECT_EQ(SERVOSet(1, 0), 0);
    EXPECT_EQ(MOTORDrive(1, 100), 0);
    EXPECT_EQ(PSDGet(1), 31);
    EXPECT_EQ(VWSetSpeed(0, 0), 0);
    ASSERT_TRUE(second.board.wait_for_frames(7));
    EXPECT_EQ(second.board.frames(),
              (std::vector<Bytes>{{0xE5, 1},
                                  {0xF3, 1, 11},
                                  {0xED, 1, 21},
                                  {0xF0, 1},
                                  {0xF7, 0x02, 0x1C, 0x00, 0x64, 0x00, 0xC8, 0x04},  // the drive's set-up again
                                  {0xC1, 0x0A, 0x1E, 0x14, 0x28},
                                  {0xF8, 0, 0, 0, 0}}));
}

// The move waits for a command that holds the link, which ends on the old
// robot.
TEST(CxxHome, MovingTheFolderWaitsWhileAnotherThreadHoldsTheLink) {
    SimRobot first(kCxxRobot);
    SimRobot second(kCxxRobot);
    tevrak::cxx::move_home(first.home.root());
    tevrak::DistanceSensor sensor(1);
    std::promise<void> held;
    first.board.set_observer([&](std::span<const std::uint8_t> frame) {
        if (frame[0] == 0xF0) held.set_value();
    });
    first.board.set_reply(0xF0, {0x01, 0x02});
    first.board.set_reply_delay(1000ms);
    int value = 0;
    std::thread reader([&] {
        try {
            value = sensor.raw();
        } catch (const tevrak::Error &) {
            value = -1;  // the port was closed under the reading
        }
    });
    held.get_future().wait();
    tevrak::cxx::move_home(second.home.root());
    reader.join();
    EXPECT_EQ(value, 0x0102) << "the move did not wait for the reading";
}

TEST(CxxHome, MovingTheFolderOpensNoPort) {
    SimRobot robot(kCxxRobot);
    TempHome elsewhere;  // no hdt.txt: interface 1 would be the default port
    elsewhere.write_file("dev/ttyACM0", "");
    // The kernel reports every open of the port: a watch for opens only
    // reads one bare event per open.
    const int watch = inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
    ASSERT_GE(inotify_add_watch(watch, tevrak::paths::default_port(), IN_OPEN), 0);
    const auto opens = [watch] {
        inotify_event events[8];
        return std::max(::read(watch, events, sizeof events), ssize_t{0}) / ssize_t{sizeof(inotify_event)};
    };
    tevrak::cxx::move_home(elsewhere.root());  // nothing open yet
    tevrak::cxx::move_home(robot.home.root());
    EXPECT_EQ(thrown_by([] { tevrak::Drive(); }), "nothing");
    tevrak::cxx::move_home(elsewhere.root());  // closes the board's link
    EXPECT_EQ(tevrak::serial::state.SERType, -1);
    tevrak::cxx::move_home(elsewhere.root());  // closed already
    EXPECT_EQ(opens(), 0);
    SERInit(1, 0, 0);  // the watch does see the default port being opened
    EXPECT_EQ(opens(), 1);
    ::close(watch);
}

TEST(CxxHome, FoldersThatCannotBeTaken) {
    TempHome home;
    const std::string before = tevrak::paths::hdt_file();
    EXPECT_EQ(HDTSetHome(nullptr), 1);
    EXPECT_EQ(HDTSetHome(""), 1);
    EXPECT_EQ(HDTSetHome(std::string(4082, 'a').c_str()), 1);
    EXPECT_EQ(thrown_by([] { tevrak::set_home(""); }), "Error HDT 1");
    EXPECT_EQ(tevrak::paths::hdt_file(), before);
    EXPECT_EQ(HDTSetHome(std::string(4081, 'a').c_str()), 0);
    EXPECT_EQ(std::string(tevrak::paths::home()), std::string(4081, 'a'));
}

TEST(CxxListMenu, OwnsItsItemsAndMovesThem) {
    static_assert(!std::is_copy_constructible_v<tevrak::ListMenu> && !std::is_copy_assignable_v<tevrak::ListMenu>);
    static_assert(std::is_nothrow_move_constructible_v<tevrak::ListMenu>);
    LCDInit();
    tevrak::ListMenu menu("Main");
    menu.add("one", 1);
    menu.add("two", 2);
    menu.set_text(1, "zwei");
    EXPECT_EQ(menu.size(), 2);
    EXPECT_EQ(menu.current_text(), "one");
    EXPECT_STREQ(menu.item(1).text, "zwei");
    EXPECT_EQ(menu.item(1).userData, 2);
    EXPECT_THROW(menu.set_text(2, "x"), std::out_of_range);
    EXPECT_THROW(menu.item(-1), std::out_of_range);

    tevrak::ListMenu moved(std::move(menu));
    EXPECT_EQ(moved.size(), 2);
    EXPECT_EQ(menu.size(), 0);  // NOLINT: the moved-from menu is empty, not invalid
    EXPECT_EQ(menu.current_text(), "");
    tevrak::ListMenu other("Other");
    other.add("x");
    other = std::move(moved);  // releases other's own item (the leak checker watches)
    EXPECT_STREQ(other.item(0).text, "one");

    tevrak::menu::set_reallocator([](void *, std::size_t) -> void * { return nullptr; });
    { EXPECT_THROW(other.add("three"), std::bad_alloc); }
    tevrak::menu::set_reallocator(nullptr);
    EXPECT_EQ(other.size(), 2);
}

}  // namespace
