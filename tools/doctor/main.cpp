// tevrak-doctor: checks the set-up a robot program meets, in its order,
// one line per check, and says what to do about each failure.
#include <unistd.h>

#include <cstdio>
#include <cstring>
#include <string_view>

#include "checks.h"

namespace {

constexpr const char *kUsage =
    "usage: tevrak-doctor [--json] [--link]\n"
    "Checks the robot folder, hdt.txt, usbSearch, the serial port, the board, lircd and the\n"
    "Python package; one line per check: ok, warn or FAIL with what to do. Moves nothing.\n"
    "  --json  one JSON object instead of the lines\n"
    "  --link  also compare calls in a cycle with single calls and print both loop rates\n"
    "Exit status: 0 when nothing failed, 1 otherwise (2: wrong usage).\n";

}  // namespace

int main(int argc, char **argv) {
    using namespace tevrak::doctor;
    bool json = false;
    bool link = false;
    for (int i = 1; i < argc; ++i) {
        const std::string_view word = argv[i];
        if (word == "--json") {
            json = true;
        } else if (word == "--link") {
            link = true;
        } else if (word == "--help" || word == "-h") {
            std::fputs(kUsage, stdout);
            return 0;
        } else {
            std::fprintf(stderr, "tevrak-doctor: unknown option %s\n%s", argv[i], kUsage);
            return 2;
        }
    }
    // The library's own messages ("PSD: Timeout!!!") go to standard error,
    // so that standard output holds the report alone.
    std::fflush(stdout);
    const int out_fd = ::dup(STDOUT_FILENO);
    ::dup2(STDERR_FILENO, STDOUT_FILENO);
    std::FILE *out = ::fdopen(out_fd, "w");
    if (out == nullptr) return 1;

    Report report;
    if (!json) report.print_as_found(out);
    Context context;
    check_home(report, context);
    check_hdt(report, context);
    check_usb(report, context);
    check_port(report, context);
    check_board(report, context);
    if (link) check_cycles(report, context);
    check_lircd(report);
    check_python(report);
    if (json) report.print_json(out);
    std::fflush(stdout);
    std::fclose(out);
    return report.failed() ? 1 : 0;
}
