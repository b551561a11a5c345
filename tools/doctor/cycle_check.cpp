// tevrak-doctor --link: do calls in a cycle get the same replies as single
// calls on this board, and how fast does a loop of them run either way.
// The loop is the board's queries only (sensors, encoders, the drive's
// speed): it moves nothing.
#include <chrono>
#include <cstdio>
#include <string>
#include <vector>

#include "checks.h"
#include "tevrak/tevrak.hpp"

namespace tevrak::doctor {
namespace {

constexpr int kLoops = 20;

struct Replies {
    std::vector<int> still;  // encoders and the drive's speed: the same while the robot stands
    int calls = 0;
};

Replies one_loop(const Context &context) {
    Replies replies;
    for (int number = 1; number <= context.sensors; ++number) {
        DistanceSensor(number).raw();
        ++replies.calls;
    }
    for (int number : context.encoders) {
        replies.still.push_back(Encoder(number).read());
        ++replies.calls;
    }
    if (context.drive_started) {
        const Speed speed = Drive().speed();
        replies.still.push_back(speed.linear);
        replies.still.push_back(speed.angular);
        ++replies.calls;
    }
    return replies;
}

// Loops per second of kLoops loops, each in a cycle or not; the replies of
// the last loop.
double rate(const Context &context, bool in_cycle, Replies &last) {
    const auto start = std::chrono::steady_clock::now();
    for (int i = 0; i < kLoops; ++i) {
        if (in_cycle) {
            const Cycle cycle;
            last = one_loop(context);
        } else {
            last = one_loop(context);
        }
    }
    return kLoops / std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

}  // namespace

void check_cycles(Report &report, Context &context) {
    if (!context.board_ok) return;
    try {
        Replies single, cycled;
        const double single_rate = rate(context, false, single);
        const double cycle_rate = rate(context, true, cycled);
        const Replies again = one_loop(context);
        char figures[160];
        std::snprintf(figures, sizeof figures, "loop of %d calls: %.1f Hz single, %.1f Hz in a cycle", single.calls,
                      single_rate, cycle_rate);
        if (single.still != cycled.still || cycled.still != again.still) {
            report.fail("cycles", std::string("calls in a cycle got other replies than single calls; ") + figures,
                        "do not use cycles with this board");
            return;
        }
        report.ok("cycles", std::string("calls in a cycle get the same replies as single calls; ") + figures);
    } catch (const Error &error) {
        report.fail("cycles", std::string("a call failed: ") + error.what(), "do not use cycles with this board");
    }
}

}  // namespace tevrak::doctor
