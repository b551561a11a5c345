// The library's tap against the simulated board: what a listener gets for
// each unit's call, nothing without a listener, a listener that stops
// reading slows nothing and learns how much it lost, and the listener's
// socket is made safely and takes no forged record.
#include <gtest/gtest.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>
#include <nlohmann/json.hpp>

#include <chrono>
#include <filesystem>
#include <functional>
#include <vector>

#include "config/paths.h"
#include "support/board_fixture.h"
#include "tap/listener.h"
#include "tap/record_json.h"
#include "tevrak/drive.h"
#include "tevrak/motor.h"
#include "tevrak/psd.h"
#include "tevrak/servo.h"

namespace {

using tevrak::sim::Bytes;
using tevrak::tap::Listener;
using tevrak::tap::Record;
using tevrak::test::SimRobot;

constexpr const char *kHdt =
    "ENCODER 1 540\nDRIVE 100 200 0 0\nKINEMA 10 20 30 40\nMOTOR m1 mt\nTABLE mt 1\n"
    "PSD p -\nSERVO s1 0 255 st\nTABLE st 1\n";

std::vector<Record> drain(Listener &listener) {
    std::vector<Record> records;
    while (auto record = listener.receive()) records.push_back(*record);
    return records;
}

int socket_descriptors() {
    int sockets = 0;
    for (const auto &entry : std::filesystem::directory_iterator("/proc/self/fd")) {
        std::error_code error;
        const auto target = std::filesystem::read_symlink(entry.path(), error).string();
        sockets += target.starts_with("socket:");
    }
    return sockets;
}

struct UnitCall {
    const char *unit;
    const char *op;
    std::function<int()> call;
    Bytes frame;         // as the board must receive it
    Bytes reply;         // what the board answers behind the marker
    const char *args;    // the record's "args", as JSON
    const char *values;  // its "reply_values"; "" for a command
    const char *named;   // the program's call as the record names it
};

void PrintTo(const UnitCall &c, std::ostream *out) { *out << c.op; }

class TapRecords : public testing::TestWithParam<UnitCall> {};

TEST_P(TapRecords, MatchTheWire) {
    const UnitCall &c = GetParam();
    SimRobot robot(kHdt);
    if (!c.reply.empty()) robot.board.set_reply(c.frame[0], c.reply);
    Listener listener(tevrak::paths::tap_socket());
    const int result = c.call();
    if (c.reply.empty()) {
        EXPECT_EQ(result, 0) << "a command that was sent";
    }
    const auto records = drain(listener);
    // A command returns once its bytes are on their way.
    ASSERT_TRUE(robot.board.wait_for_frames(records.size()));
    const auto frames = robot.board.frames();
    ASSERT_EQ(records.size(), frames.size()) << "one record per frame, set-up frames included";
    const Record &last = records.back();
    EXPECT_EQ(Bytes(last.frame, last.frame + last.frame_length), c.frame);
    EXPECT_EQ(frames.back(), c.frame);
    EXPECT_EQ(Bytes(last.reply, last.reply + last.reply_length), c.reply);
    const auto line = nlohmann::json::parse(tevrak::tap::record_line(last));
    EXPECT_EQ(line["unit"], c.unit);
    EXPECT_EQ(line["op"], c.op);
    EXPECT_EQ(line["call"], c.named);
    EXPECT_EQ(line["result"], "ok");
    EXPECT_EQ(line["args"], nlohmann::json::parse(c.args));
    if (*c.values != '\0') {
        EXPECT_EQ(line["reply_values"], nlohmann::json::parse(c.values));
    }
    const auto now = std::chrono::system_clock::now().time_since_epoch();
    EXPECT_NEAR(line["time"].get<double>(), std::chrono::duration<double>(now).count(), 5.0);
}

int psd_raw() { return PSDGetRaw(1); }
int psd() { return PSDGet(1) == 300 ? 0 : 1; }
int encoder() { return ENCODERRead(1); }

INSTANTIATE_TEST_SUITE_P(
    OneCallPerUnit, TapRecords,
    testing::Values(
        UnitCall{"drive",
                 "VWSetSpeed",
                 [] { return VWSetSpeed(200, -10); },
                 {0xF8, 0x00, 0xC8, 0xFF, 0xEF},
                 {},
                 R"({"linear":200,"angular":-17})",
                 "",
                 "VWSetSpeed"},
        UnitCall{"drive",
                 "VWGetPosition",
                 [] {
                     int x, y, h;
                     return VWGetPosition(&x, &y, &h);
                 },
                 {0xF1},
                 {0x00, 0x0A, 0xFF, 0xF6, 0x00, 0x9D},
                 "{}",
                 R"({"x":10,"y":-10,"heading":157})",
                 "VWGetPosition"},
        UnitCall{"drive",
                 "VWCurve",
                 [] { return VWDrive(0, 100, 50); },
                 {0xC3, 0x00, 0x9D, 0x01, 0x3A, 0x00, 0x32},
                 {},
                 R"({"length":157,"angle":314,"speed":50})",
                 "",
                 "VWDrive"},
        UnitCall{"servo",
                 "SERVOSetRaw",
                 [] { return SERVOSetRaw(1, 128); },
                 {0xF3, 0x01, 0x80},
                 {},
                 R"({"servo":1,"position":128})",
                 "",
                 "SERVOSetRaw"},
        UnitCall{"servo",
                 "SERVOSetRaw",
                 [] { return SERVOSet(1, 90); },
                 {0xF3, 0x01, 0x01},
                 {},
                 R"({"servo":1,"position":1})",
                 "",
                 "SERVOSet"},
        UnitCall{"motor",
                 "MOTORDriveRaw",
                 [] { return MOTORDriveRaw(1, -50); },
                 {0xED, 0x01, 0xCE},
                 {},
                 R"({"motor":1,"power":-50})",
                 "",
                 "MOTORDriveRaw"},
        UnitCall{"encoder",
                 "ENCODERRead",
                 encoder,
                 {0xE5, 0x01},
                 {0x00, 0x00, 0x01, 0x02},
                 R"({"encoder":1})",
                 R"({"count":258})",
                 "ENCODERRead"},
        UnitCall{"encoder",
                 "ENCODERRead",
                 [] { return ENCODERReset(1); },
                 {0xE5, 0x01},
                 {0x00, 0x00, 0x01, 0x02},
                 R"({"encoder":1})",
                 R"({"count":258})",
                 "ENCODERReset"},
        UnitCall{
            "psd", "PSDGetRaw", psd_raw, {0xF0, 0x01}, {0x01, 0x2C}, R"({"psd":1})", R"({"raw":300})", "PSDGetRaw"},
        UnitCall{"psd", "PSDGetRaw", psd, {0xF0, 0x01}, {0x01, 0x2C}, R"({"psd":1})", R"({"raw":300})", "PSDGet"}),
    [](const auto &info) { return std::string(info.param.named); });

TEST(Tap, WithoutAListenerSendsNothingAndHoldsNoSocket) {
    SimRobot robot(kHdt);
    const int sockets = socket_descriptors();
    ASSERT_EQ(VWSetSpeed(100, 0), 0);
    EXPECT_EQ(socket_descriptors(), sockets) << "no listener: no socket kept";
    // A listener that comes later is not looked for on every call.
    Listener late(tevrak::paths::tap_socket());
    ASSERT_EQ(VWSetSpeed(0, 0), 0);
    EXPECT_TRUE(drain(late).empty());
}

TEST(Tap, AListenerThatStopsReadingSlowsNothingAndLearnsWhatItLost) {
    SimRobot robot(kHdt);
    constexpr int kCalls = 40;
    auto time_calls = [] {
        const auto start = std::chrono::steady_clock::now();
        for (int i = 0; i < kCalls; ++i) EXPECT_EQ(VWSetSpeed(i, 0), 0);
        return std::chrono::steady_clock::now() - start;
    };
    const auto alone = time_calls();
    // The folder moves to itself: the tap looks for a listener again.
    tevrak::paths::set_home(robot.home.root());
    Listener stalled(tevrak::paths::tap_socket());
    const auto beside = time_calls();
    EXPECT_LT(beside, alone * 2 + std::chrono::milliseconds(500));
    const auto kept = drain(stalled).size();
    EXPECT_GT(kept, 0u);
    EXPECT_LT(kept, static_cast<std::size_t>(kCalls)) << "the socket's queue is shorter than the calls";
    ASSERT_EQ(VWSetSpeed(0, 0), 0);
    ASSERT_EQ(drain(stalled).size(), 1u);
    EXPECT_EQ(stalled.dropped(), kCalls - kept) << "the next record delivered brings the count";
}

TEST(TapListener, MakesItsSocketForThisUserOnly) {
    SimRobot robot;
    Listener listener(tevrak::paths::tap_socket());
    struct stat status {};
    ASSERT_EQ(::lstat(tevrak::paths::tap_socket(), &status), 0);
    EXPECT_TRUE(S_ISSOCK(status.st_mode));
    EXPECT_EQ(status.st_mode & 0777, 0600u);
    EXPECT_EQ(status.st_uid, ::geteuid());
}

TEST(TapListener, ReplacesNoLinkOrFile) {
    SimRobot robot;
    const std::string path = tevrak::paths::tap_socket();
    const std::string victim = robot.home.root() + "/victim";
    robot.home.write_file("victim", "keep me");
    for (const bool link : {true, false}) {
        SCOPED_TRACE(link ? "a link" : "a plain file");
        ::unlink(path.c_str());
        if (link)
            ASSERT_EQ(::symlink(victim.c_str(), path.c_str()), 0);
        else
            robot.home.write_file("tap.sock", "data");
        EXPECT_THROW(Listener{path}, std::runtime_error);
        EXPECT_EQ(tevrak::test::read_file(victim), "keep me");
        struct stat status {};
        ASSERT_EQ(::lstat(path.c_str(), &status), 0);
        EXPECT_EQ(link, S_ISLNK(status.st_mode)) << "left as it was";
    }
}

TEST(TapListener, TakesNoForgedRecord) {
    SimRobot robot(kHdt);
    Listener listener(tevrak::paths::tap_socket());
    const int client = ::socket(AF_UNIX, SOCK_DGRAM, 0);
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    std::strcpy(address.sun_path, tevrak::paths::tap_socket());
    ASSERT_EQ(::connect(client, reinterpret_cast<sockaddr *>(&address), sizeof address), 0);
    Record good;
    good.frame_length = 2;
    good.frame[0] = 0xF0;
    good.frame[1] = 0x01;
    good.reply_length = 2;
    std::vector<Record> forged(5, good);
    forged[0].magic = 0;
    forged[1].frame_length = 200;
    forged[2].frame[0] = 0x00;   // no opcode
    forged[3].reply_length = 6;  // longer than PSDGetRaw's reply
    forged[4].outcome = 99;
    for (const Record &record : forged) ASSERT_EQ(::send(client, &record, sizeof record, 0), sizeof record);
    const char oversized[sizeof(Record) + 40] = {};
    ASSERT_GT(::send(client, oversized, sizeof oversized, 0), 0);
    ASSERT_GT(::send(client, &good, sizeof good, 0), 0);
    ::close(client);
    const auto records = drain(listener);
    ASSERT_EQ(records.size(), 1u);
    EXPECT_EQ(records[0].frame[0], 0xF0);
    EXPECT_EQ(listener.rejected(), 6u);
}

}  // namespace
