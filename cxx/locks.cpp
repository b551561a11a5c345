#include "cxx/locks.h"

#include "platform/message.h"
#include "serial/link_control.h"

namespace tevrak::cxx {
namespace {

// The holder's messages wait for the end of its command: a failure's
// exception takes them (Error), the rest are written at unlock.
void start_holding() {
    serial::link_wait().cancelled = false;
    hold_messages();
}

}  // namespace

void LinkLock::lock() {
    acquire(nullptr);
    start_holding();
}

bool LinkLock::try_lock_until(Clock::time_point deadline) {
    if (!acquire(&deadline)) return false;
    start_holding();
    return true;
}

bool LinkLock::acquire(const Clock::time_point *deadline) {
    std::unique_lock guard(mutex_);
    if (held_ && holder_ == std::this_thread::get_id()) {
        ++depth_;
        return true;
    }
    if (!held_ && first_ == nullptr) {
        held_ = true;
        holder_ = std::this_thread::get_id();
        depth_ = 1;
        return true;
    }
    Waiter me;
    (last_ != nullptr ? last_->next : first_) = &me;
    last_ = &me;
    const auto granted = [&me] { return me.granted; };
    if (deadline == nullptr) {
        granted_.wait(guard, granted);
        return true;
    }
    if (granted_.wait_until(guard, *deadline, granted)) return true;
    leave_queue(&me);
    return false;
}

void LinkLock::leave_queue(const Waiter *waiter) {
    Waiter *before = nullptr;
    for (Waiter *w = first_; w != nullptr; before = w, w = w->next) {
        if (w != waiter) continue;
        (before != nullptr ? before->next : first_) = w->next;
        if (last_ == w) last_ = before;
        return;
    }
}

void LinkLock::unlock() {
    release_messages();
    {
        const std::lock_guard guard(mutex_);
        if (--depth_ > 0) return;
        Waiter *next = first_;
        if (next == nullptr) {
            held_ = false;
            return;
        }
        // The lock stays held: it passes to the first waiter.
        first_ = next->next;
        if (first_ == nullptr) last_ = nullptr;
        next->granted = true;
        holder_ = next->thread;
        depth_ = 1;
    }
    granted_.notify_all();
}

LinkLock &link_lock() {
    static LinkLock lock;
    return lock;
}

std::mutex &remote_lock() {
    static std::mutex mutex;
    return mutex;
}

}  // namespace tevrak::cxx
