// Measures the library against the simulated board on a pseudo-terminal and
// prints one table:
//  - latency of a command without reply (VWSetSpeed) and of a query
//    (VWGetPosition), medians over several runs, as a ratio to the floor that
//    the link check imposes: its 0.1 ms probe pause and 10 ms flush pause,
//    plus the bytes of probe, marker, frame and reply at 115200 baud;
//  - CPU time of the calling thread per command, as a share of wall time;
//  - heap allocations per command in steady state (the calling thread's:
//    the simulated board runs in a thread of this process);
//  - start-up time of all four device units with a 10,000-line hdt.txt;
//  - CPU used by RCINGet while it waits for a key against a private lircd;
//  - latency of the C++ interface's calls against their C functions
//    (Drive::set_speed, Drive::position), medians of calls taking turns;
//  - the tap's cost: one record handed to a listener that reads, against a
//    command's latency; and the command's latency beside a listener that
//    reads and one that has stopped reading, against none.
//
//   tevrak_bench [--quick]     (--quick: fewer runs and a 1 s key wait)
#include <sys/resource.h>
#include <sys/stat.h>

#include <poll.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "actuators/testing.h"
#include "alloc_counter.h"
#include "config/paths.h"
#include "drive/testing.h"
#include "protocol/tap.h"
#include "rangers/testing.h"
#include "remote/private_lircd.h"
#include "remote/testing.h"
#include "sim/board/board.h"
#include "tap/listener.h"
#include "tevrak/drive.h"
#include "tevrak/motor.h"
#include "tevrak/psd.h"
#include "tevrak/rcin.h"
#include "tevrak/servo.h"
#include "tevrak/tevrak.hpp"

namespace {

using namespace std::chrono;
using Clock = steady_clock;

constexpr double kByteMicros = 10.0 * 1e6 / 115200.0;  // start, 8 data and stop bit
constexpr double kLinkCheckMicros = 100.0 + 10000.0;

double cpu_micros(int who) {
    rusage usage{};
    getrusage(who, &usage);
    return static_cast<double>(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) * 1e6 +
           static_cast<double>(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec);
}

double median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    return values.empty() ? 0.0 : values[values.size() / 2];
}

struct Figures {
    double latency_micros;  // median per call
    double cpu_share;       // calling thread's CPU / wall
    double allocations;     // per call
};

// Runs call count times per run, runs times; medians over the runs.
Figures measure(const std::function<void()> &call, int runs, int count) {
    std::vector<double> latency, cpu, allocations;
    latency.reserve(runs);
    cpu.reserve(runs);
    allocations.reserve(runs);
    call();  // steady state: the unit is started
    for (int run = 0; run < runs; ++run) {
        const auto allocated = tevrak::bench::allocations();
        const double cpu_before = cpu_micros(RUSAGE_THREAD);
        const auto start = Clock::now();
        for (int i = 0; i < count; ++i) call();
        const double wall = static_cast<double>(duration_cast<microseconds>(Clock::now() - start).count());
        const auto allocated_now = tevrak::bench::allocations();
        cpu.push_back((cpu_micros(RUSAGE_THREAD) - cpu_before) / wall);
        latency.push_back(wall / count);
        allocations.push_back(static_cast<double>(allocated_now - allocated) / count);
    }
    return {median(latency), median(cpu), median(allocations)};
}

double micros_of(const std::function<void()> &call) {
    const auto start = Clock::now();
    call();
    return static_cast<double>(duration_cast<nanoseconds>(Clock::now() - start).count()) / 1000.0;
}

// Median latency of the C++ call over its C function's. The two calls take
// turns, one each, so that both see the same load on the machine.
double cxx_over_c(const std::function<void()> &c_call, const std::function<void()> &cxx_call, int calls) {
    std::vector<double> c, cxx;
    c.reserve(static_cast<std::size_t>(calls));
    cxx.reserve(static_cast<std::size_t>(calls));
    c_call();
    cxx_call();
    for (int i = 0; i < calls; ++i) {
        c.push_back(micros_of(c_call));
        cxx.push_back(micros_of(cxx_call));
    }
    return median(cxx) / median(c);
}

// Per-call latency of VWSetSpeed (medians) with no listener, with one that
// reads in a thread of its own and with one that never reads; and the cost
// of one record handed to a reading listener, in microseconds.
struct TapFigures {
    double alone, reading, stalled, record_micros;
};

