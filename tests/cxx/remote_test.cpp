// Remote against a private lircd: keys, early repeats, bounded waits that
// sleep, several waiting threads, and no daemon.
#include <gtest/gtest.h>

#include <poll.h>
#include <time.h>

#include <algorithm>
#include <chrono>
#include <string>
#include <thread>

#include "cxx/cxx_test_support.h"
#include "cxx/home.h"
#include "remote/rcin_fixture.h"
#include "tevrak/tevrak.hpp"

namespace {

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;
using tevrak::test::RcinDaemonTest;
using tevrak::test::RcinNoDaemonTest;
using tevrak::test::thrown_by;

// How late a bounded wait may end: the scheduler of a loaded machine (a
// wait that overran by 60 ms was seen there), the emulator or a sanitizer
// slowing every step down. A wait that sleeps past its deadline in steps
// of a second, or until the next key, takes longer.
#ifdef TEVRAK_TEST_EMULATED
constexpr auto kLateness = 900ms;
#else
constexpr auto kLateness = 600ms;
#endif

std::chrono::nanoseconds thread_cpu() {
    timespec now{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
    return std::chrono::seconds(now.tv_sec) + std::chrono::nanoseconds(now.tv_nsec);
}

TEST_F(RcinDaemonTest, CxxKeyNamesAndDescriptor) {
    tevrak::Remote remote;
    pollfd daemon{remote.native_handle(), POLLIN, 0};
    EXPECT_EQ(::poll(&daemon, 1, 50), 0);
    press("KEY_RIGHT");
    EXPECT_EQ(::poll(&daemon, 1, 5000), 1);
    const char key = remote.get();
    EXPECT_EQ(key, static_cast<char>(tevrak::Key::RIGHT));
    EXPECT_EQ(tevrak::key_name(key), "RIGHT");
    EXPECT_EQ(tevrak::key_name(tevrak::Key::DIGIT_7), "DIGIT_7");
    EXPECT_EQ(tevrak::key_name('x'), "");
}

TEST_F(RcinDaemonTest, CxxKeysWithHoldDelayAndWithout) {
    tevrak::Remote remote;
    for (int repeat = 0; repeat <= 5; ++repeat) press("KEY_2", repeat);
    press("KEY_UP");
    EXPECT_EQ(remote.get(), '2');
    EXPECT_EQ(remote.get(), '2') << "repeats 1 to 4 are skipped";
    EXPECT_EQ(remote.get_for(2s), std::optional<char>('U'));

    remote.set_hold_delay(1);
    press("KEY_3", 2);
    EXPECT_EQ(remote.get_for(2s), std::optional<char>('3'));
    EXPECT_EQ(remote.poll(), std::nullopt);
    press("KEY_RED", 3);
    ASSERT_TRUE(tevrak::test::connection_has_data(2s));
    EXPECT_EQ(remote.poll(), std::optional<char>('R'));

    remote.use_configuration(4);
    EXPECT_EQ(remote.configuration(), 4);
    EXPECT_EQ(tevrak::test::recorded_commands().back(), "sudo /etc/init.d/lirc restart");
}

TEST_F(RcinDaemonTest, CxxGetForSleepsUntilItsTimeout) {
    tevrak::Remote remote;
    for (const auto timeout : {0ms, 100ms, 1000ms}) {
        const auto cpu = thread_cpu();
        const auto start = Clock::now();
        EXPECT_EQ(remote.get_for(timeout), std::nullopt);
        const auto took = Clock::now() - start;
        const auto used = thread_cpu() - cpu;
        EXPECT_GE(took, timeout);
        EXPECT_LT(took, timeout + kLateness) << timeout.count() << " ms";
        if (timeout >= 1000ms) {
            EXPECT_LT(used, took / 100) << "more than 1 % of a core while waiting";
        }
    }
    // A key that comes during the wait ends it.
    std::thread presser([&] {
        std::this_thread::sleep_for(200ms);
        press("KEY_OK");
    });
    const auto start = Clock::now();
    EXPECT_EQ(remote.get_for(5s), std::optional<char>('O'));
    EXPECT_LT(Clock::now() - start, 2s);
    presser.join();
}

TEST_F(RcinDaemonTest, CxxTwoThreadsWaitingGetOneKeyEach) {
    tevrak::Remote remote;
    std::optional<char> first, second;
    std::thread a([&] { first = remote.get_for(5s); });
    std::thread b([&] { second = remote.get_for(5s); });
    std::this_thread::sleep_for(100ms);
    press("KEY_1");
    press("KEY_2");
    a.join();
    b.join();
    ASSERT_TRUE(first && second);
    EXPECT_EQ(std::minmax(*first, *second), std::minmax('1', '2'));
}

// Moving the robot folder leaves the remote working: its connection is made
// again.
TEST_F(RcinDaemonTest, CxxRemoteWorksAfterTheFolderMoves) {
    tevrak::Remote remote;
    press("KEY_1");
    EXPECT_EQ(remote.get_for(2s), std::optional<char>('1'));
    tevrak::test::TempHome elsewhere;
    tevrak::cxx::move_home(elsewhere.root());
    // The move let go of the daemon; the next call connects again, and the
    // daemon sends keys only to the clients it has at the time.
    EXPECT_EQ(remote.poll(), std::nullopt);
    press("KEY_2");
    EXPECT_EQ(remote.get_for(2s), std::optional<char>('2'));
}

TEST_F(RcinDaemonTest, CxxDaemonThatGoesAwayEndsTheWaits) {
    tevrak::Remote remote;
    std::thread stopper([this] {
        std::this_thread::sleep_for(200ms);
        daemon.stop();
    });
    const auto start = Clock::now();
    EXPECT_EQ(thrown_by([&] { remote.get_for(10s); }), "LinkError RCIN -1");
    EXPECT_LT(Clock::now() - start, 5s);
    stopper.join();
    EXPECT_EQ(thrown_by([&] { remote.get(); }), "LinkError RCIN -1");
    EXPECT_EQ(thrown_by([&] { remote.poll(); }), "LinkError RCIN -1");
}

TEST_F(RcinNoDaemonTest, CxxRemoteWithoutDaemon) {
    EXPECT_EQ(thrown_by([] { tevrak::Remote(); }), "StartupError RCIN 3");
    EXPECT_EQ(thrown_by([] { tevrak::Remote().get_for(10ms); }), "StartupError RCIN 3");
}

}  // namespace
