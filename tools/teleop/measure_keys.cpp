#include "tools/teleop/measure_keys.h"

#include <poll.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>

#include "tools/teleop/key_parser.h"
#include "tools/teleop/raw_terminal.h"

namespace tevrak::teleop {

int measure_keys(int fd) {
    RawTerminal raw(fd);
    std::puts("hold a key for a second, release it, repeat; q ends\r");
    KeyParser parser;
    std::optional<std::chrono::steady_clock::time_point> last;
    int in_row = 0;
    for (;;) {
        unsigned char bytes[64];
        const ssize_t n = ::read(fd, bytes, sizeof bytes);
        if (n <= 0) return 1;
        const auto now = std::chrono::steady_clock::now();
        const auto gap = last ? std::chrono::duration_cast<std::chrono::milliseconds>(now - *last).count() : -1;
        // A gap above a second starts a new press; the first gap after it
        // is the auto-repeat delay.
        in_row = (gap < 0 || gap > 1000) ? 0 : in_row + 1;
        last = now;
        if (in_row == 0) {
            std::printf("press\r\n");
        } else {
            std::printf("%s %lld ms\r\n", in_row == 1 ? "first repeat after" : "repeat after",
                        static_cast<long long>(gap));
        }
        std::fflush(stdout);
        for (ssize_t i = 0; i < n; ++i) {
            if (parser.feed(bytes[i]) == Key::quit) return 0;
        }
    }
}

}  // namespace tevrak::teleop