// Runs with no listener, a reading one and a stalled one take turns, so
// that all three see the same load on the machine.
TapFigures tap_figures(const std::string &home, int runs, int count) {
    const auto command = [] { VWSetSpeed(100, 10); };
    std::vector<double> alone, reading, stalled, per_note;
    for (int run = 0; run < runs; ++run) {
        tevrak::paths::set_home(home);  // the tap looks again: nobody there
        alone.push_back(measure(command, 1, count).latency_micros);
        {
            tevrak::tap::Listener listener(tevrak::paths::tap_socket());
            std::atomic<bool> stop{false};
            std::thread reader([&] {
                while (!stop) {
                    pollfd fd{listener.fd(), POLLIN, 0};
                    if (::poll(&fd, 1, 50) > 0) {
                        while (listener.receive()) {}
                    }
                }
            });
            tevrak::paths::set_home(home);
            reading.push_back(measure(command, 1, count).latency_micros);
            const std::uint8_t frame[] = {0xF8, 0x00, 0x64, 0x00, 0x0A};
            constexpr int kNotes = 5000;
            const auto start = Clock::now();
            for (int i = 0; i < kNotes; ++i) tevrak::protocol::tap::note(frame, {}, 0);
            per_note.push_back(static_cast<double>(duration_cast<nanoseconds>(Clock::now() - start).count()) / 1000.0 /
                               kNotes);
            stop = true;
            reader.join();
        }
        tevrak::tap::Listener never_read(tevrak::paths::tap_socket());
        tevrak::paths::set_home(home);
        stalled.push_back(measure(command, 1, count).latency_micros);
    }
    tevrak::paths::set_home(home);
    return {median(alone), median(reading), median(stalled), median(per_note)};
}

void write_file(const std::string &path, const std::string &text) { std::ofstream(path) << text; }

std::string robot_folder() {
    char pattern[] = "/tmp/tevrak-bench-XXXXXX";
    if (mkdtemp(pattern) == nullptr) throw std::runtime_error("mkdtemp failed");
    std::filesystem::create_directories(std::string(pattern) + "/bin");
    std::filesystem::create_directories(std::string(pattern) + "/dev");
    return pattern;
}

// hdt.txt of the given number of lines: the robot, then devices and tables.
std::string big_hdt(int lines) {
    std::string text = "USB 1 board\nENCODER 1 540\nDRIVE 54 90 0 1\nKINEMA 10 20 30 40\n";
    for (int i = 4; i < lines; ++i) {
        switch (i % 4) {
        case 0: text += "SERVO s" + std::to_string(i) + " 0 255 t" + std::to_string(i % 50) + "\n"; break;
        case 1: text += "MOTOR m" + std::to_string(i) + " t" + std::to_string(i % 50) + "\n"; break;
        case 2: text += "PSD p" + std::to_string(i) + " t" + std::to_string(i % 50) + "\n"; break;
        default:
            text += "TABLE t" + std::to_string(i % 50);
            for (int e = 0; e < 16; ++e) text += " " + std::to_string(e * 16);
            text += "\n";
        }
    }
    return text;
}

double startup_millis(int runs) {
    std::vector<double> times;
    for (int run = 0; run < runs; ++run) {
        tevrak::drive::state.VWInitialised = 0;
        tevrak::actuators::state.SERVOInitialised = 0;
        tevrak::actuators::state.MOTORInitialised = 0;
        tevrak::rangers::state.PSDInitialised = 0;
        const auto start = Clock::now();
        VWInit();
        SERVOInit();
        MOTORInit();
        PSDInit();
        times.push_back(static_cast<double>(duration_cast<microseconds>(Clock::now() - start).count()) / 1000.0);
    }
    return median(times);
}

double rcin_wait_share(int seconds_to_wait) {
    const std::string folder = robot_folder();
    tevrak::test::PrivateLircd daemon(folder + "/lircd");
    daemon.use_for_clients();
    if (RCINInit() != 0) return -1.0;
    std::thread sender([&] {
        std::this_thread::sleep_for(seconds(seconds_to_wait));
        daemon.press("KEY_OK");
    });
    const double cpu_before = cpu_micros(RUSAGE_THREAD);
    const auto start = Clock::now();
    RCINGet();
    const double wall = static_cast<double>(duration_cast<microseconds>(Clock::now() - start).count());
    const double share = (cpu_micros(RUSAGE_THREAD) - cpu_before) / wall;
    sender.join();
    // Disconnect without running the daemon stop command on this machine.
    tevrak::rcin::set_command_runner([](const char *) {});
    RCINRelease();
    return share;
}

}  // namespace

