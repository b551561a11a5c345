// Byte transport and the link check on the one open port.
#include <termios.h>
#include <unistd.h>

#include <chrono>
#include <cstring>
#include <thread>

#include "serial/link_bytes.h"
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
    char scratch[5] = {};
    const ssize_t n = ::read(state.fd, scratch, 4);
    scratch[n > 0 ? n : 0] = '\0';
    if (buffer != nullptr) std::strcpy(buffer, scratch);
    return static_cast<int>(n);
}
#else
extern "C" int SERReceive(int interface, char *buffer, int size) {
    if (!select_interface(interface) || size < 0 || (buffer == nullptr && size > 0)) return -1;
    return static_cast<int>(::read(state.fd, buffer, static_cast<std::size_t>(size)));
}
#endif

extern "C" int SERReceiveChar(int interface) {
    if (!select_interface(interface)) return -1;
    unsigned char byte = 0;
    return ::read(state.fd, &byte, 1) == 1 ? byte : -1;
}

extern "C" int SERCheck(int interface) {
    if (!valid_interface(interface)) return 1;
    for (int attempt = 0; attempt < kTries; ++attempt) {
        SERSendChar(interface, static_cast<char>(kProbe));
        std::this_thread::sleep_for(kProbePause);
        if (SERReceiveChar(interface) == kReplyMarker) {
            SERFlush(interface);
            return 0;
        }
    }
    SERClose(interface);
    return 1;
}

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
