// A long run of every unit's operations in random order against a board that
// injects random faults in about 5 % of exchanges. Every call must return a
// documented result, descriptors and heap must stay flat, and once the faults
// stop every unit must work again within one call.
// SOAK_OPERATIONS sets the length (the default suite runs a short soak, the
// slow label the full one).
#include <gtest/gtest.h>
#include <malloc.h>

#include <chrono>
#include <functional>
#include <random>
#include <set>
#include <string>
#include <thread>

#include "support/board_fixture.h"
#include "tevrak/drive.h"
#include "tevrak/motor.h"
#include "tevrak/psd.h"
#include "tevrak/servo.h"

#ifndef SOAK_OPERATIONS
#define SOAK_OPERATIONS 300
#endif
#ifndef SOAK_SUITE
#define SOAK_SUITE Soak
#endif

namespace {

using tevrak::test::OutputCapture;
using tevrak::test::SimRobot;

const std::string kRobot =
    "ENCODER 1 540\nDRIVE 54 90 0 1\nKINEMA 1 2 3 4\n"
    "SERVO s 20 230 st\nTABLE st 0 17 34 51 68 85 102 119 136 153 170 187 204 221 238 255\n"
    "MOTOR m mt\nTABLE mt 0 10 20 30 40 50 60 70 80 90 100\n"
    "PSD p pt\nTABLE pt 800 700 600 500 400 300 250 200 150 120 100 80 60 50 40 30\n";

bool in(int value, int low, int high) { return value >= low && value <= high; }

struct Operation {
    const char *name;
    std::function<bool()> run_and_check;  // true when the result is a documented one
    std::function<bool()> works;          // true when the call succeeded
};

std::vector<Operation> operations(const tevrak::sim::Board &board) {
    return {
        {"VWSetSpeed", [] { return in(VWSetSpeed(100, 10), 0, 1); }, [] { return VWSetSpeed(0, 0) == 0; }},
        {"VWStraight", [] { return in(VWStraight(500, 100), 0, 1); }, [] { return VWStraight(1, 1) == 0; }},
        {"VWCurve", [] { return in(VWCurve(500, 90, 100), 0, 1); }, [] { return VWCurve(1, 1, 1) == 0; }},
        {"VWGetPosition",
         [] {
             int x = 77, y = 77, h = 77;
             const int r = VWGetPosition(&x, &y, &h);
             return r == 0 || (r == 1 && x == 77 && y == 77 && h == 77);
         },
         [] {
             int x = 77, y = 77, h = 77;
             return VWGetPosition(&x, &y, &h) == 0 && x == 10 && y == -10 && h == 90;
         }},
        {"VWDriveRemain", [] { return in(VWDriveRemain(), -1, 65535); }, [] { return VWDriveRemain() == 65534; }},
        {"VWDriveDone", [] { return in(VWDriveDone(), -1, 255); }, [] { return VWDriveDone() == 2; }},
        {"VWStalled", [] { return in(VWStalled(), -1, 1); }, [] { return VWStalled() == 0; }},
        {"SERVOSet", [] { return in(SERVOSet(1, 128), 0, 1); }, [] { return SERVOSet(1, 128) == 0; }},
        {"MOTORDrive", [] { return in(MOTORDrive(1, -55), 0, 1); }, [] { return MOTORDrive(1, 50) == 0; }},
        {"MOTORPID", [] { return in(MOTORPID(1, 3, 2, 1), 0, 1); }, [] { return MOTORPID(1, 3, 2, 1) == 0; }},
        // Encoder 1 keeps its zero at 0, so a reading is the board's count
        // unless this very exchange was disturbed (garbage data may read as
        // any value).
        {"ENCODERRead",
         [&board] {
             const std::size_t faults = board.faults_injected();
             const int r = ENCODERRead(1);
             return r == 0x01020304 || board.faults_injected() > faults;
         },
         [] { return ENCODERRead(3) == 0x01020304; }},
        {"ENCODERReset", [] { return in(ENCODERReset(2), -1, 1); }, [] { return ENCODERReset(2) == 0; }},
        {"PSDGetRaw", [] { return in(PSDGetRaw(1), -1, 65535); }, [] { return PSDGetRaw(1) == 0x0800; }},
        {"PSDGet",
         [] {
             static const std::set<int> results{-1,  800, 700, 600, 500, 400, 300, 250, 200,
                                                150, 120, 100, 80,  60,  50,  40,  30};
             return results.count(PSDGet(1)) == 1;
         },
         [] { return PSDGet(1) == 200; }},
    };
}

void script_replies(tevrak::sim::Board &board) {
    board.set_reply(0xF1, {0x00, 0x0A, 0xFF, 0xF6, 0x00, 0x9D});
    board.set_reply(0xD8, {0x00, 0x64, 0x00, 0x4E});
    board.set_reply(0xFA, {0xFF, 0xFE});
    board.set_reply(0xDA, {0x02});
    board.set_reply(0xE5, {0x01, 0x02, 0x03, 0x04});
    board.set_reply(0xF0, {0x08, 0x00});
}

std::size_t heap_in_use() { return mallinfo2().uordblks; }

TEST(SOAK_SUITE, RandomOperationsAgainstAFaultyBoard) {
    SimRobot robot(kRobot);
    script_replies(robot.board);
    const auto ops = operations(robot.board);
    std::mt19937 random(20261208);

    OutputCapture capture;                                        // the units' timeout messages
    for (const auto &operation : ops) operation.run_and_check();  // every unit started once
    robot.board.clear();
    robot.board.set_fault_rate(0.05, 7);
    const int descriptors = tevrak::test::open_descriptor_count();
    [[maybe_unused]] const std::size_t heap = heap_in_use();  // read only without AddressSanitizer

    // Problems are collected and reported once the capture has ended (it
    // would swallow the test's own failure messages).
    std::vector<std::string> problems;
    for (int i = 0; i < SOAK_OPERATIONS; ++i) {
        // The board records every byte it sees in this process's heap: drop
        // its records so that only the library's own memory is measured.
        if (i % 100 == 0) robot.board.clear();
        const auto &operation = ops[random() % ops.size()];
        if (!operation.run_and_check()) {
            problems.push_back("operation " + std::to_string(i) + ": " + operation.name +
                               " gave an undocumented result");
        }
    }
    const std::size_t faults = robot.board.faults_injected();
    robot.board.set_fault_rate(0);
    // Let a late reply still in flight arrive before the recovery checks.
    std::this_thread::sleep_for(std::chrono::milliseconds(700));
    for (const auto &operation : ops) {
        if (!operation.works() && !operation.works()) {
            problems.push_back(std::string(operation.name) + " did not recover within one call");
        }
    }
    const int descriptors_after = tevrak::test::open_descriptor_count();
    capture.stop();

    for (const auto &problem : problems) ADD_FAILURE() << problem;
    EXPECT_GT(faults, static_cast<std::size_t>(SOAK_OPERATIONS / 50)) << "the board injected too few faults";
    EXPECT_EQ(descriptors_after, descriptors);
#if !defined(__SANITIZE_ADDRESS__)
    // The allocator's own figures are meaningful without AddressSanitizer
    // (which has LeakSanitizer check the same thing at exit).
    EXPECT_LT(heap_in_use(), heap + 64 * 1024) << "heap grew from " << heap << " to " << heap_in_use();
#endif
    std::printf("soak: %d operations, %zu faults injected\n", SOAK_OPERATIONS, faults);
}

}  // namespace
