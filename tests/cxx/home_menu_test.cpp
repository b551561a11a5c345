// The robot folder chosen at run time, and the list menu's owner.
#include <gtest/gtest.h>
#include <sys/inotify.h>
#include <unistd.h>

#include <algorithm>
#include <string>
#include <type_traits>
#include <utility>

#include "cxx/cxx_test_support.h"
#include "cxx/home.h"
#include "menu/testing.h"
#include "config/paths.h"
#include "serial/testing.h"
#include "tevrak/home.h"
#include "tevrak/serial_link.h"
#include "tevrak/tevrak.hpp"

namespace {

using namespace tevrak::test;

TEST(CxxHome, TheRobotFolderMovesAtRunTime) {
    SimRobot robot(kCxxRobot);
    TempHome elsewhere;  // moves the library's folder there: no hdt.txt in it
    EXPECT_EQ(thrown_by([] { tevrak::Drive(); }), "StartupError VW 1");
    tevrak::set_home(robot.home.root() + "//");
    EXPECT_EQ(std::string(tevrak::paths::hdt_file()), robot.home.root() + "/bin/hdt.txt");
    EXPECT_EQ(thrown_by([] { tevrak::Drive(); }), "nothing");
    EXPECT_TRUE(robot.board.wait_for_frames(2)) << "set-up and gains frames";
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
    {
        EXPECT_THROW(other.add("three"), std::bad_alloc);
    }
    tevrak::menu::set_reallocator(nullptr);
    EXPECT_EQ(other.size(), 2);
}

}  // namespace
