// How much CPU RCINGet uses while it waits for a key: a private lircd, a key
// that comes only after a delay, and the waiting thread's CPU time over that
// wait as a share of one core.
//
//   rcin_wait [seconds]     (default 5)
#include <sys/resource.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <thread>

#include "remote/private_lircd.h"
#include "tevrak/rcin.h"

namespace {

using namespace std::chrono;

microseconds cpu_time(int who) {
    rusage usage{};
    getrusage(who, &usage);
    return seconds(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
           microseconds(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec);
}

double percent(microseconds cpu, steady_clock::duration wall) {
    return 100.0 * static_cast<double>(cpu.count()) / static_cast<double>(duration_cast<microseconds>(wall).count());
}

}  // namespace

int main(int argc, char **argv) {
    const int delay_seconds = argc > 1 ? std::atoi(argv[1]) : 5;
    if (delay_seconds <= 0) {
        std::fprintf(stderr, "usage: rcin_wait [seconds]\n");
        return 2;
    }
    char pattern[] = "/tmp/rcin-wait-XXXXXX";
    if (mkdtemp(pattern) == nullptr) return 1;
    const std::string folder = pattern;
    int result = 0;
    try {
        tevrak::test::PrivateLircd daemon(folder);
        daemon.use_for_clients();
        if (RCINInit() != 0) throw std::runtime_error("cannot connect to the private lircd");

        std::thread sender([&daemon, delay_seconds] {
            std::this_thread::sleep_for(seconds(delay_seconds));
            daemon.press("KEY_OK");
        });
        const microseconds thread_before = cpu_time(RUSAGE_THREAD);
        const microseconds process_before = cpu_time(RUSAGE_SELF);
        const auto start = steady_clock::now();
        const int key = RCINGet();
        const auto wall = steady_clock::now() - start;
        const microseconds thread_cpu = cpu_time(RUSAGE_THREAD) - thread_before;
        const microseconds process_cpu = cpu_time(RUSAGE_SELF) - process_before;
        sender.join();

        std::printf("key %c after %.3f s\n", key > 0 ? key : '?', duration<double>(wall).count());
        std::printf("RCINGet thread CPU: %lld us = %.4f %% of one core\n", static_cast<long long>(thread_cpu.count()),
                    percent(thread_cpu, wall));
        std::printf("whole process CPU:  %lld us = %.4f %% of one core (includes starting irsend)\n",
                    static_cast<long long>(process_cpu.count()), percent(process_cpu, wall));
        result = key == 'O' ? 0 : 1;
    } catch (const std::exception &error) {
        std::fprintf(stderr, "rcin_wait: %s\n", error.what());
        result = 1;
    }
    std::error_code ignored;
    std::filesystem::remove_all(folder, ignored);
    return result;
}
