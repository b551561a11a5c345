// Several threads on the one link, and the drive's bounded wait.
#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdint>
#include <future>
#include <map>
#include <mutex>
#include <random>
#include <thread>
#include <vector>

#include "cxx/cxx_test_support.h"
#include "cxx/link_wait.h"
#include "tevrak/tevrak.hpp"

namespace {

using namespace tevrak::test;
using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;
namespace op = tevrak::protocol::op;

std::uint8_t high(int value) { return static_cast<std::uint8_t>((value >> 8) & 0xFF); }
std::uint8_t low(int value) { return static_cast<std::uint8_t>(value & 0xFF); }
int signed_word(std::uint8_t h, std::uint8_t l) { return static_cast<std::int16_t>((h << 8) | l); }

// The board's random answers, recorded per question.
class RandomBoard {
public:
    explicit RandomBoard(tevrak::sim::Board &board) {
        board.set_responder([this](std::span<const std::uint8_t> frame) -> std::optional<Bytes> {
            const std::lock_guard lock(mutex_);
            Bytes data;
            for (std::size_t i = 0; i < (frame[0] == op::VWGetPosition ? 6u : 2u); ++i) {
                data.push_back(static_cast<std::uint8_t>(random_()));
            }
            if (frame[0] == op::VWGetPosition) {
                data[4] = 0x01, data[5] = 0x3A;  // a heading of 314 hundredths of a radian: 180 degrees
                positions.push_back({signed_word(data[0], data[1]), signed_word(data[2], data[3]), 180});
            } else if (frame[0] == op::PSDGetRaw) {
                readings[frame[1]].push_back((data[0] << 8) | data[1]);
            } else {
                return std::nullopt;
            }
            return data;
        });
    }

