// Port discovery: USB lines of hdt.txt matched against the device listing.
#include <gtest/gtest.h>

#include <string>

#include "serial/testing.h"
#include "support/board_fixture.h"
#include "support/temp_home.h"
#include "tevrak/serial.h"

namespace {

namespace serial = tevrak::serial;
using tevrak::test::OutputCapture;
using tevrak::test::TempHome;

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
    home.write_listing("usb-Acme_board-if00:/dev/ttyACM5\nusb-Ublox_gps-if00:/dev/ttyACM6\n"
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
    EXPECT_STREQ(serial::state.USBPATH1, "/dev/ttyACM0");
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
    EXPECT_STREQ(serial::state.USBPATH1, "/dev/ttyACM0");
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

TEST(Discovery, MissingFile) {
    TempHome home;
    home.write_listing("x board-7:/dev/ttyACM1\n");
    OutputCapture capture;
    EXPECT_EQ(SERGetPaths(), 1);
    EXPECT_EQ(capture.err(), "No HDT file present");
    EXPECT_STREQ(serial::state.USBPATH1, "/dev/ttyACM0");
    EXPECT_EQ(serial::state.SERPathInit, 0);
}

TEST(Discovery, MissingFileStillOpensTheDefaultPath) {
    // Interface 1 keeps its path: point it at the simulated board by hand.
    tevrak::test::SimRobot robot;
    robot.home.remove_hdt();
    OutputCapture capture;
    SERInit(1, 115200, 0);  // fails on /dev/ttyACM0 unless the machine has one
    EXPECT_EQ(capture.err().rfind("No HDT file present", 0), 0u) << capture.err();
    // Every SERInit repeats discovery while it has not completed.
    OutputCapture again;
    SERInit(1, 115200, 0);
    EXPECT_EQ(again.err().rfind("No HDT file present", 0), 0u);
}

TEST(Discovery, PathsThatDoNotFitAreRefused) {
    TempHome home;
    const std::string long_path = "/dev/" + std::string(300, 'p');
    home.write_hdt("USB 2 big\nUSB 3 mid\n");
    const std::string mid_path = "/dev/" + std::string(120, 'm');
    home.write_listing("x big-1:" + long_path + "\ny mid-1:" + mid_path + "\n");
    EXPECT_EQ(SERGetPaths(), 0);
    EXPECT_STREQ(serial::state.USBPATH2, "") << "a path over the slot is refused, not cut";
    EXPECT_EQ(std::string(serial::state.USBPATH3), mid_path);
    OutputCapture capture;
    EXPECT_EQ(SERInit(3, 115200, 0), 1) << "a path over the working copy is refused";
    EXPECT_EQ(capture.err(), "error opening port\n");
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
