// A tevrak-sim with its live page on a free port, and plain HTTP from the
// test's side: raw requests, and an event stream read by a thread.
#pragma once

#include <sys/types.h>

#include <atomic>
#include <chrono>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "support/sim_process.h"
#include "support/temp_home.h"

namespace tevrak::test {

class ViewSim {
public:
    // Starts tevrak-sim --view 127.0.0.1:0 on a private folder; the port
    // comes from its "view at" line (0 when it did not start).
    explicit ViewSim(std::vector<std::string> extra = {});

    TempHome home;
    SimProcess sim;
    int port = 0;
};

// A connection to the page, -1 when it failed.
int connect_to(int port);
// Sends request as written and reads the whole response (the request should
// say "Connection: close"). Empty when the connection failed.
std::string http(int port, const std::string &request);
// The status code of a response, 0 when there is none.
int status_of(const std::string &response);

// The page's event stream: connects, asks for /events and notes when each
// event arrives, until destroyed.
class EventStream {
public:
    explicit EventStream(int port);
    ~EventStream();
    EventStream(const EventStream &) = delete;
    EventStream &operator=(const EventStream &) = delete;

    std::size_t count() const;
    // Events that arrived in [from, to).
    std::size_t count_between(std::chrono::steady_clock::time_point from,
                              std::chrono::steady_clock::time_point to) const;
    // Waits until at least n events came; false on timeout.
    bool wait_for(std::size_t n, std::chrono::milliseconds timeout) const;
    // Everything received so far.
    std::string text() const;

private:
    void read();

    int fd_ = -1;
    mutable std::mutex mutex_;
    std::string text_;
    std::vector<std::chrono::steady_clock::time_point> arrivals_;
    std::thread reader_;
};

// Of another process: CPU time used so far (user + system), open
// descriptors, resident memory in KiB.
std::chrono::milliseconds cpu_time(pid_t pid);
// How often the process's threads (or only its main thread) went to sleep so
// far: its wake-ups, whatever the machine's load.
long wakeups(pid_t pid, bool main_thread_only = false);
int descriptor_count(pid_t pid);
long resident_kib(pid_t pid);

}  // namespace tevrak::test
