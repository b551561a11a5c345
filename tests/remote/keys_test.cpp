// Key codes from the real lirc daemon and from the simulator's remote socket:
// RCINGet with its hold delay and its wait, RCINRead without waiting.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/resource.h>

#include <chrono>
#include <cstring>
#include <deque>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "remote/rcin_fixture.h"
#include "remote/testing.h"
#include "tevrak/rcin.h"

namespace {

using namespace std::chrono_literals;
using namespace tevrak::test;
namespace rcin = tevrak::rcin;

// Lines a test hands the unit before the client library's own.
std::deque<std::string> scripted_lines;

int scripted_or_library_line(char **code) {
    if (scripted_lines.empty()) return lirc_nextcode(code);
    *code = strdup(scripted_lines.front().c_str());  // the unit releases it with free
    scripted_lines.pop_front();
    return 0;
}

std::chrono::microseconds thread_cpu_time() {
    rusage usage{};
    getrusage(RUSAGE_THREAD, &usage);
    return std::chrono::seconds(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
           std::chrono::microseconds(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec);
}

TEST_P(RcinKeysTest, KeyPressesGiveTheirKeyCodes) {
    ASSERT_EQ(RCINInit(), 0);
    const std::vector<std::pair<const char *, int>> keys{{"KEY_1", '1'},  {"KEY_2", '2'},   {"KEY_3", '3'},
                                                         {"KEY_UP", 'U'}, {"KEY_RED", 'R'}, {"KEY_RIGHT", '>'},
                                                         {"KEY_R", '>'},  {"KEY_OK", 'O'}};
    for (const auto &[button, key] : keys) {
        press(button);
        EXPECT_EQ(RCINGet(), key) << button;
    }
    EXPECT_TRUE(tevrak::test::recorded_commands().empty());
}

TEST_P(RcinKeysTest, HeldKeyRepeatsBelowTheHoldDelayGiveZero) {
    ASSERT_EQ(RCINGetStatus(), 1);  // connects lazily
    hold("KEY_2", 7);
    std::vector<int> keys{RCINGet()};
    const auto first = std::chrono::steady_clock::now();
    for (int i = 1; i <= 7; ++i) keys.push_back(RCINGet());
    const auto held = std::chrono::steady_clock::now() - first;
    EXPECT_EQ(keys, (std::vector<int>{'2', 0, 0, 0, 0, '2', '2', '2'}));
    // The simulator's remote repeats a held key as a real one: every 110 ms.
    if (simulator) {
        EXPECT_GE(held, 7 * 100ms);
    }

    RCINSetHoldDelay(1);
    hold("KEY_UP", 3);
    keys.clear();
    for (int i = 0; i <= 3; ++i) keys.push_back(RCINGet());
    EXPECT_EQ(keys, (std::vector<int>{'U', 'U', 'U', 'U'}));
}

TEST_P(RcinKeysTest, ButtonNameShorterThanTheKeyOffsetGivesALetterOfTheRemotesName) {
    ASSERT_EQ(RCINInit(), 0);
    // "<code> 00 A tevrak_test": the key's offset falls on the remote's name.
    press("A");
    EXPECT_EQ(RCINGet(), 'v');
}

TEST_P(RcinKeysTest, RepeatCountIsReadAsHexadecimal) {
    RCINSetHoldDelay(11);
    press("KEY_3", 0x0a);  // ten: still held back
    press("KEY_3", 0x10);  // sixteen: through
    EXPECT_EQ(RCINGet(), 0);
    EXPECT_EQ(RCINGet(), '3');
}

TEST_P(RcinKeysTest, ReadReturnsAtOnceAndAppliesNoHoldDelay) {
    ASSERT_EQ(RCINInit(), 0);
    ASSERT_NE(::fcntl(tevrak::rcin::state.fd, F_GETFL) & O_NONBLOCK, 0) << "a read never waits";
    EXPECT_EQ(RCINRead(), 0);

    press("KEY_RED", 2);
    ASSERT_TRUE(connection_has_data(2s));
    EXPECT_EQ(RCINRead(), 'R');
    EXPECT_EQ(RCINRead(), 0);
}

TEST_F(RcinDaemonTest, DaemonNoticesAreNoKeys) {
    ASSERT_EQ(RCINInit(), 0);
    // A key first: once it came through, the daemon has taken the connection
    // on and will send its notices to it too.
    press("KEY_OK");
    ASSERT_EQ(RCINGet(), 'O');
    // On SIGHUP the daemon sends its clients "BEGIN", "SIGHUP" and "END".
    daemon.reload();
    ASSERT_TRUE(connection_has_data(5s));
    EXPECT_EQ(RCINRead(), 0);

    daemon.reload();
    ASSERT_TRUE(connection_has_data(5s));
    press("KEY_1");
    EXPECT_EQ(RCINGet(), '1');
}

TEST_P(RcinKeysTest, GetSleepsUntilAKeyArrives) {
    ASSERT_EQ(RCINInit(), 0);
    std::thread sender([this] {
        std::this_thread::sleep_for(400ms);
        press("KEY_UP");
    });
    const auto cpu_before = thread_cpu_time();
    const auto start = std::chrono::steady_clock::now();
    const int key = RCINGet();
    const auto waited = std::chrono::steady_clock::now() - start;
    const auto cpu_used = thread_cpu_time() - cpu_before;
    sender.join();
    EXPECT_EQ(key, 'U');
    EXPECT_GE(waited, 350ms);
    // Polling the library in a loop would keep the core busy all along.
    EXPECT_LT(cpu_used, waited / 4);
}

TEST_P(RcinKeysTest, LineBufferedInTheLibraryComesAtOnce) {
    ASSERT_EQ(RCINInit(), 0);
    press("KEY_1");
    press("KEY_2");
    ASSERT_TRUE(connection_has_data(2s));
    EXPECT_EQ(RCINGet(), '1');  // the library reads both lines and keeps the second
    // Should RCINGet wait on the (now empty) connection first, this press ends
    // the wait late instead of hanging the test.
    std::thread rescue([this] {
        std::this_thread::sleep_for(2s);
        press("KEY_3");
    });
    const auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(RCINGet(), '2');
    EXPECT_LT(std::chrono::steady_clock::now() - start, 1s);
    rescue.join();
}

TEST_P(RcinKeysTest, DaemonGoingAwayEndsTheWait) {
    ASSERT_EQ(RCINInit(), 0);
    std::thread stopper([this] {
        std::this_thread::sleep_for(300ms);
        stop();
    });
    const auto cpu_before = thread_cpu_time();
    EXPECT_EQ(RCINGet(), -1);
    const auto cpu_used = thread_cpu_time() - cpu_before;
    stopper.join();
    EXPECT_LT(cpu_used, 100ms);
    // The failure is the library's, not a lost connection state.
    EXPECT_EQ(rcin::state.RCIN_INITIAL, 1);
    EXPECT_EQ(RCINGet(), -1) << "a closed connection gives no more keys";
    EXPECT_EQ(RCINRead(), -1);
}

// Lines handed to the unit as the client library's next events: an event
// whose key character is the line's end (key code 0) is no key, and RCINGet
// waits on past it.
TEST_F(RcinNoDaemonTest, GetWaitsPastAnEventWithKeyZero) {
    scripted_lines = {"0000000000000000 00 KEY_", "0000000000ff30cf 00 KEY_1 tevrak_test\n"};
    rcin::set_event_reader(scripted_or_library_line);
    EXPECT_EQ(RCINGet(), '1');
    EXPECT_TRUE(scripted_lines.empty());
}

INSTANTIATE_TEST_SUITE_P(Sources, RcinKeysTest,
                         testing::Values(tevrak::test::KeySource::daemon, tevrak::test::KeySource::simulator),
                         tevrak::test::key_source_name);

}  // namespace
