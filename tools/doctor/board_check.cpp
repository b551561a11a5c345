// The board: the link check with its figures, the drive's set-up frames,
// one query per distance sensor and encoder. Nothing that moves is sent.
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <string>
#include <vector>

#include "checks.h"
#include "protocol/command.h"
#include "serial/link_check.h"
#include "serial/link_control.h"
#include "tevrak/serial.h"
#include "tevrak/tevrak.hpp"

namespace tevrak::doctor {
namespace {

using namespace std::chrono_literals;
using Duration = std::chrono::steady_clock::duration;

// A silent board costs this per check, not the 50 s of the unbounded one.
constexpr auto kLinkBound = 2s;
constexpr int kRoundTrips = 5;

std::string ms(Duration time) {
    char text[32];
    std::snprintf(text, sizeof text, "%.2f ms", std::chrono::duration<double, std::milli>(time).count());
    return text;
}

std::string board(const Context &context) { return "board on " + context.port; }

// Runs call; on a tevrak::Error a FAIL line for what and false.
template <typename Call>
bool answered(Report &report, const std::string &what, Call call) {
    try {
        report.ok(what, call());
        return true;
    } catch (const Error &error) {
        report.fail(what, error.what(), "check the board's cable and firmware; run tevrak-doctor again");
        return false;
    }
}

}  // namespace

void check_board(Report &report, Context &context) {
    if (!context.port_ok) return;
    set_link_timeout(std::chrono::milliseconds(kLinkBound));
    serial::link_wait().check_limit = kLinkBound;
    if (SERInit(protocol::kLinkInterface, protocol::kLinkBaud, 0) != 0) {
        report.fail(board(context), "the port cannot be opened",
                    "run tevrak-doctor again once the board is plugged in");
        return;
    }
    std::vector<Duration> trips;
    int first_probes = 0;
    for (int i = 0; i < kRoundTrips; ++i) {
        const serial::LinkCheck check = serial::check_link(protocol::kLinkInterface);
        if (i == 0) first_probes = check.probes;
        if (!check.answered) {
            report.fail(board(context),
                        "no answer to the link check within 2 s (" + std::to_string(check.probes) + " probes sent)",
                        "check that the board is powered and its cable plugged in; unplug it and plug it in again");
            return;
        }
        trips.push_back(check.round_trip);
    }
    std::sort(trips.begin(), trips.end());
    report.ok(board(context), "answers the link check after " + std::to_string(first_probes) + " probe" +
                                  (first_probes == 1 ? "" : "s") + "; round trip min " + ms(trips.front()) +
                                  ", median " + ms(trips[trips.size() / 2]) + ", max " + ms(trips.back()));
    context.board_ok = true;

    if (context.has_drive) {
        context.drive_started = answered(report, "drive set-up", [] {
            Drive drive;
            return std::string("the set-up frames from hdt.txt went through");
        });
        for (int number : context.encoders) {
            answered(report, "encoder " + std::to_string(number),
                     [number] { return "reads " + std::to_string(Encoder(number).read()); });
        }
    }
    for (int number = 1; number <= context.sensors; ++number) {
        answered(report, "distance sensor " + std::to_string(number),
                 [number] { return "raw reading " + std::to_string(DistanceSensor(number).raw()); });
    }
    // Their commands move them; the board has no query for them.
    report.ok("servos and motors", context.actuators + " (not moved, no query: listed as described)");
}

}  // namespace tevrak::doctor
