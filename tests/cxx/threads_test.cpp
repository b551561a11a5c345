// Several threads on the one link, and the drive's bounded wait.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cstdint>
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
                positions.push_back({signed_word(data[0], data[1]), signed_word(data[2], data[3]),
                                     signed_word(data[4], data[5]) * 180 / 314});
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

// The drive's wait ends on time, whether the manoeuvre ends or not.
TEST(CxxThreads, WaitForEndsWithinItsTimeout) {
    SimRobot robot(kCxxRobot);
    robot.board.set_reply(op::VWDriveStatus, {0x00});
    tevrak::Drive drive;
#ifdef TEVRAK_TEST_EMULATED
    constexpr auto kMargin = 250ms;  // one slowed-down status query and the scheduler
#else
    constexpr auto kMargin = 60ms;  // one status query and the scheduler
#endif
    for (const auto timeout : {0ms, 50ms, 300ms}) {
        const auto start = Clock::now();
        EXPECT_FALSE(drive.wait_for(timeout));
        const auto took = Clock::now() - start;
        EXPECT_GE(took, timeout);
        EXPECT_LT(took, timeout + kMargin) << timeout.count() << " ms";
    }

    // The manoeuvre ends after about 200 ms: wait_for sees it at once.
    const auto start = Clock::now();
    std::thread finisher([&] {
        std::this_thread::sleep_for(200ms);
        robot.board.set_reply(op::VWDriveStatus, {0x01});
    });
    EXPECT_TRUE(drive.wait_for(5s));
    const auto took = Clock::now() - start;
    finisher.join();
    EXPECT_GE(took, 200ms);
    EXPECT_LT(took, 200ms + kMargin);
    drive.wait();  // finished: returns at once
}

// A link held by another thread past the deadline ends the wait too.
TEST(CxxThreads, WaitForGivesUpOnALinkHeldTooLong) {
    SimRobot robot(kCxxRobot);
    robot.board.set_reply(op::VWDriveStatus, {0x00});
    tevrak::Drive drive;
    robot.board.set_reply_delay(400ms);  // every reply comes late
    std::thread slow([&] { drive.position(); });
    std::this_thread::sleep_for(50ms);  // the slow query holds the link now
    const auto start = Clock::now();
    EXPECT_FALSE(drive.wait_for(100ms));
    EXPECT_LT(Clock::now() - start, 100ms + 60ms);
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
