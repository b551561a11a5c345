// Byte transport and the link check on the one open port.
#include <poll.h>
#include <termios.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <thread>

#include "serial/link_bytes.h"
#include "serial/link_check.h"
#include "serial/state.h"
#ifdef TEVRAK_SERIAL_TEXT
#include "tevrak/serial_text.h"
#else
#include "tevrak/serial.h"
#endif

namespace tevrak::serial {
namespace {

constexpr int kTries = 100;
constexpr auto kProbePause = std::chrono::microseconds(100);
constexpr auto kFlushPause = std::chrono::milliseconds(10);
// The line's read time (VTIME 5 of the line set-up) and the slices a wait
// of the C++ layer cuts it into, asking its hook between them.
constexpr auto kLineReadTime = std::chrono::milliseconds(500);
constexpr auto kWaitSlice = std::chrono::milliseconds(50);

using Clock = LinkWait::Clock;

// Waits as one read of the line would, up to its read time, but in slices
// that end early on the link check's deadline or when the hook cancels.
// True when input (or an error for the read to report) is there.
bool input_arrives() {
    LinkWait &wait = state.wait;
    if (wait.cancelled) return false;
    // A port that failed to open: the read reports it at once (poll would
    // ignore the descriptor and sleep).
    if (state.fd < 0) return true;
    Clock::time_point end = Clock::now() + kLineReadTime;
    if (wait.check_deadline) end = std::min(end, *wait.check_deadline);
    pollfd port{state.fd, POLLIN, 0};
    for (;;) {
        const auto left = std::chrono::ceil<std::chrono::milliseconds>(end - Clock::now());
        if (left.count() <= 0) return false;
        const int ready = ::poll(&port, 1, static_cast<int>(std::min(left, kWaitSlice).count()));
        if (ready > 0 || (ready < 0 && errno != EINTR)) return true;
        if (wait.interrupted != nullptr && wait.interrupted()) {
            wait.cancelled = true;
            return false;
        }
    }
}

// A wait the C++ layer bounds: false when no input came in time.
bool input_in_time() { return !state.wait.sliced() || input_arrives(); }

bool link_check_over() {
    const LinkWait &wait = state.wait;
    return wait.cancelled || (wait.check_deadline && Clock::now() >= *wait.check_deadline);
}

// Holds the bound of one link check while it runs.
class CheckDeadline {
public:
    CheckDeadline() {
        if (state.wait.check_limit > Clock::duration::zero()) {
            state.wait.check_deadline = Clock::now() + state.wait.check_limit;
        }
    }
    ~CheckDeadline() { state.wait.check_deadline.reset(); }
    CheckDeadline(const CheckDeadline &) = delete;
    CheckDeadline &operator=(const CheckDeadline &) = delete;
};

// Reopen rule: an operation on another interface than the open one first
// opens that interface with its stored settings. Interfaces outside 1 to 4
// are refused before any table or descriptor is touched.
bool select_interface(int interface) {
    if (!valid_interface(interface)) return false;
    if (state.SERType != interface) SERInit(interface, state.SERBaud[interface], state.SERHandshake[interface]);
    return true;
}

}  // namespace
}  // namespace tevrak::serial

using namespace tevrak::serial;

extern "C" int SERSendChar(int interface, char byte) {
    if (!select_interface(interface)) return 1;
    return ::write(state.fd, &byte, 1) == 1 ? 0 : 1;
}

extern "C" int SERSend(int interface, const char *buffer) {
    if (!select_interface(interface) || buffer == nullptr) return 1;
    return ::write(state.fd, buffer, 4) == 4 ? 0 : 1;
}

#ifdef TEVRAK_SERIAL_TEXT
extern "C" int SERReceive(int interface, char *buffer) {
    if (!select_interface(interface)) return -1;
    if (!input_in_time()) {
        if (buffer != nullptr) buffer[0] = '\0';
        return 0;
    }
    char scratch[5] = {};
    const ssize_t n = ::read(state.fd, scratch, 4);
    scratch[n > 0 ? n : 0] = '\0';
    if (buffer != nullptr) std::strcpy(buffer, scratch);
    return static_cast<int>(n);
}
#else
extern "C" int SERReceive(int interface, char *buffer, int size) {
    if (!select_interface(interface) || size < 0 || (buffer == nullptr && size > 0)) return -1;
    if (!input_in_time()) return 0;
    return static_cast<int>(::read(state.fd, buffer, static_cast<std::size_t>(size)));
}
#endif

extern "C" int SERReceiveChar(int interface) {
    if (!select_interface(interface)) return -1;
    if (!input_in_time()) return -1;
    unsigned char byte = 0;
    return ::read(state.fd, &byte, 1) == 1 ? byte : -1;
}

LinkCheck tevrak::serial::check_link(int interface) {
    LinkCheck check;
    if (!valid_interface(interface)) return check;
    const CheckDeadline bound;
    for (; check.probes < kTries && !link_check_over();) {
        const auto sent = Clock::now();
        SERSendChar(interface, static_cast<char>(kProbe));
        ++check.probes;
        std::this_thread::sleep_for(kProbePause);
        if (SERReceiveChar(interface) == kReplyMarker) {
            check.round_trip = Clock::now() - sent;
            check.answered = true;
            SERFlush(interface);
            return check;
        }
    }
    SERClose(interface);
    return check;
}

extern "C" int SERCheck(int interface) { return check_link(interface).answered ? 0 : 1; }

extern "C" int SERFlush(int interface) {
    if (!select_interface(interface)) return 1;
    std::this_thread::sleep_for(kFlushPause);
    tcflush(state.fd, TCIOFLUSH);
    return 0;
}

extern "C" int SERClose(int interface) {
    if (!select_interface(interface)) return 1;
    close_port();
    state.SERType = -1;
    return 0;
}
