// The C++ layer's two locks: one for the serial link, held for each whole
// command, and one for the remote-control unit, never held while sleeping.
#pragma once

#include <chrono>
#include <condition_variable>
#include <mutex>

namespace tevrak::cxx {

// A lock that a bounded wait can give up on. Built on a mutex and a
// condition variable rather than std::timed_mutex, whose steady-clock wait
// (pthread_mutex_clocklock) ThreadSanitizer does not see.
class TimedLock {
public:
    using Clock = std::chrono::steady_clock;

    void lock() {
        std::unique_lock guard(mutex_);
        released_.wait(guard, [this] { return !held_; });
        held_ = true;
    }

    // False when the lock was not free by deadline.
    bool try_lock_until(Clock::time_point deadline) {
        std::unique_lock guard(mutex_);
        if (!released_.wait_until(guard, deadline, [this] { return !held_; })) return false;
        held_ = true;
        return true;
    }

    void unlock() {
        {
            const std::lock_guard guard(mutex_);
            held_ = false;
        }
        released_.notify_one();
    }

private:
    std::mutex mutex_;
    std::condition_variable released_;
    bool held_ = false;
};

TimedLock &link_lock();
std::mutex &remote_lock();

}  // namespace tevrak::cxx
