// usbSearch and port discovery: what the listing holds, which port each USB
// line chose, and why a line matched nothing.
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <string>
#include <string_view>

#include "bounded_run.h"
#include "checks.h"
#include "config/hdt_file.h"
#include "config/paths.h"
#include "serial/discovery.h"

namespace tevrak::doctor {
namespace {

using namespace std::chrono_literals;

constexpr auto kListingBound = 5s;

std::string one_line(std::string_view listing) {
    std::string text;
    for (char c : listing.substr(0, 300)) text += c == '\n' ? ' ' : c;
    while (!text.empty() && text.back() == ' ') text.pop_back();
    return text.empty() ? "nothing" : text;
}

}  // namespace

void check_usb(Report &report, Context &context) {
    if (!context.hdt_ok) return;
    const std::string program = paths::usb_search();
    if (::access(program.c_str(), X_OK) != 0) {
        report.fail("usbSearch " + program, "missing or not executable", "run tevrak-setup to make it");
        return;
    }
    if (!context.listing_safe) {
        report.fail("usbSearch " + program, "not run: others may change it or its folders (see above)",
                    "make it safe as said above, then run tevrak-doctor again");
        return;
    }
    const RunResult run = run_bounded({program}, kListingBound);
    if (!run.started || run.timed_out) {
        report.fail("usbSearch " + program, run.timed_out ? "did not end within 5 s" : "cannot be started",
                    "run it by hand to see why; the shipped one is /usr/bin/usbSearch");
        return;
    }
    // What the library keeps of the listing.
    const std::string listing = run.out.substr(0, serial::listing_capacity() - 1);
    report.ok("usbSearch", "lists " + one_line(listing));

    bool interface1_named = false;
    bool interface1_unmatched = false;
    {
        hdt::LineReader file(paths::hdt_file());
        std::string_view line;
        for (int number = 1; file.next(line); ++number) {
            const auto usb = serial::parse_usb_line(line);
            if (!usb || !serial::known_interface(usb->interface)) continue;
            const std::string where = "USB line " + std::to_string(number) + " (" + std::string(usb->name) + ")";
            interface1_named = interface1_named || usb->interface == 1;
            if (const auto path = serial::find_device_path(listing, usb->name)) {
                report.ok(where, "interface " + std::to_string(usb->interface) + " uses " + std::string(*path));
            } else {
                interface1_unmatched = interface1_unmatched || usb->interface == 1;
                report.fail(where, "matches nothing usbSearch lists (no name token " + std::string(usb->name) + ")",
                            "plug the board in, or write a word of its listed name in hdt.txt");
            }
        }
    }
    // The choice itself is the library's: its discovery on the same listing.
    hdt::LineReader file(paths::hdt_file());
    const auto port = serial::discover_board_port(file, listing);
    if (!port) return;
    context.port = *port;
    if (!interface1_named) report.ok("interface 1", "no USB line: the default " + context.port);
    context.usb_ok = !interface1_unmatched && !context.port.empty();
    if (context.port.empty())
        report.fail("interface 1", "its device path is longer than 99 characters", "use a shorter path");
}

}  // namespace tevrak::doctor
