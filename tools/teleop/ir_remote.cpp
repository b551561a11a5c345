#include "tools/teleop/ir_remote.h"

namespace tevrak::teleop {
namespace {

// Readable again and again without a key: the connection is broken in a
// way the client library does not report; better lost than a busy loop.
constexpr int kMostIdleWakeups = 100;

}  // namespace

IrRemote::IrRemote(const Limits &limits) : SteppedInput(limits, kRemoteLease), fd_(remote_.native_handle()) {}

void IrRemote::on_readable(Clock::time_point now) {
    try {
        bool any = false;
        while (const auto code = remote_.poll()) {
            key(*code, now);
            any = true;
        }
        idle_wakeups_ = any ? 0 : idle_wakeups_ + 1;
        if (idle_wakeups_ > kMostIdleWakeups) throw tevrak::LinkError("RCIN", "RCINRead", -1, "no keys");
    } catch (const tevrak::Error &) {
        lose("the infrared daemon's connection is gone", now);
    }
}

void IrRemote::key(char code, Clock::time_point now) {
    switch (static_cast<tevrak::Key>(code)) {
    case tevrak::Key::UP: stepped_.step(Step::forward, now); break;
    case tevrak::Key::DOWN: stepped_.step(Step::backward, now); break;
    case tevrak::Key::LEFT: stepped_.step(Step::left, now); break;
    case tevrak::Key::RIGHT: stepped_.step(Step::right, now); break;
    case tevrak::Key::OK: stepped_.stop(); break;
    default: return;
    }
    note_change(now);
}

}  // namespace tevrak::teleop
