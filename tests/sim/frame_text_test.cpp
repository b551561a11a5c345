// Log texts of frames and replies, and the log's handling of repeats.
#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

#include "sim/world/frame_text.h"
#include "sim/world/log.h"

namespace {

using tevrak::sim::describe_frame;
using tevrak::sim::describe_reply;
using Bytes = std::vector<std::uint8_t>;

std::string text(const Bytes &frame) { return describe_frame(frame); }

TEST(FrameText, CommandsInArgumentOrderAndBoardUnits) {
    EXPECT_EQ(text({0xF9, 0x00, 0xC8, 0x03, 0xE8}), "VWStraight distance=1000 speed=200");
    EXPECT_EQ(text({0xD9, 0x00, 0x4E, 0x00, 0x9D}), "VWTurn angle=157 speed=78");
    EXPECT_EQ(text({0xF8, 0xFF, 0x9C, 0xFF, 0x63}), "VWSetSpeed linear=-100 angular=-157");
    EXPECT_EQ(text({0xC3, 0x06, 0x22, 0xFF, 0x63, 0x00, 0x64}), "VWCurve length=1570 angle=-157 speed=100");
    EXPECT_EQ(text({0xD1, 0x00, 0x00, 0xFF, 0xF6, 0x00, 0x4E}), "VWSetPosition x=0 y=-10 heading=78");
    EXPECT_EQ(text({0xF7, 0x02, 0x1C, 0x00, 0x3C, 0x00, 0xB4, 0x04}),
              "DriveSetup ticks=540 diameter=60 track=180 flags=4");
    EXPECT_EQ(text({0xC1, 0x0A, 0x1E, 0x14, 0x28}), "VWControl gain1=10 gain2=30 gain3=20 gain4=40");
    EXPECT_EQ(text({0xD7}), "VWControlOff");
    EXPECT_EQ(text({0xF3, 0x03, 0x80}), "SERVOSetRaw servo=3 position=128");
    EXPECT_EQ(text({0xD3, 0x01, 0x0A, 0x2C}), "SERVORange servo=1 low=10 high=44");
    EXPECT_EQ(text({0xED, 0x01, 0x9C}), "MOTORDriveRaw motor=1 power=-100");
    EXPECT_EQ(text({0xE4, 0x02, 0x2C, 0x01, 0x00}), "MOTORPID motor=2 p=44 i=1 d=0");
    EXPECT_EQ(text({0xC4, 0x02}), "MOTORPIDOff motor=2");
    EXPECT_EQ(text({0xCD, 0x01, 0xF6}), "MOTORSpeed motor=1 speed=-10");
    EXPECT_EQ(text({0xE5, 0x02}), "ENCODERRead encoder=2");
    EXPECT_EQ(text({0xF0, 0x03}), "PSDGetRaw psd=3");
    EXPECT_EQ(text({0xDA}), "VWDriveStatus");
    // Not a frame: shown as bytes.
    EXPECT_EQ(text({0x41, 0x42}), "unknown frame 41 42");
    EXPECT_EQ(text({0xF9, 0x00}), "unknown frame F9 00") << "a frame cut short";
}

TEST(FrameText, RepliesOfQueries) {
    EXPECT_EQ(describe_reply(0xF1, Bytes{0x00, 0x0A, 0xFF, 0xF6, 0x00, 0x9D}), " -> x=10 y=-10 heading=157");
    EXPECT_EQ(describe_reply(0xD8, Bytes{0xFF, 0xFF, 0x00, 0x4E}), " -> linear=-1 angular=78");
    EXPECT_EQ(describe_reply(0xFA, Bytes{0xFF, 0xFE}), " -> remaining=65534");
    EXPECT_EQ(describe_reply(0xDA, Bytes{0x02}), " -> status=2");
    EXPECT_EQ(describe_reply(0xE5, Bytes{0xFF, 0xFF, 0xFF, 0xFE}), " -> count=-2");
    EXPECT_EQ(describe_reply(0xF0, Bytes{0x0F, 0xFF}), " -> raw=4095");
    EXPECT_EQ(describe_reply(0xF0, Bytes{0x0F}), " -> 0F") << "a reply cut short";
    EXPECT_EQ(describe_reply(0xF9, Bytes{}), "") << "commands have no reply";
}

TEST(FrameLog, LinesAreWrittenAtOnceAndRepeatsCounted) {
    std::FILE *file = std::tmpfile();
    ASSERT_NE(file, nullptr);
    const auto contents = [&] {
        std::string all;
        std::rewind(file);
        for (int c; (c = std::fgetc(file)) != EOF;) all += static_cast<char>(c);
        return all;
    };
    {
        tevrak::sim::Log log(file);
        log.line("VWStraight distance=1000 speed=200");
        EXPECT_EQ(contents(), "VWStraight distance=1000 speed=200\n") << "flushed per line";
        std::fseek(file, 0, SEEK_END);
        for (int i = 0; i < 4; ++i) log.line("VWDriveStatus -> status=0");
        log.line("VWDriveStatus -> status=1");
        log.line("VWGetPosition -> x=1000 y=0 heading=0");
        log.line("VWGetPosition -> x=1000 y=0 heading=0");
        log.flush();
        log.line("VWGetPosition -> x=1000 y=0 heading=0");
    }
    EXPECT_EQ(contents(),
              "VWStraight distance=1000 speed=200\n"
              "VWDriveStatus -> status=0\n"
              "(last line repeated 3 more times)\n"
              "VWDriveStatus -> status=1\n"
              "VWGetPosition -> x=1000 y=0 heading=0\n"
              "(last line repeated 1 more times)\n"
              "VWGetPosition -> x=1000 y=0 heading=0\n");
    std::fclose(file);
}

}  // namespace
