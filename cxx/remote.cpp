// Keys of the remote control under the remote's own lock. The waits look for
// a key under the lock and sleep on the daemon connection without it, with
// the same steps that RCINGet repeats.
#include <optional>

#include "cxx/locks.h"
#include "platform/message.h"
#include "remote/connection.h"
#include "remote/daemon_wait.h"
#include "remote/key_look.h"
#include "tevrak/rcin.h"
#include "tevrak/tevrak.hpp"

namespace tevrak {
namespace {

using Clock = std::chrono::steady_clock;

constexpr const char *kUnit = "RCIN";
constexpr int kNoDaemon = 3;     // RCINInit's code
constexpr int kKeyFailure = -1;  // RCINGet's and RCINRead's code

// Connects when not connected; the caller holds the remote lock.
void connect() {
    if (rcin::connected()) return;
    const MessageHold hold;  // the daemon's failure goes into the StartupError
    if (RCINInit() == kNoDaemon) {
        throw StartupError(kUnit, "RCINInit", kNoDaemon, "the infrared daemon cannot be reached");
    }
}

[[noreturn]] void connection_failed(const char *function) {
    throw LinkError(kUnit, function, kKeyFailure, "the daemon connection failed");
}

// The next key, skipping early repeats; nothing once the deadline (none: no
// limit) has passed. No lock is held while sleeping on the connection.
std::optional<char> next_key(const Clock::time_point *deadline) {
    bool closed = false;
    for (;;) {
        int descriptor = -1;
        {
            const std::lock_guard lock(cxx::remote_lock());
            connect();
            const rcin::Look look = rcin::look_for_key();
            if (look.found == rcin::Found::key) return static_cast<char>(look.key);
            if (look.found == rcin::Found::error) connection_failed("RCINGet");
            if (look.found == rcin::Found::early_repeat) continue;
            descriptor = rcin::descriptor();
        }
        // Nothing more will come on a closed connection; never spin on it.
        if (closed) connection_failed("RCINGet");
        if (deadline == nullptr) {
            closed = rcin::wait_for_data(descriptor) == rcin::Connection::closed;
            continue;
        }
        const auto left = std::chrono::ceil<std::chrono::milliseconds>(*deadline - Clock::now());
        if (left.count() <= 0) return std::nullopt;
        closed = rcin::wait_for_data(descriptor, left) == rcin::Connection::closed;
    }
}

}  // namespace

Remote::Remote() {
    const std::lock_guard lock(cxx::remote_lock());
    connect();
}

char Remote::get() { return *next_key(nullptr); }

std::optional<char> Remote::get_for(std::chrono::milliseconds timeout) {
    const Clock::time_point deadline = Clock::now() + timeout;
    return next_key(&deadline);
}

std::optional<char> Remote::poll() {
    const std::lock_guard lock(cxx::remote_lock());
    connect();
    const int key = RCINRead();
    if (key == kKeyFailure) connection_failed("RCINRead");
    if (key == 0) return std::nullopt;
    return static_cast<char>(key);
}

void Remote::set_hold_delay(int repeats) {
    const std::lock_guard lock(cxx::remote_lock());
    connect();
    RCINSetHoldDelay(repeats);
}

void Remote::use_configuration(int n) {
    const std::lock_guard lock(cxx::remote_lock());
    RCINRestart(n);
}

int Remote::native_handle() {
    const std::lock_guard lock(cxx::remote_lock());
    connect();
    return rcin::descriptor();
}

std::string_view key_name(char code) noexcept {
    struct Named {
        Key key;
        std::string_view name;
    };
    static constexpr Named kNames[] = {
        {Key::DIGIT_0, "DIGIT_0"}, {Key::DIGIT_1, "DIGIT_1"}, {Key::DIGIT_2, "DIGIT_2"}, {Key::DIGIT_3, "DIGIT_3"},
        {Key::DIGIT_4, "DIGIT_4"}, {Key::DIGIT_5, "DIGIT_5"}, {Key::DIGIT_6, "DIGIT_6"}, {Key::DIGIT_7, "DIGIT_7"},
        {Key::DIGIT_8, "DIGIT_8"}, {Key::DIGIT_9, "DIGIT_9"}, {Key::UP, "UP"},           {Key::DOWN, "DOWN"},
        {Key::LEFT, "LEFT"},       {Key::RIGHT, "RIGHT"},     {Key::OK, "OK"},           {Key::RED, "RED"},
        {Key::GREEN, "GREEN"},     {Key::YELLOW, "YELLOW"},   {Key::BLUE, "BLUE"},       {Key::POWER, "POWER"},
    };
    for (const Named &named : kNames) {
        if (static_cast<char>(named.key) == code) return named.name;
    }
    return {};
}

int Remote::configuration() {
    const std::lock_guard lock(cxx::remote_lock());
    connect();
    return RCINGetControllerCode();
}

}  // namespace tevrak
