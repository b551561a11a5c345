// The live page's server without a browser: an event per tick while the
// robot moves and silence while nothing changes, the simulator's wake-ups and
// CPU load meanwhile, viewers coming and going, what the server refuses, and
// the fault and key requests of the page.
#include <gtest/gtest.h>
#include <signal.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <thread>

#include "sim/view/view_support.h"
#include "support/temp_home.h"
#include "tevrak/drive.h"

namespace {

using namespace std::chrono_literals;
using namespace tevrak::test;
using Clock = std::chrono::steady_clock;

constexpr double kTicksPerSecond = 50;  // the simulator's 20 ms timer

double per_second(double count, Clock::duration wall) { return count / std::chrono::duration<double>(wall).count(); }

double percent_of_a_core(std::chrono::milliseconds cpu, Clock::duration wall) {
    return per_second(cpu.count() / 10.0, wall);
}

// The simulator over a stretch of time.
struct Load {
    double cpu_percent;         // of a core
    double wakeups_per_second;  // of all its threads
};

std::string request(int port, const std::string &method, const std::string &target, const std::string &body = {},
                    bool from_page = true) {
    return method + " " + target + " HTTP/1.1\r\nHost: 127.0.0.1:" + std::to_string(port) +
           "\r\nConnection: close\r\n" + (from_page ? "X-Tevrak-View: 1\r\n" : "") +
           "Content-Length: " + std::to_string(body.size()) + "\r\n\r\n" + body;
}

TEST(ViewStream, FollowsTheMovingRobotAndFallsSilentWhenIdle) {
    ViewSim view;
    ASSERT_GT(view.port, 0);
    EventStream stream(view.port);
    ASSERT_TRUE(stream.wait_for(1, 10s)) << "a viewer starts with the current state";
    EXPECT_NE(stream.text().find("\"scene\":{\"arena\":{\"width\":2000,\"height\":1500}"), std::string::npos);

    // Idle: nothing is sent, and the simulator sleeps between its ticks.
    std::this_thread::sleep_for(300ms);
    const pid_t pid = view.sim.pid();
    auto from = Clock::now();
    auto cpu = cpu_time(pid);
    long woken = wakeups(pid);
    std::this_thread::sleep_for(3s);
    auto wall = Clock::now() - from;
    const Load idle{percent_of_a_core(cpu_time(pid) - cpu, wall), per_second(wakeups(pid) - woken, wall)};
    const std::size_t idle_events = stream.count_between(from, Clock::now());

    // Moving: 700 mm at 200 mm/s (3.5 s) while the program polls the drive
    // status; measured over 2.5 s of it.
    ASSERT_EQ(VWStraight(700, 200), 0);
    std::this_thread::sleep_for(100ms);
    from = Clock::now();
    cpu = cpu_time(pid);
    woken = wakeups(pid);
    const long ticked = wakeups(pid, true);
    long polls = 0;
    for (const auto until = from + 2500ms; Clock::now() < until; ++polls) VWDriveDone();
    wall = Clock::now() - from;
    const Load moving{percent_of_a_core(cpu_time(pid) - cpu, wall), per_second(wakeups(pid) - woken, wall)};
    const long ticks = wakeups(pid, true) - ticked;
    const std::size_t moving_events = stream.count_between(from, from + wall);
    ASSERT_EQ(VWDriveWait(), 0);

    // Still again: after the last state, silence.
    std::this_thread::sleep_for(300ms);
    from = Clock::now();
    std::this_thread::sleep_for(2s);
    const std::size_t after_events = stream.count_between(from, Clock::now());

    std::printf(
        "view: idle: %zu events in 3 s, simulator %.2f %% of a core, %.0f wake-ups/s; moving: %zu events "
        "for %ld main-thread wake-ups, simulator %.2f %% of a core, %.0f wake-ups/s, %ld polls\n",
        idle_events, idle.cpu_percent, idle.wakeups_per_second, moving_events, ticks, moving.cpu_percent,
        moving.wakeups_per_second, polls);
    RecordProperty("idle_cpu_percent", std::to_string(idle.cpu_percent));
    RecordProperty("idle_wakeups_per_second", std::to_string(idle.wakeups_per_second));
    RecordProperty("moving_cpu_percent", std::to_string(moving.cpu_percent));
    RecordProperty("moving_wakeups_per_second", std::to_string(moving.wakeups_per_second));
    EXPECT_EQ(idle_events, 0u);
    EXPECT_EQ(after_events, 0u);
    // The main thread wakes once per 20 ms tick (fewer on a loaded machine),
    // and each tick of a moving robot is one event.
    EXPECT_GT(moving_events, 0u);
    EXPECT_GE(2 * static_cast<long>(moving_events), ticks) << "an event per tick";
    // Wake-ups do not grow with the machine's load (ticks only get fewer):
    // idle, one per tick; moving, the ticks, the stream's writer and a few
    // per poll.
    EXPECT_LT(idle.wakeups_per_second, 2 * kTicksPerSecond);
    EXPECT_LT(moving.wakeups_per_second, 3 * kTicksPerSecond + 5 * per_second(polls, wall));
    // Loose CPU bounds: a busy loop still gets a fifth of a core or more with
    // two busy processes and a build beside it.
    EXPECT_LT(idle.cpu_percent, 10);
    EXPECT_LT(moving.cpu_percent, 20);
    // The frames the program sent reached the page.
    EXPECT_NE(stream.text().find("\"VWStraight distance=700 speed=200\""), std::string::npos);
}

TEST(ViewStream, ViewersComingAndGoingLeaveNothingBehind) {
#ifdef TEVRAK_SANITIZED
    // AddressSanitizer holds freed memory back on purpose (its quarantine):
    // without that, the simulator's own retention shows.
    const char *options = std::getenv("ASAN_OPTIONS");
    const std::string asan =
        std::string(options != nullptr ? options : "") + ":quarantine_size_mb=0:thread_local_quarantine_size_kb=0";
    ::setenv("ASAN_OPTIONS", asan.c_str(), 1);
#endif
    ViewSim view;
    ASSERT_GT(view.port, 0);
    const pid_t pid = view.sim.pid();
    const auto cycle = [&] {
        EventStream viewer(view.port);
        ASSERT_TRUE(viewer.wait_for(1, 10s));
    };
    for (int i = 0; i < 200; ++i) cycle();  // every one of the server's workers and buffers settles
    std::this_thread::sleep_for(500ms);
    const int descriptors = tevrak::test::descriptor_count(pid);
    const long memory = tevrak::test::resident_kib(pid);
    for (int i = 0; i < 100; ++i) cycle();
    // A viewer that went away is noticed at once, not at the next change.
    const auto deadline = Clock::now() + 5s;
    while (tevrak::test::descriptor_count(pid) > descriptors && Clock::now() < deadline) {
        std::this_thread::sleep_for(20ms);
    }
    EXPECT_EQ(tevrak::test::descriptor_count(pid), descriptors);
    EXPECT_LT(tevrak::test::resident_kib(pid) - memory, 1024) << "KiB more after 100 viewers";

    // More viewers than the server streams to at once are turned away.
    std::vector<std::unique_ptr<EventStream>> viewers;
    for (int i = 0; i < 4; ++i) {
        viewers.push_back(std::make_unique<EventStream>(view.port));
        ASSERT_TRUE(viewers.back()->wait_for(1, 10s));
    }
    EXPECT_EQ(status_of(http(view.port, request(view.port, "GET", "/events"))), 503);

    // SIGINT with viewers attached: the streams end, the program exits cleanly.
    ::kill(pid, SIGINT);
    EXPECT_EQ(view.sim.wait_exit(10s), 0);
    EXPECT_FALSE(std::filesystem::exists(view.home.root() + "/lircd")) << "the remote's socket goes too";
}

TEST(ViewServer, ServesThePageAndNothingElse) {
    ViewSim view;
    ASSERT_GT(view.port, 0);
    const std::string page = http(view.port, request(view.port, "GET", "/"));
    EXPECT_EQ(status_of(page), 200);
    EXPECT_NE(page.find("Content-Type: text/html"), std::string::npos);
    EXPECT_NE(page.find("<canvas id=\"arena\""), std::string::npos);
    for (const char *file : {"/view.js", "/view.css", "/index.html"}) {
        EXPECT_EQ(status_of(http(view.port, request(view.port, "GET", file))), 200) << file;
    }
    for (const char *outside :
         {"/../etc/passwd", "/%2e%2e/%2e%2e/etc/passwd", "/..%2f..%2fetc%2fpasswd", "/page/../../../etc/passwd",
          "/etc/passwd", "/view.js/..", "/sim.ctl", "//etc/passwd"}) {
        const std::string response = http(view.port, request(view.port, "GET", outside));
        const int status = status_of(response);
        EXPECT_TRUE(status == 404 || status == 403 || status == 400) << outside << ": " << status;
        EXPECT_EQ(response.find("root:"), std::string::npos) << outside;
    }

    // The picture of the run so far.
    const std::string picture = http(view.port, request(view.port, "GET", "/run.svg"));
    EXPECT_EQ(status_of(picture), 200);
    EXPECT_NE(picture.find("Content-Type: image/svg+xml"), std::string::npos);
    EXPECT_NE(picture.find("<svg"), std::string::npos);

    // Fault controls: from the page only, faults only.
    EXPECT_EQ(status_of(http(view.port, request(view.port, "POST", "/control", "unplug", false))), 403);
    EXPECT_EQ(status_of(http(view.port, request(view.port, "POST", "/control", "quit"))), 400);
    EXPECT_EQ(status_of(http(view.port, request(view.port, "POST", "/control", "late soon"))), 400);
    EXPECT_EQ(status_of(http(view.port, request(view.port, "POST", "/control", "late 250"))), 204);
    EXPECT_EQ(status_of(http(view.port, request(view.port, "POST", "/control", "unplug"))), 204);
    {
        EventStream stream(view.port);
        const auto deadline = Clock::now() + 5s;
        while (stream.text().find("\"plugged\":false,\"silent\":false,\"late\":250") == std::string::npos &&
               Clock::now() < deadline) {
            std::this_thread::sleep_for(20ms);
        }
        EXPECT_NE(stream.text().find("\"plugged\":false,\"silent\":false,\"late\":250"), std::string::npos);
        EXPECT_NE(stream.text().find("\"# board unplugged\""), std::string::npos) << "the frame log's line";
    }

    // Remote keys from the page.
    EXPECT_EQ(status_of(http(view.port, request(view.port, "POST", "/key?button=KEY_UP&repeat=0"))), 204);
    EXPECT_EQ(status_of(http(view.port, request(view.port, "POST", "/key?button=KEY_UP&repeat=0", "", false))), 403);
    for (const char *bad :
         {"/key?button=KEY%20UP&repeat=0", "/key?button=KEY_UP&repeat=256", "/key?button=KEY_UP", "/key?repeat=1"}) {
        EXPECT_EQ(status_of(http(view.port, request(view.port, "POST", bad))), 400) << bad;
    }
    EXPECT_EQ(status_of(http(view.port, request(view.port, "GET", "/"))), 200) << "still serving";
}

}  // namespace
