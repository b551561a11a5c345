// The live page against a hostile page or a local process: what
// it refuses, how much of a request it reads, and that neither slow clients
// nor the picture's fetchers hold up the page or the board.
#include <arpa/inet.h>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/resource.h>
#include <sys/socket.h>
#include <termios.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <csignal>
#include <filesystem>
#include <fstream>
#include <functional>
#include <mutex>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include "sim/view/view_support.h"
#include "support/target_command.h"
#include "support/temp_home.h"
#include "tevrak/drive.h"

namespace {

using namespace std::chrono_literals;
using tevrak::test::connect_to;
using tevrak::test::status_of;
using tevrak::test::ViewSim;
using Clock = std::chrono::steady_clock;

// Reads what the server sends on fd until it closes, wait at most per read.
std::string read_answer(int fd, std::chrono::milliseconds wait) {
    const timeval timeout{static_cast<time_t>(wait.count() / 1000),
                          static_cast<suseconds_t>(wait.count() % 1000 * 1000)};
    ::setsockopt(fd, SOL_SOCKET, SO_RCVTIMEO, &timeout, sizeof timeout);
    std::string response;
    char chunk[4096];
    for (ssize_t n; (n = ::recv(fd, chunk, sizeof chunk, 0)) > 0;) response.append(chunk, static_cast<std::size_t>(n));
    return response;
}

// Sends the request and reads the answer until the server closes, 2 s at most.
std::string response_within(int port, const std::string &request, std::chrono::seconds wait = 2s) {
    const int fd = connect_to(port);
    (void)!::send(fd, request.data(), request.size(), MSG_NOSIGNAL);
    std::string response = read_answer(fd, wait);
    ::close(fd);
    return response;
}

int status_within(int port, const std::string &request, std::chrono::seconds wait = 2s) {
    return status_of(response_within(port, request, wait));
}

std::string head(const std::string &line, const std::string &host, const std::string &more = {}) {
    return line + " HTTP/1.1\r\nHost: " + host + "\r\nConnection: close\r\n" + more + "\r\n";
}

TEST(ViewGuard, RefusesRequestsNamingAnotherHost) {
    ViewSim view;
    ASSERT_GT(view.port, 0);
    const std::string here = "127.0.0.1:" + std::to_string(view.port);
    const std::string there = "attacker.example:" + std::to_string(view.port);
    const std::string page = "X-Tevrak-View: 1\r\nContent-Length: 6\r\n";
    EXPECT_EQ(status_within(view.port, head("GET /", there)), 421);
    EXPECT_EQ(status_within(view.port, head("GET /events", there)), 421);
    // Refused before the body is read: this one never comes.
    EXPECT_EQ(status_within(view.port, head("POST /control", there, page + "Origin: http://" + there + "\r\n")), 421);
    EXPECT_EQ(status_within(view.port, head("POST /control", here, page + "Origin: http://" + there + "\r\n")), 403);
    EXPECT_EQ(
        status_within(view.port, head("POST /control", here, page + "Origin: http://" + here + "\r\n") + "late 7"),
        204);
    EXPECT_EQ(status_within(view.port, head("GET /", "localhost:" + std::to_string(view.port))), 200);
    const auto deadline = Clock::now() + 3s;
    const std::string log = view.home.root() + "/frames.log";
    while (tevrak::test::read_file(log).find("# replies 7 ms late") == std::string::npos && Clock::now() < deadline) {
        std::this_thread::sleep_for(20ms);
    }
    EXPECT_NE(tevrak::test::read_file(log).find("# replies 7 ms late"), std::string::npos);
    EXPECT_EQ(tevrak::test::read_file(log).find("# board unplugged"), std::string::npos);
}

TEST(ViewGuard, ReadsNoMoreThanItsLimits) {
    ViewSim view;
    ASSERT_GT(view.port, 0);
    const std::string here = "127.0.0.1:" + std::to_string(view.port);
    ASSERT_EQ(status_within(view.port, head("GET /", here)), 200);
    std::this_thread::sleep_for(300ms);
    const long idle = tevrak::test::resident_kib(view.sim.pid());

    // A chunked body is refused, on any route, before it is read.
    EXPECT_EQ(status_within(view.port, head("POST /control", here, "Transfer-Encoding: chunked\r\n") + "1000\r\n"),
              411);
    EXPECT_EQ(status_within(view.port, head("GET /", here, "Transfer-Encoding: chunked\r\n")), 411);
    // A body larger than 4 KiB is refused before it is sent.
    EXPECT_EQ(
        status_within(view.port, head("POST /control", here, "X-Tevrak-View: 1\r\nContent-Length: 134217728\r\n")),
        413);
    // 22 MB of header lines: the server stops reading after 8 KiB.
    const int fd = connect_to(view.port);
    std::string lines = "GET / HTTP/1.1\r\nHost: " + here + "\r\n";
    while (lines.size() < 1 << 16)
        lines += "X-Filler: aaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaa\r\n";
    std::size_t sent = 0;
    while (sent < 22'000'000 && ::send(fd, lines.data(), lines.size(), MSG_NOSIGNAL) > 0) sent += lines.size();
    char answer[64] = {};
    const timeval timeout{2, 0};
    ::setsockopt(fd, SOL_SOCKET, SO_RCVTIMEO, &timeout, sizeof timeout);
    EXPECT_GT(::recv(fd, answer, sizeof answer - 1, 0), 0);
    ::close(fd);
    EXPECT_EQ(status_of(answer), 431);
    EXPECT_LT(sent, 22'000'000u) << "the server read all the headers";
    const long grown = tevrak::test::resident_kib(view.sim.pid()) - idle;
    EXPECT_LT(grown, 5 * 1024) << "KiB more than idle";
}

struct SlowClients {
    int viewers;
    int slow;
};

class ViewUnderSlowClients : public testing::TestWithParam<SlowClients> {};

TEST_P(ViewUnderSlowClients, AnswersWhileSlowClientsHoldConnections) {
    ViewSim view;
    ASSERT_GT(view.port, 0);
    const std::string here = "127.0.0.1:" + std::to_string(view.port);
    std::vector<std::unique_ptr<tevrak::test::EventStream>> viewers;
    for (int i = 0; i < GetParam().viewers; ++i) {
        viewers.push_back(std::make_unique<tevrak::test::EventStream>(view.port));
        ASSERT_TRUE(viewers.back()->wait_for(1, 10s));
    }
    // The clients send their headers one byte a second.
    std::vector<int> slow;
    for (int i = 0; i < GetParam().slow; ++i) slow.push_back(connect_to(view.port));
    const auto start = Clock::now();
    std::atomic<bool> done{false};
    std::vector<Clock::duration> cut(slow.size(), Clock::duration::max());
    std::thread trickle([&] {
        for (int second = 0; second < 9 && !done; ++second) {
            for (std::size_t i = 0; i < slow.size(); ++i) {
                if (cut[i] == Clock::duration::max() && ::send(slow[i], "G", 1, MSG_NOSIGNAL) != 1) {
                    cut[i] = Clock::now() - start;
                }
            }
            std::this_thread::sleep_for(1s);
        }
    });
    Clock::duration slowest{};
    for (int i = 0; i < 4; ++i) {
        std::this_thread::sleep_for(1s);
        const auto asked = Clock::now();
        EXPECT_EQ(status_within(view.port, head("GET /", here), 3s), 200);
        slowest = std::max(slowest, Clock::now() - asked);
    }
    trickle.join();
    done = true;
    for (const int fd : slow) ::close(fd);
    const double ms = std::chrono::duration<double, std::milli>(slowest).count();
    EXPECT_LT(ms, 1000.0) << "the page kept a viewer waiting";
    // Each slow request was cut within its 5 s (a send after that fails).
    for (const auto at : cut) EXPECT_LT(at, 8s) << "a slow request was never cut";
}

// Viewers and slow clients together below the cap of 64 connections, with
// the page's own request.
INSTANTIATE_TEST_SUITE_P(Connections, ViewUnderSlowClients, testing::Values(SlowClients{4, 10}, SlowClients{1, 60}),
                         [](const testing::TestParamInfo<SlowClients> &info) {
                             return std::to_string(info.param.viewers) + "Viewers" + std::to_string(info.param.slow) +
                                    "Slow";
                         });

struct Answer {
    const char *name;
    std::string request;  // @: this server's host and port
    int status;
};

class ViewAnswer : public testing::TestWithParam<Answer> {};

// No other site may show the page in a frame, whatever the answer.
TEST_P(ViewAnswer, ForbidsFraming) {
    ViewSim view;
    ASSERT_GT(view.port, 0);
    std::string request = GetParam().request;
    for (auto at = request.find('@'); at != std::string::npos; at = request.find('@')) {
        request.replace(at, 1, "127.0.0.1:" + std::to_string(view.port));
    }
    const std::string response = response_within(view.port, request);
    EXPECT_EQ(status_of(response), GetParam().status);
    EXPECT_NE(response.find("\r\nContent-Security-Policy: default-src 'self'; img-src 'self' data:; "
                            "frame-ancestors 'none'\r\n"),
              std::string::npos)
        << response.substr(0, response.find("\r\n\r\n"));
    EXPECT_NE(response.find("\r\nX-Frame-Options: DENY\r\n"), std::string::npos);
}

INSTANTIATE_TEST_SUITE_P(
    Headers, ViewAnswer,
    testing::Values(
        Answer{"Page", "GET / HTTP/1.1\r\nHost: @\r\nConnection: close\r\n\r\n", 200},
        Answer{"Missing", "GET /nothing HTTP/1.1\r\nHost: @\r\nConnection: close\r\n\r\n", 404},
        Answer{"AnotherHost", "GET / HTTP/1.1\r\nHost: evil.example\r\nConnection: close\r\n\r\n", 421},
        Answer{"NotFromThePage",
               "POST /control HTTP/1.1\r\nHost: @\r\nContent-Length: 6\r\nConnection: close\r\n\r\nunplug", 403},
        Answer{"HeadersTooLong", "GET / HTTP/1.1\r\nHost: @\r\nX: " + std::string(9000, 'a') + "\r\n\r\n", 431}),
    [](const testing::TestParamInfo<Answer> &info) { return std::string(info.param.name); });

// The lines of the simulator's log, once the line came (5 s at most).
bool log_has(const ViewSim &view, const std::string &line) {
    const auto deadline = Clock::now() + 5s;
    const std::string log = view.home.root() + "/frames.log";
    while (tevrak::test::read_file(log).find(line) == std::string::npos && Clock::now() < deadline) {
        std::this_thread::sleep_for(20ms);
    }
    return tevrak::test::read_file(log).find(line) != std::string::npos;
}

void control(const ViewSim &view, const std::string &line) {
    std::ofstream(view.home.root() + "/sim.ctl") << line << "\n";
}

// 1,100 connections at once: those beyond 64 are refused at once, the
// simulator keeps its descriptors, and the board plugs in again.
TEST(ViewGuard, RefusesConnectionsBeyondItsCapAndKeepsTheBoardsDescriptors) {
    rlimit limit{};
    ::getrlimit(RLIMIT_NOFILE, &limit);
    if (limit.rlim_max < 1200) GTEST_SKIP() << "this test needs 1,200 descriptors of its own";
    // Under qemu-user every one of the server's 64 workers carries the
    // emulator's own memory and the accepting thread runs far slower: the
    // figures measured here would be the emulator's.
    if (tevrak::test::under_emulator()) GTEST_SKIP() << "the emulator's threads distort memory and accept rates";
    const rlimit saved = limit;
    // The simulator with the usual 1,024 descriptors, the test with more.
    const rlimit usual{std::min<rlim_t>(saved.rlim_cur, 1024), saved.rlim_max};
    ::setrlimit(RLIMIT_NOFILE, &usual);
    ViewSim view;
    ASSERT_GT(view.port, 0);
    limit.rlim_cur = limit.rlim_max;
    ::setrlimit(RLIMIT_NOFILE, &limit);
    const long idle = tevrak::test::resident_kib(view.sim.pid());
    // Connections made without waiting: the server takes them as fast as
    // it can, and those it takes beyond 64 open ones it refuses at once.
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(static_cast<std::uint16_t>(view.port));
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    std::vector<int> connections;
    for (int i = 0; i < 1100; ++i) {
        const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
        ASSERT_GE(fd, 0);
        (void)::connect(fd, reinterpret_cast<sockaddr *>(&address), sizeof address);
        connections.push_back(fd);
    }
    int most = 0;
    for (const auto until = Clock::now() + 5s; Clock::now() < until; std::this_thread::sleep_for(100ms)) {
        most = std::max(most, tevrak::test::descriptor_count(view.sim.pid()));
    }
    EXPECT_LT(most, 64 + 40) << "descriptors of the simulator";
#ifdef __SANITIZE_ADDRESS__
    constexpr long kMostKib = 20 * 1024;  // the sanitizer's shadow and quarantine come on top
#else
    constexpr long kMostKib = 10 * 1024;
#endif
    EXPECT_LT(tevrak::test::resident_kib(view.sim.pid()) - idle, kMostKib) << "KiB more than idle";
    int refused = 0;
    std::string refusal;
    // On a loaded machine the server may still be taking connections: look
    // again until one refusal came or a generous bound passed.
    std::vector<bool> read(connections.size(), false);
    for (const auto until = Clock::now() + 20s; refused == 0 && Clock::now() < until;
         std::this_thread::sleep_for(100ms)) {
        for (std::size_t i = 0; i < connections.size(); ++i) {
            pollfd ready{connections[i], POLLIN, 0};
            if (read[i] || ::poll(&ready, 1, 0) != 1) continue;
            read[i] = true;
            const std::string answer = read_answer(connections[i], 100ms);
            if (status_of(answer) == 503 && ++refused == 1) refusal = answer;
        }
    }
    EXPECT_GT(refused, 0);
    EXPECT_NE(refusal.find("\r\nX-Frame-Options: DENY\r\n"), std::string::npos) << refusal;
    control(view, "unplug");
    ASSERT_TRUE(log_has(view, "# board unplugged"));
    control(view, "replug");
    EXPECT_TRUE(log_has(view, "# board plugged in again"));
    for (const int fd : connections) ::close(fd);
    EXPECT_EQ(status_within(view.port, head("GET /", "127.0.0.1:" + std::to_string(view.port))), 200);
    ::setrlimit(RLIMIT_NOFILE, &saved);
}

// A replug that finds no descriptor left is refused; the simulator lives
// on and plugs the board in once it can.
TEST(ViewGuard, FailedReplugLeavesTheSimulatorRunning) {
    ViewSim view;
    ASSERT_GT(view.port, 0);
    control(view, "unplug");
    ASSERT_TRUE(log_has(view, "# board unplugged"));
    // The lowest descriptor number free in the simulator: no open succeeds.
    std::set<int> used;
    for (const auto &entry : std::filesystem::directory_iterator("/proc/" + std::to_string(view.sim.pid()) + "/fd")) {
        used.insert(std::stoi(entry.path().filename().string()));
    }
    int lowest_free = 0;
    while (used.count(lowest_free) != 0) ++lowest_free;
    rlimit limit{};
    ASSERT_EQ(::prlimit(view.sim.pid(), RLIMIT_NOFILE, nullptr, &limit), 0);
    const rlimit saved = limit;
    limit.rlim_cur = static_cast<rlim_t>(lowest_free);
    ASSERT_EQ(::prlimit(view.sim.pid(), RLIMIT_NOFILE, &limit, nullptr), 0);
    control(view, "replug");
    std::this_thread::sleep_for(500ms);
    EXPECT_EQ(::kill(view.sim.pid(), 0), 0) << "the simulator died";
    EXPECT_EQ(tevrak::test::read_file(view.home.root() + "/frames.log").find("# board plugged in again"),
              std::string::npos);
    ASSERT_EQ(::prlimit(view.sim.pid(), RLIMIT_NOFILE, &saved, nullptr), 0);
    control(view, "replug");
    EXPECT_TRUE(log_has(view, "# board plugged in again"));
}

TEST(ViewGuard, PictureFetchersDoNotHoldUpTheBoard) {
    // A picture that takes long to draw: 27,000 obstacles (as a long drive's
    // path does), while the robot turns on the spot, so that the state keeps
    // changing. The fetchers take a picture every 20 ms or so each.
#ifdef TEVRAK_SANITIZED
    // The sanitizers and the emulator slow the world's own work with
    // thousands of obstacles more than the drawing: the scenario runs, its
    // timing is not judged.
    constexpr int kSpacing = 10;
#else
    constexpr int kSpacing = 5;
#endif
    tevrak::test::TempHome config;
    std::string obstacles;
    for (int x = 1500; x < 1990; x += kSpacing) {
        for (int y = 50; y < 1450; y += kSpacing)
            obstacles += "obstacle " + std::to_string(x) + "," + std::to_string(y) + ",5,5\n";
    }
    config.write_file("sim.conf", obstacles);
    ViewSim view({"--config", config.root() + "/sim.conf"});
    ASSERT_GT(view.port, 0);
    const std::string here = "127.0.0.1:" + std::to_string(view.port);
    ASSERT_EQ(VWSetSpeed(0, 50), 0);
    // The board's own reply time: a position query written to its link.
    const int link = ::open((view.home.root() + "/dev/ttyBOARD").c_str(), O_RDWR | O_NOCTTY | O_CLOEXEC);
    ASSERT_GE(link, 0);
    termios raw{};
    ::tcgetattr(link, &raw);
    ::cfmakeraw(&raw);
    ::tcsetattr(link, TCSANOW, &raw);
    // 200 replies, and more while go_on() holds.
    const auto p99 = [link](const std::function<bool()> &go_on) {
        std::vector<double> times;
        for (int i = 0; i < 200 || go_on(); ++i) {
            const auto asked = Clock::now();
            const std::uint8_t query = 0xF1;  // VWGetPosition: '>' and 6 bytes
            EXPECT_EQ(::write(link, &query, 1), 1);
            std::string reply;
            // Far beyond any bound below: under the emulator, with the
            // drawings beside it, one reply has taken over 3 s.
            while (reply.size() < 7 && Clock::now() - asked < 20s) {
                pollfd ready{link, POLLIN, 0};
                char chunk[16];
                if (::poll(&ready, 1, 100) == 1)
                    reply.append(chunk, std::max<ssize_t>(0, ::read(link, chunk, sizeof chunk)));
            }
            EXPECT_EQ(reply.size(), 7u);
            times.push_back(std::chrono::duration<double, std::milli>(Clock::now() - asked).count());
            std::this_thread::sleep_for(5ms);
        }
        std::sort(times.begin(), times.end());
        return times[times.size() * 99 / 100];
    };
    const double alone = p99([] { return false; });
    std::atomic<bool> stop{false};
    std::mutex mutex;
    std::vector<double> fetches;  // ms each
    std::vector<std::thread> fetchers;
    for (int i = 0; i < 8; ++i) {
        fetchers.emplace_back([&] {
            // The clients' own work is not the server's: in the background.
            ::setpriority(PRIO_PROCESS, static_cast<id_t>(::gettid()), 19);
            while (!stop) {
                const auto asked = Clock::now();
                EXPECT_EQ(status_within(view.port, head("GET /run.svg", here), 30s),
                          200);  // seconds each at a load of 20
                {
                    std::lock_guard lock(mutex);
                    fetches.push_back(std::chrono::duration<double, std::milli>(Clock::now() - asked).count());
                }
                std::this_thread::sleep_for(20ms);
            }
        });
    }
    std::this_thread::sleep_for(200ms);
    // Replies are timed until every fetcher has had a second picture drawn
    // (at a load of 20 one takes seconds), so the drawings overlap them.
    const auto enough = Clock::now() + 60s;
    const double fetched = p99([&] {
        std::lock_guard lock(mutex);
        return fetches.size() < 16 && Clock::now() < enough;
    });
    stop = true;
    for (auto &fetcher : fetchers) fetcher.join();
    ::close(link);
    ASSERT_EQ(VWSetSpeed(0, 0), 0);
    std::sort(fetches.begin(), fetches.end());
    const double fetch = fetches.empty() ? 0 : fetches[fetches.size() / 2];
    std::printf("board p99: %.2f ms alone, %.2f ms with 8 fetchers (%zu pictures, %.1f ms each)\n", alone, fetched,
                fetches.size(), fetch);
    EXPECT_GE(fetches.size(), 16u);
    // The board's replies do not wait for drawings: they stay within the
    // time one picture takes, however busy the machine. (The goal is 5 ms at
    // p99; on the shared development machine, at a load of 20 on two cores,
    // the fetchers' processor use alone costs more: 30 to 95 ms, with 0.1 to
    // 0.9 s a picture. Drawn under the model's lock, as before, the replies
    // waited for several drawings in turn: 1.6 to 2 s, twice a picture's
    // time and more.)
#ifndef TEVRAK_SANITIZED
    EXPECT_LT(fetched, std::max(50.0, fetch));
#endif
}

}  // namespace
