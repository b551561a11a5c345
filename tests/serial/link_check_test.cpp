// Link check and transport against the simulated board.
#include <gtest/gtest.h>
#include <termios.h>

#include <chrono>

#include "serial/testing.h"
#include "support/board_fixture.h"
#include "tevrak/serial.h"

namespace {

using namespace std::chrono_literals;
using tevrak::sim::Bytes;
namespace serial = tevrak::serial;

TEST(LinkCheck, BoardAnsweringTheFirstProbe) {
    tevrak::test::SimRobot robot;
    robot.board.queue_probe_answer({'>', 'x', 'y'});  // more behind its answer
    ASSERT_EQ(SERInit(1, 115200, 0), 0);
    const auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(SERCheck(1), 0);
    const auto took = std::chrono::steady_clock::now() - start;
    EXPECT_GE(took, 10ms) << "the pause before the queues are discarded";
    EXPECT_LT(took, 500ms);
    EXPECT_EQ(robot.board.wire(), (Bytes{0x0D}));
    char buffer[4];
    EXPECT_EQ(SERReceive(1, buffer, 4), 0) << "queues are empty after the check";
}

// Each try reads one byte: three stray bytes use up three tries. The board
// answers each probe with one byte, so the marker comes only after it has
// counted the fourth probe. (Answered all at once after the first probe,
// the library would send the later probes while the board's thread might
// not yet have read them, and the check's flush at its end discards on a
// pseudo-terminal whatever the board has not read: beside a busy build the
// board then counted 2.)
TEST(LinkCheck, StrayBytesUseUpTries) {
    tevrak::test::SimRobot robot;
    for (const std::uint8_t stray : {'a', 'b', 'c'}) robot.board.queue_probe_answer({stray});
    ASSERT_EQ(SERInit(1, 115200, 0), 0);
    EXPECT_EQ(SERCheck(1), 0);
    EXPECT_EQ(robot.board.probes(), 4);
}

TEST(LinkCheck, UnpluggedBoardFailsFastAndCloses) {
    tevrak::test::SimRobot robot;
    ASSERT_EQ(SERInit(1, 115200, 0), 0);
    robot.board.unplug();
    const auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(SERCheck(1), 1);
    EXPECT_LT(std::chrono::steady_clock::now() - start, 5s);
    EXPECT_EQ(serial::state.SERType, -1);
}

}  // namespace

// The figures tevrak-doctor prints: probes sent until the board answered,
// or all the bound allowed; the round trip of the answered one.
struct CountedCheck {
    const char *name;
    std::vector<Bytes> probe_answers;  // one per probe; an empty one leaves it unanswered
    bool answered;
    int probes;
};

class LinkCheckFigures : public testing::TestWithParam<CountedCheck> {};

TEST_P(LinkCheckFigures, CountsTheProbes) {
    tevrak::test::SimRobot robot;
    for (const Bytes &answer : GetParam().probe_answers) robot.board.queue_probe_answer(answer);
    if (!GetParam().answered) robot.board.set_silent(true);
    serial::state.wait.check_limit = 1200ms;
    ASSERT_EQ(SERInit(1, 115200, 0), 0);
    const serial::LinkCheck check = serial::check_link(1);
    EXPECT_EQ(check.answered, GetParam().answered);
    EXPECT_EQ(check.probes, GetParam().probes);
    EXPECT_EQ(robot.board.probes(), GetParam().probes);
    if (check.answered) {
        EXPECT_GT(check.round_trip, 100us) << "the pause after the probe";
        EXPECT_LT(check.round_trip, 500ms);
    } else {
        EXPECT_EQ(serial::state.SERType, -1) << "closed, as SERCheck does";
    }
}

INSTANTIATE_TEST_SUITE_P(Probes, LinkCheckFigures,
                         testing::Values(CountedCheck{"FirstAnswered", {}, true, 1},
                                         CountedCheck{"ThirdAnswered", {{}, {}}, true, 3},
                                         // 1.2 s of 0.5 s waits: probes at 0, 0.5 and 1.0 s.
                                         CountedCheck{"SilentWithinTheBound", {}, false, 3}),
                         [](const testing::TestParamInfo<CountedCheck> &info) { return std::string(info.param.name); });