    std::vector<tevrak::Pose> positions;
    std::map<int, std::vector<int>> readings;  // per sensor number

private:
    std::mutex mutex_;
    std::mt19937 random_{7};
};

TEST(CxxThreads, FourThreadsShareTheLinkWithoutMixingTheirCommands) {
    SimRobot robot(kCxxRobot);
    tevrak::Drive drive;
    ASSERT_TRUE(robot.board.wait_for_frames(2));  // set-up and gains
    robot.board.clear();
    RandomBoard answers(robot.board);
    std::atomic<bool> stop{false};

    std::vector<Bytes> sent;  // the drive thread's frames, literal encoding
    std::thread commands([&] {
        std::mt19937 random(1);
        for (int i = 0; !stop; ++i) {
            const int a = static_cast<int>(random() % 2000), b = static_cast<int>(random() % 400);
            if (i % 3 == 0) {
                drive.straight(a, b);
                sent.push_back({0xF9, high(b), low(b), high(a), low(a)});
            } else if (i % 3 == 1) {
                drive.set_speed(a, 0);
                sent.push_back({0xF8, high(a), low(a), 0x00, 0x00});
            } else {
                drive.control(a, b, 3, 4);
                sent.push_back({0xC1, low(a), low(b), 0x03, 0x04});
            }
        }
    });
    std::vector<tevrak::Pose> positions;
    std::thread poses([&] {
        while (!stop) positions.push_back(drive.position());
    });
    std::map<int, std::vector<int>> readings;
    auto read_sensor = [&](int number) {
        tevrak::DistanceSensor sensor(number);
        std::vector<int> values;
        while (!stop) values.push_back(sensor.raw());
        return values;
    };
    std::vector<int> first, second;
    std::thread sensor1([&] { first = read_sensor(1); });
    std::thread sensor2([&] { second = read_sensor(2); });

    std::this_thread::sleep_for(3s);
    stop = true;
    for (auto *t : {&commands, &poses, &sensor1, &sensor2}) t->join();
    // The last command's bytes may still be on their way to the board.
    ASSERT_TRUE(robot.board.wait_for_frames(sent.size() + positions.size() + first.size() + second.size()));
    robot.board.set_responder(nullptr);

    // Every byte the board saw belongs to a probe or a whole frame, and
    // every frame is one that some thread sent.
    std::vector<Bytes> drive_frames;
    std::size_t position_frames = 0;
    std::map<int, std::size_t> sensor_frames;
    for (const auto &event : robot.board.events()) {
        ASSERT_NE(event.kind, tevrak::sim::Event::Kind::stray) << "a byte outside any frame";
        if (event.kind != tevrak::sim::Event::Kind::frame) continue;
        const Bytes &frame = event.bytes;
        if (frame == Bytes{op::VWGetPosition}) {
            ++position_frames;
        } else if (frame.size() == 2 && frame[0] == op::PSDGetRaw && (frame[1] == 1 || frame[1] == 2)) {
            ++sensor_frames[frame[1]];
        } else {
            drive_frames.push_back(frame);
        }
    }
    EXPECT_EQ(drive_frames, sent);
    EXPECT_EQ(position_frames, positions.size());
    EXPECT_EQ(sensor_frames[1], first.size());
    EXPECT_EQ(sensor_frames[2], second.size());
    // Each answer reached the thread that asked, in order.
    EXPECT_EQ(positions, answers.positions);
    EXPECT_EQ(first, answers.readings[1]);
    EXPECT_EQ(second, answers.readings[2]);
    // None was starved: each got at least half its share of the link.
    const std::size_t total = sent.size() + positions.size() + first.size() + second.size();
    for (std::size_t count : {sent.size(), positions.size(), first.size(), second.size()}) {
        EXPECT_GE(count, total / 8) << "of " << total;
    }
}

// The status queries a wait sends, each with the time it reached the board,
// answered 1 once finished is set.
struct StatusLog {
    explicit StatusLog(tevrak::sim::Board &board) {
        board.set_responder([this](std::span<const std::uint8_t> frame) -> std::optional<Bytes> {
            if (frame[0] != op::VWDriveStatus) return std::nullopt;
            const std::lock_guard lock(mutex);
            times.push_back(Clock::now());
            if (finished) ++answered_done;
            return Bytes{static_cast<std::uint8_t>(finished ? 1 : 0)};
        });
    }
    std::size_t sent_after(Clock::time_point moment) {
        const std::lock_guard lock(mutex);
        return static_cast<std::size_t>(std::count_if(times.begin(), times.end(), [&](auto t) { return t > moment; }));
    }
    std::size_t sent() { return sent_after(Clock::time_point::min()); }
    int done_answers() {
        const std::lock_guard lock(mutex);
        return answered_done;
    }
    std::mutex mutex;
    std::vector<Clock::time_point> times;
    bool finished = false;
    int answered_done = 0;
};

// The drive's wait ends by its own deadline, whether the manoeuvre ends or
// not. Counted in queries, which a loaded machine can only make fewer: one
// every 10 ms at most, and at most the one in flight and one more after the
// deadline (a wait that overran by 30 ms would send three).
TEST(CxxThreads, WaitForEndsWithinItsTimeout) {
    SimRobot robot(kCxxRobot);
    tevrak::Drive drive;
    StatusLog log(robot.board);
    for (const auto timeout : {0ms, 50ms, 300ms}) {
        const std::size_t before = log.sent();
        const auto start = Clock::now();
        EXPECT_FALSE(drive.wait_for(timeout));
        const auto took = Clock::now() - start;
        EXPECT_GE(took, timeout);
        EXPECT_LE(log.sent() - before, static_cast<std::size_t>(timeout / 10ms + 2)) << timeout.count() << " ms";
        EXPECT_LE(log.sent_after(start + timeout), 2u) << timeout.count() << " ms";
        EXPECT_LT(took, timeout + 2s) << "a wait that never ends";
    }

    // Once the manoeuvre has ended, the first status query that says so
    // ends the wait.
    std::thread finisher([&] {
        std::this_thread::sleep_for(200ms);
        const std::lock_guard lock(log.mutex);
        log.finished = true;
    });
    EXPECT_TRUE(drive.wait_for(5s));
    finisher.join();
    EXPECT_EQ(log.done_answers(), 1);
    drive.wait();  // finished: returns after one query
    EXPECT_EQ(log.done_answers(), 2);
}

// A link held by another thread past the deadline ends the wait too, before
// the link comes free and without a query of its own.
TEST(CxxThreads, WaitForGivesUpOnALinkHeldTooLong) {
    SimRobot robot(kCxxRobot);
    tevrak::Drive drive;
    ASSERT_TRUE(robot.board.wait_for_frames(2));  // set-up and gains
    StatusLog log(robot.board);
    std::promise<void> held;
    robot.board.set_observer([&](std::span<const std::uint8_t> frame) {
        if (frame[0] == op::VWGetPosition) held.set_value();
    });
    robot.board.set_reply_delay(1500ms);  // the position query holds the link that long
    std::thread slow([&] { drive.position(); });
    held.get_future().wait();  // the slow query is on the wire: its thread holds the link
    const auto start = Clock::now();
    EXPECT_FALSE(drive.wait_for(100ms));
    EXPECT_LT(Clock::now() - start, 1500ms) << "waited for the link to come free";
    EXPECT_EQ(log.sent(), 0u);
    slow.join();
}

// The interrupt check cancels the command of the thread it answers for; the
// next holder of the link starts uncancelled. A StopGuard stops what other
// threads set moving.
TEST(CxxThreads, CancelEndsWithItsHolderAndStopGuardSeesOtherThreads) {
    SimRobot robot(kCxxRobot);
    set_replies(robot.board);
    tevrak::Drive drive;
    static thread_local bool interrupted = false;
    tevrak::cxx::set_interrupt_check([] { return interrupted; });
    robot.board.set_silent(true);
    std::string cancelled;
    std::thread first([&] {
        interrupted = true;
        cancelled = thrown_by([&] { drive.position(); });
    });
    first.join();
    EXPECT_EQ(cancelled, "LinkError VW 1");
    robot.board.set_silent(false);
    std::thread next([&] { EXPECT_EQ(thrown_by([&] { drive.position(); }), "nothing"); });
    next.join();
    tevrak::cxx::set_interrupt_check(nullptr);

    {
        const tevrak::StopGuard guard;
        std::thread mover([&] {
            tevrak::Motor(1).drive_raw(40);
            drive.set_speed(100, 0);
            drive.status();  // a query: the board has read the commands before it
        });
        mover.join();
        robot.board.clear();
    }
    robot.board.wait_for_frames(2);
    EXPECT_EQ(robot.board.wire(), (Bytes{0x0D, 0xF8, 0x00, 0x00, 0x00, 0x00, 0x0D, 0xED, 0x01, 0x00}));
}

}  // namespace
