// Distance sensors against the simulated board: raw readings, table
// conversion and failures (devices without a table and restarts: tests/fault).
#include <gtest/gtest.h>

#include <chrono>
#include <string>

#include "rangers/testing.h"
#include "support/board_fixture.h"
#include "tevrak/psd.h"

namespace {

using tevrak::sim::Bytes;
using tevrak::test::OutputCapture;
using tevrak::test::SimRobot;
namespace rangers = tevrak::rangers;

constexpr std::uint8_t kPsd = 0xF0;

// "TABLE <name> 100 101 ... (99 + entries)\n"
std::string table_line(const std::string &name, int entries) {
    std::string line = "TABLE " + name;
    for (int i = 0; i < entries; ++i) line += " " + std::to_string(100 + i);
    return line + "\n";
}

// The board answers the next readings with raw.
void reading(SimRobot &robot, int raw) {
    robot.board.set_reply(kPsd, {static_cast<std::uint8_t>(raw >> 8), static_cast<std::uint8_t>(raw & 0xFF)});
}

TEST(PsdGetRaw, FrameAndUnsignedReading) {
    SimRobot robot("PSD front pt\n");
    reading(robot, 0x0FFF);
    EXPECT_EQ(PSDGetRaw(2), 4095);
    EXPECT_EQ(robot.board.wire(), (Bytes{0x0D, kPsd, 0x02}));
    reading(robot, 0xFFFF);
    EXPECT_EQ(PSDGetRaw(1), 65535) << "not -1";
    robot.board.set_reply_prefix({'>' - 1, 0xFF, 0x00});
    reading(robot, 0x0102);
    EXPECT_EQ(PSDGetRaw(1), 258) << "bytes before the marker are discarded";
    EXPECT_EQ(robot.board.frames(), (std::vector<Bytes>{{kPsd, 2}, {kPsd, 1}, {kPsd, 1}}));
    EXPECT_EQ(rangers::state.PSDInitialised, 1);
}

TEST(PsdGet, SixteenEntryTable) {
    SimRobot robot("PSD front pt\n" + table_line("pt", 16));
    const std::pair<int, int> cases[] = {
        {256, 100},  {2048, 107},  {4095, 114},
        {4096, 115}, {4351, 115},   // last band: up to just below 4096 + 4096 / 16
        {255, 100},  {0, 100},      // lowest band: held to the first entry
        {4352, 115}, {65535, 115},  // beyond the last band: held to the last entry
    };
    OutputCapture capture;
    for (const auto &[raw, expected] : cases) {
        reading(robot, raw);
        EXPECT_EQ(PSDGet(1), expected) << "raw " << raw;
    }
    EXPECT_EQ(capture.err(), "");
    EXPECT_EQ(robot.board.frames().size(), std::size(cases));
}

TEST(PsdGet, OneEntryTable) {
    SimRobot robot("PSD front pt\nTABLE pt -5\n");
    for (int raw : {0, 4095, 4096, 8191, 8192, 65535}) {
        reading(robot, raw);
        EXPECT_EQ(PSDGet(1), -5) << "raw " << raw;
    }
}

TEST(PsdGet, LaterSensorsUseTheirOwnRecord) {
    SimRobot robot("PSD front -\nPSD side two\n" + table_line("two", 2));
    reading(robot, 4096);
    EXPECT_EQ(PSDGet(2), 101);
    EXPECT_EQ(robot.board.frames(), (std::vector<Bytes>{{kPsd, 2}}));
}

TEST(PsdFailures, UnopenableLinkFailsWithoutSending) {
    SimRobot robot("PSD front pt\nTABLE pt 1\n");
    robot.board.unplug();
    OutputCapture capture;
    EXPECT_EQ(PSDGetRaw(1), -1);
    EXPECT_EQ(PSDGet(1), -1);
    EXPECT_EQ(capture.err().find("PSD:"), std::string::npos) << "no message of the unit's own";
    EXPECT_EQ(rangers::state.PSDInitialised, 0);
    robot.board.replug();
    EXPECT_EQ(PSDGetRaw(1), 0);
    EXPECT_EQ(robot.board.wire(), (Bytes{0x0D, 0xF0, 0x01})) << "nothing of the failed calls";
}

TEST(PsdFailures, TimeoutComesBeforeTheNoTableMessage) {
    SimRobot robot("PSD front pt\nPSD side -\nTABLE pt 1\n");
    ASSERT_EQ(PSDInit(), 0);
    robot.board.unplug();
    {
        OutputCapture capture;
        EXPECT_EQ(PSDGet(1), -1);
        EXPECT_EQ(capture.err(), "PSD: Timeout!!!\n");
    }
    EXPECT_EQ(rangers::state.PSDInitialised, 0);
    robot.board.replug();
    ASSERT_EQ(PSDInit(), 0);
    robot.board.unplug();
    OutputCapture capture;
    EXPECT_EQ(PSDGet(2), -1);
    EXPECT_EQ(capture.err(), "PSD: Timeout!!!\nPSD: No table, returning raw value\n");
    EXPECT_EQ(capture.out(), "");
}

}  // namespace
