// Port discovery: USB lines of hdt.txt matched against the device listing.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>
#include <string>

#include "config/paths.h"
#include "serial/testing.h"
#include "support/board_fixture.h"
#include "support/temp_home.h"
#include "tevrak/serial.h"

namespace {

namespace serial = tevrak::serial;
using tevrak::test::OutputCapture;
using tevrak::test::TempHome;

// Interface 1's default path, which a test's robot folder moves to
// <root>/dev/ttyACM0, leads to the simulated board: an open that falls back to
// the default reaches the board.
void link_default_path_to_board(const tevrak::test::SimRobot &robot) {
    const std::filesystem::path link = robot.home.root() + "/dev/ttyACM0";
    ASSERT_EQ(link.string(), tevrak::paths::default_port());
    std::filesystem::create_symlink(robot.board.device_path(), link);
}

TEST(Discovery, DefaultPathOfInterfaceOne) { EXPECT_STREQ(tevrak::paths::default_port(), "/dev/ttyACM0"); }

TEST(Discovery, SplittingRulesOfTheListing) {
    using serial::find_device_path;
    // The example of the listing format: tokens x, board; path fields 7 and the path.
    EXPECT_EQ(find_device_path("x board-7:/dev/ttyACM1", "board"), "/dev/ttyACM1");
    // A by-id style line: any token of the name finds the node.
    const std::string_view by_id = "usb-Acme_Board_1234-if00:/dev/ttyACM0\nusb-FTDI_Cable_99-if00:/dev/ttyUSB0\n";
    EXPECT_EQ(find_device_path(by_id, "Board"), "/dev/ttyACM0");
    EXPECT_EQ(find_device_path(by_id, "Cable"), "/dev/ttyUSB0");
    EXPECT_EQ(find_device_path(by_id, "FTDI"), "/dev/ttyUSB0") << "fields behind FTDI: Cable_99-if00, path";
    // Names with separators, other case, or only part of a token never match.
    EXPECT_FALSE(find_device_path(by_id, "Acme_Board"));
    EXPECT_FALSE(find_device_path(by_id, "board"));
    EXPECT_FALSE(find_device_path(by_id, "Boa"));
    // A match that is the last token, or followed by one path field only.
    EXPECT_FALSE(find_device_path("a b board", "board"));
    EXPECT_FALSE(find_device_path("board-7", "board"));
    EXPECT_FALSE(find_device_path("board-7:", "board"));
    // Runs of separators count as one; blanks belong to the path fields.
    EXPECT_EQ(find_device_path("  board--::x::/dev/my port\n", "board"), "x");
    EXPECT_EQ(find_device_path("board 1:/dev/my port\n", "board"), "/dev/my port");
    // Only the first matching token counts.
    EXPECT_EQ(find_device_path("board-1:/dev/a\nboard-2:/dev/b\n", "board"), "/dev/a");
}

TEST(Discovery, UsbLineRules) {
    using serial::parse_usb_line;
    auto line = parse_usb_line("USB 2 board\n");
    ASSERT_TRUE(line);
    EXPECT_EQ(line->interface, 2);
    EXPECT_EQ(line->name, "board");
    EXPECT_EQ(parse_usb_line("USBX 2x board extra\n")->interface, 2) << "key prefix and atoi";
    EXPECT_EQ(parse_usb_line("USB word board\n")->interface, 0);
    EXPECT_EQ(parse_usb_line("USB   3    board   \n")->name, "board");
    EXPECT_EQ(parse_usb_line("USB 1 board\r\n")->name, "board\r") << "a carriage return stays in the name";
    EXPECT_FALSE(parse_usb_line("USB 1\tboard\n")) << "a tab does not separate: two fields only";
    EXPECT_FALSE(parse_usb_line(" USB 1 board\n"));
    EXPECT_FALSE(parse_usb_line("usb 1 board\n"));
    EXPECT_FALSE(parse_usb_line("USB 1\n")) << "fewer than three fields";
}

TEST(Discovery, SeveralDevicesFillTheirSlots) {
    TempHome home;
    home.write_hdt("DRIVE 1 2 3 4\nUSB 1 board\nUSB 2 gps\nUSB 3 missing\nUSB 4 lidar\nUSB 4 camera\n");
    home.write_listing(
        "usb-Acme_board-if00:/dev/ttyACM5\nusb-Ublox_gps-if00:/dev/ttyACM6\n"
        "usb-Cam_camera-if00:/dev/video9\n");
    OutputCapture capture;
    EXPECT_EQ(SERGetPaths(), 0);
    EXPECT_STREQ(serial::state.USBPATH1, "/dev/ttyACM5");
    EXPECT_STREQ(serial::state.USBPATH2, "/dev/ttyACM6");
    EXPECT_STREQ(serial::state.USBPATH3, "") << "a name not in the listing leaves the slot alone";
    EXPECT_STREQ(serial::state.USBPATH4, "/dev/video9") << "the last line whose name is found wins";
    EXPECT_EQ(serial::state.SERPathInit, 1);
    EXPECT_EQ(SERGetPaths(), 1) << "discovery is done once";
    EXPECT_EQ(capture.out(), "");
    EXPECT_EQ(capture.err(), "");
}

TEST(Discovery, FileWithoutUsbLinesKeepsDefaults) {
    TempHome home;
    home.write_hdt("DRIVE 1 2 3 4\n USB 1 board\n");
    home.write_listing("x board-7:/dev/ttyACM1\n");
    EXPECT_EQ(SERGetPaths(), 0);
    EXPECT_EQ(serial::state.USBPATH1, home.root() + "/dev/ttyACM0");
    EXPECT_STREQ(serial::state.USBPATH2, "");
    OutputCapture capture;
    EXPECT_EQ(SERInit(2, 115200, 0), 1);
    EXPECT_EQ(capture.err(), "error opening port\n");
}

TEST(Discovery, CarriageReturnLineEndsNeverMatch) {
    TempHome home;
    home.write_hdt("USB 1 board\r\n");
    home.write_listing("x board-7:/dev/ttyACM1\n");
    EXPECT_EQ(SERGetPaths(), 0);
    EXPECT_EQ(serial::state.USBPATH1, home.root() + "/dev/ttyACM0");
}

TEST(Discovery, InvalidInterfaceStopsAndRepeatsAtNextInit) {
    for (const char *number : {"0", "5", "word"}) {
        SCOPED_TRACE(number);
        TempHome home;
        serial::state.SERPathInit = 0;
        serial::state.USBPATH2[0] = '\0';
        home.write_hdt(std::string("USB 2 gps\nUSB ") + number + " board\nUSB 3 board\n");
        home.write_listing("x board-7:/dev/ttyACM1\ny gps-1:/dev/ttyACM2\n");
        {
            OutputCapture capture;
            EXPECT_EQ(SERGetPaths(), 1);
            EXPECT_EQ(capture.out(), "Invalid usb port number (1-4)");
        }
        EXPECT_STREQ(serial::state.USBPATH2, "/dev/ttyACM2") << "earlier lines stay set";
        EXPECT_STREQ(serial::state.USBPATH3, "") << "later lines are not read";
        EXPECT_EQ(serial::state.SERPathInit, 0);
        // The next SERInit runs discovery again, message included.
        OutputCapture capture;
        SERInit(3, 115200, 0);
        EXPECT_EQ(capture.out(), "Invalid usb port number (1-4)");
        SERClose(3);
    }
}

TEST(Discovery, MissingFileRunsNoListing) {
    TempHome home;
    // A listing program that leaves a mark each time it runs.
    const std::string mark = home.root() + "/listing-ran";
    home.write_file("bin/usbSearch", "#!/bin/sh\ntouch '" + mark + "'\n");
    ASSERT_EQ(::chmod((home.bin() + "/usbSearch").c_str(), 0755), 0);
    OutputCapture capture;
    EXPECT_EQ(SERGetPaths(), 1);
    EXPECT_EQ(capture.err(), "No HDT file present");
    EXPECT_EQ(serial::state.USBPATH1, home.root() + "/dev/ttyACM0");
    EXPECT_EQ(serial::state.SERPathInit, 0);
    EXPECT_FALSE(std::filesystem::exists(mark)) << "the listing program ran";

    home.write_hdt("USB 1 board\n");
    EXPECT_EQ(SERGetPaths(), 0);
    EXPECT_TRUE(std::filesystem::exists(mark)) << "with the file it runs";
}

// A missing file or an invalid USB line ends discovery, not the open: interface
// 1 opens on its default path. Every SERInit repeats the discovery (and its
// message) while it has not completed.
TEST(Discovery, FailedDiscoveryStillOpensTheDefaultPath) {
    tevrak::test::SimRobot robot;
    link_default_path_to_board(robot);
    struct Case {
        const char *hdt;  // nullptr: no file
        const char *out;
        const char *err;
    };
    for (const Case &c : {Case{nullptr, "", "No HDT file present"},
                          Case{"USB 2 board\nUSB 9 board\n", "Invalid usb port number (1-4)", ""}}) {
        SCOPED_TRACE(c.err);
        if (c.hdt != nullptr) {
            robot.home.write_hdt(c.hdt);
        } else {
            robot.home.remove_hdt();
        }
        for (int round = 0; round < 2; ++round) {
            OutputCapture capture;
            EXPECT_EQ(SERInit(1, 115200, 0), 0);
            EXPECT_EQ(capture.out(), c.out);
            EXPECT_EQ(capture.err(), c.err);
        }
        EXPECT_EQ(SERCheck(1), 0) << "the board answers on the default path";
        EXPECT_EQ(serial::state.SERPathInit, 0);
    }
}

// A listing path of more than 99 characters is refused whatever its length:
// the interface cannot be opened, and interface 1 does not fall back to its
// default path.
TEST(Discovery, PathsThatDoNotFitAreRefused) {
    tevrak::test::SimRobot robot;
    link_default_path_to_board(robot);
    const std::string beyond_the_slot = "/dev/" + std::string(300, 'p');
    const std::string beyond_the_open = "/dev/" + std::string(120, 'm');
    robot.home.write_listing("x big-1:" + beyond_the_slot + "\ny mid-1:" + beyond_the_open + "\n");
    for (const std::string name : {"big", "mid"}) {
        SCOPED_TRACE(name);
        serial::state.SERPathInit = 0;
        robot.home.write_hdt("USB 1 " + name + "\nUSB 2 " + name + "\n");
        OutputCapture capture;
        EXPECT_EQ(SERInit(1, 115200, 0), 1);
        EXPECT_EQ(SERInit(2, 115200, 0), 1);
        EXPECT_EQ(capture.err(), "error opening port\nerror opening port\n");
        EXPECT_EQ(serial::state.SERPathInit, 1);
    }
}

TEST(Discovery, ListingLongerThanTheBufferIsCut) {
    TempHome home;
    home.write_hdt("USB 2 early\nUSB 3 late\n");
    std::string listing = "a early-1:/dev/ttyE\n" + std::string(1300, 'z') + "\nb late-1:/dev/ttyL\n";
    home.write_listing(listing);
    EXPECT_EQ(SERGetPaths(), 0);
    EXPECT_STREQ(serial::state.USBPATH2, "/dev/ttyE");
    EXPECT_STREQ(serial::state.USBPATH3, "");
}

}  // namespace
