// The replay's reading of a recording and its verdict on the frames that
// come: what it answers, where it stops and what it says.
#include <gtest/gtest.h>

#include <fstream>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

#include "sim/program/replay.h"
#include "support/temp_home.h"
#include "tap/record_json.h"

namespace {

using tevrak::sim::Bytes;
using tevrak::sim::Replay;
using State = Replay::State;

const std::string kHeader = R"({"format":"tevrak-recording","version":1,"library":"0.2.0","hdt":"USB 1 board\n"})";

std::string record(const char *frame, const char *reply, const char *result = "ok", const char *call = nullptr) {
    const std::string named = call != nullptr ? std::string(R"(,"call":")") + call + "\"" : "";
    return std::string(R"({"frame":")") + frame + R"(","reply":")" + reply + R"(","result":")" + result + "\"" + named +
           "}";
}

struct Case {
    const char *name;
    std::string text;                           // the recording file
    std::vector<Bytes> frames;                  // what the program sends
    std::vector<std::optional<Bytes>> answers;  // what each frame gets
    State state;
    const char *message;
    int status;
};

class ReplayVerdicts : public testing::TestWithParam<Case> {};

TEST_P(ReplayVerdicts, AnswerAndReport) {
    const Case &c = GetParam();
    tevrak::test::TempHome home;
    home.write_file("run.jsonl", c.text);
    Replay replay(home.root() + "/run.jsonl");
    std::vector<std::optional<Bytes>> answers;
    for (const Bytes &frame : c.frames) answers.push_back(replay.take(frame));
    EXPECT_EQ(answers, c.answers);
    EXPECT_EQ(replay.state(), c.state);
    EXPECT_EQ(replay.message(), c.message);
    EXPECT_EQ(replay.exit_status(), c.status);
}

INSTANTIATE_TEST_SUITE_P(
    Recordings, ReplayVerdicts,
    testing::Values(
        Case{"AnsweredToItsEnd",
             kHeader + "\n" + record("F800640000", "") + "\n" + record("F002", "05F4") + "\n",
             {{0xF8, 0x00, 0x64, 0x00, 0x00}, {0xF0, 0x02}},
             {std::nullopt, Bytes{0x05, 0xF4}},
             State::answered,
             "",
             0},
        Case{"DivergesAtTheRecordOfTheChangedCall",
             kHeader + "\n" + record("F001", "0100") + "\n" + record("F002", "05F4") + "\n" + record("F001", "0100") +
                 "\n",
             {{0xF0, 0x01}, {0xF0, 0x03}, {0xF0, 0x01}},
             {Bytes{0x01, 0x00}, std::nullopt, std::nullopt},
             State::diverged,
             "record 3: expected PSDGetRaw(2), got PSDGetRaw(3)",
             1},
        // The program's call as recorded: its own arguments, or what it sent.
        Case{"NamesTheProgramsCall",
             kHeader + "\n" + record("F002", "05F4", "ok", "PSDGet") + "\n",
             {{0xF0, 0x03}},
             {std::nullopt},
             State::diverged,
             "record 2: expected PSDGet(2), got PSDGet(3)",
             1},
        Case{"NamesAConvertingCallWithWhatItSent",
             kHeader + "\n" + record("F301C8", "", "ok", "SERVOSet") + "\n",
             {{0xF3, 0x01, 0xC9}},
             {std::nullopt},
             State::diverged,
             "record 2: expected SERVOSet sending SERVOSetRaw(1,200), got SERVOSet sending SERVOSetRaw(1,201)",
             1},
        Case{"AnotherOperationIsNamedByItsOwnName",
             kHeader + "\n" + record("F002", "05F4", "ok", "PSDGet") + "\n",
             {{0xF8, 0x00, 0x64, 0x00, 0x00}},
             {std::nullopt},
             State::diverged,
             "record 2: expected PSDGet(2), got VWSetSpeed(100,0)",
             1},
        Case{"AFrameBeyondTheEnd",
             kHeader + "\n" + record("F001", "0100") + "\n",
             {{0xF0, 0x01}, {0xD7}},
             {Bytes{0x01, 0x00}, std::nullopt},
             State::diverged,
             "record 3: expected the end of the recording, got VWControlOff()",
             1},
        Case{"CutInsideALine",
             kHeader + "\n" + record("F001", "0100") + "\n" + record("F002", "05F4").substr(0, 20),
             {{0xF0, 0x01}, {0xF0, 0x02}},
             {Bytes{0x01, 0x00}, std::nullopt},
             State::cut_short,
             "the recording ends at line 2",
             3},
        Case{"ExchangesThatNeverReachedTheBoardArePassedOver",
             kHeader + "\n" + record("F001", "", "link_failed") + "\n" + record("F001", "0100") + "\n",
             {{0xF0, 0x01}},
             {Bytes{0x01, 0x00}},
             State::answered,
             "",
             0},
        Case{"ARecordedMissingReplyStaysMissing",
             kHeader + "\n" + record("F001", "", "no_reply") + "\n" + record("F001", "0100") + "\n",
             {{0xF0, 0x01}, {0xF0, 0x01}},
             {std::nullopt, Bytes{0x01, 0x00}},
             State::answered,
             "",
             0}),
    [](const auto &info) { return std::string(info.param.name); });

TEST(ReplayFile, RefusesWhatIsNoRecording) {
    const std::string too_long(tevrak::tap::kLongestLine + 1, ' ');
    const struct {
        std::string text;
        const char *why;
    } refused[] = {
        {"", "no header line"},
        {R"({"format":"other","version":1})"
         "\n",
         "no tevrak recording"},
        {R"({"format":"tevrak-recording","version":2})"
         "\n",
         "format version 2"},
        {kHeader + "\nnot json\n", "line 2: not a JSON object"},
        {kHeader + "\n" + record("F0011122334455667788", "") + "\n", "line 2: no record"},
        {kHeader + "\n" + record("F0", "00112233445566") + "\n", "line 2: no record"},
        {kHeader + "\n" + too_long + "\n", "line 2: line longer than"},
    };
    tevrak::test::TempHome home;
    for (const auto &file : refused) {
        SCOPED_TRACE(file.why);
        home.write_file("bad.jsonl", file.text);
        try {
            Replay replay(home.root() + "/bad.jsonl");
            ADD_FAILURE() << "taken";
        } catch (const std::runtime_error &error) {
            EXPECT_NE(std::string(error.what()).find(file.why), std::string::npos) << error.what();
        }
    }
}

}  // namespace
