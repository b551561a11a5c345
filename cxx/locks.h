// The C++ layer's two locks: one for the serial link, held for each whole
// command, and one for the remote-control unit, never held while sleeping.
#pragma once

#include <chrono>
#include <condition_variable>
#include <mutex>
#include <thread>

namespace tevrak::cxx {

// The link's lock. Threads get it in the order they asked for it: a thread
// that gives it up while others wait hands it to the first of them, so a
// thread calling in a loop cannot starve the others. The holder may take it
// again (a tevrak::Cycle holds it around the calls it contains); it is free
// once each take is given back. Its timed wait lets a
// bounded wait give up on a link held by others. Built on a mutex and a
// condition variable (std::timed_mutex's steady-clock wait,
// pthread_mutex_clocklock, is invisible to ThreadSanitizer).
class LinkLock {
public:
    using Clock = std::chrono::steady_clock;

    // Each new holder's waits on the board start uncancelled (see
    // cxx/link_wait.h): a cancelled command ends with its holder.
    void lock();
    // False when the lock did not come by deadline.
    bool try_lock_until(Clock::time_point deadline);
    void unlock();

private:
    // A waiting thread, on its own stack, queued in order of arrival.
    struct Waiter {
        std::thread::id thread = std::this_thread::get_id();
        bool granted = false;
        Waiter *next = nullptr;
    };

    bool acquire(const Clock::time_point *deadline);
    void leave_queue(const Waiter *waiter);

    std::mutex mutex_;
    std::condition_variable granted_;
    bool held_ = false;
    std::thread::id holder_;  // meaningful while held_
    int depth_ = 0;           // takes of the holder not yet given back
    Waiter *first_ = nullptr;
    Waiter *last_ = nullptr;
};

LinkLock &link_lock();
std::mutex &remote_lock();

}  // namespace tevrak::cxx