int main(int argc, char **argv) {
    const bool quick = argc > 1 && std::strcmp(argv[1], "--quick") == 0;
    const int runs = quick ? 3 : 7;
    const int count = quick ? 50 : 200;

    const std::string home = robot_folder();
    tevrak::paths::set_home(home);
    tevrak::sim::Board board(home + "/dev/ttyBOARD");
    write_file(home + "/bin/usbSearch.txt", "usb-Sim_board-1:" + board.device_path() + "\n");
    write_file(home + "/bin/usbSearch", "#!/bin/sh\nexec cat '" + home + "/bin/usbSearch.txt'\n");
    ::chmod((home + "/bin/usbSearch").c_str(), 0755);
    write_file(home + "/bin/hdt.txt", "USB 1 board\nENCODER 1 540\nDRIVE 54 90 0 1\nKINEMA 10 20 30 40\n");

    // Floor: link check pauses plus probe, marker, frame and reply bytes.
    const double command_floor = kLinkCheckMicros + (1 + 1 + 5) * kByteMicros;
    const double query_floor = kLinkCheckMicros + (1 + 1 + 1 + 1 + 6) * kByteMicros;
    const Figures command = measure([] { VWSetSpeed(100, 10); }, runs, count);
    int x = 0, y = 0, heading = 0;
    const Figures query = measure([&] { VWGetPosition(&x, &y, &heading); }, runs, count);

    tevrak::Drive drive;
    const double command_ratio =
        cxx_over_c([] { VWSetSpeed(100, 10); }, [&] { drive.set_speed(100, 10); }, runs * count);
    const double query_ratio =
        cxx_over_c([&] { VWGetPosition(&x, &y, &heading); }, [&] { drive.position(); }, runs * count);

    const TapFigures tap = tap_figures(home, runs, count);

    write_file(home + "/bin/hdt.txt", big_hdt(10000));
    const double startup = startup_millis(quick ? 3 : 5);
    const double rcin = rcin_wait_share(quick ? 1 : 5);

    std::printf("%-44s %12s %12s %8s\n", "measurement", "value", "goal", "");
    std::printf("%-44s %9.3f ms %12s\n", "command (VWSetSpeed) latency, median", command.latency_micros / 1000, "");
    std::printf("%-44s %9.3f ms %12s\n", "  floor: link check + bytes at 115200", command_floor / 1000, "");
    std::printf("%-44s %11.3fx %12s %8s\n", "  ratio to floor", command.latency_micros / command_floor, "<= 1.05x",
                command.latency_micros / command_floor <= 1.05 ? "met" : "missed");
    std::printf("%-44s %11.3fx\n", "  ratio to the pauses alone (pty: bytes free)",
                command.latency_micros / kLinkCheckMicros);
    std::printf("%-44s %9.3f ms %12s\n", "query (VWGetPosition) latency, median", query.latency_micros / 1000, "");
    std::printf("%-44s %9.3f ms %12s\n", "  floor: link check + bytes at 115200", query_floor / 1000, "");
    std::printf("%-44s %11.3fx %12s %8s\n", "  ratio to floor", query.latency_micros / query_floor, "<= 1.05x",
                query.latency_micros / query_floor <= 1.05 ? "met" : "missed");
    std::printf("%-44s %11.3fx\n", "  ratio to the pauses alone (pty: bytes free)",
                query.latency_micros / kLinkCheckMicros);
    const double cpu = std::max(command.cpu_share, query.cpu_share) * 100;
    std::printf("%-44s %10.3f %% %12s %8s\n", "CPU per command, share of wall (worse of two)", cpu, "<= 2 %",
                cpu <= 2 ? "met" : "missed");
    const double allocations = std::max(command.allocations, query.allocations);
    std::printf("%-44s %12.3f %12s %8s\n", "heap allocations per command (worse of two)", allocations, "0",
                allocations == 0 ? "met" : "missed");
    std::printf("%-44s %9.3f ms %12s\n", "start-up of 4 units, 10,000-line hdt.txt", startup, "");
    // VWInit sends two frames, each behind a link check and its pause.
    std::printf("%-44s %9.3f ms %12s\n", "  beyond VWInit's two link checks' pauses",
                startup - 2 * kLinkCheckMicros / 1000, "");
    if (rcin < 0) {
        std::printf("%-44s %12s\n", "RCINGet waiting for a key, CPU share", "no lircd");
    } else {
        std::printf("%-44s %10.4f %% %12s %8s\n", "RCINGet waiting for a key, CPU share", rcin * 100, "< 1 %",
                    rcin * 100 < 1 ? "met" : "missed");
    }
    for (const auto &[name, ratio] : {std::pair{"latency C++ set_speed / C VWSetSpeed", command_ratio},
                                      std::pair{"latency C++ position / C VWGetPosition", query_ratio}}) {
        std::printf("%-44s %11.4fx %12s %8s\n", name, ratio, "<= 1.01x", ratio <= 1.01 ? "met" : "missed");
    }
    const double tap_share = (command.latency_micros + tap.record_micros) / command.latency_micros;
    std::printf("%-44s %9.3f us %12s\n", "tap: one record to a reading listener", tap.record_micros, "");
    std::printf("%-44s %11.5fx %12s %8s\n", "  a command with it / without", tap_share, "<= 1.01x",
                tap_share <= 1.01 ? "met" : "missed");
    std::printf("%-44s %11.4fx %12s\n", "command latency, reading listener / none", tap.reading / tap.alone, "");
    std::printf("%-44s %11.4fx %12s\n", "command latency, stalled listener / none", tap.stalled / tap.alone, "");
    std::error_code ignored;
    std::filesystem::remove_all(home, ignored);
    return 0;
}
