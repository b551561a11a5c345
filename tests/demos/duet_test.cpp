// The two-thread console programs, each run with its output to a pipe for a
// short while and then killed.
#include <fcntl.h>
#include <poll.h>
#include <pthread.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <array>
#include <cerrno>
#include <chrono>
#include <cstdarg>
#include <cstdint>
#include <cstdio>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "support/target_command.h"

extern char **environ;

// Each program's thread function, compiled once more with its calls to printf
// and to the mutex renamed to the recorders below (see CMakeLists.txt).
extern "C" {
void *duet_guarded_slave(void *number);
void *duet_split_slave(void *number);
void *duet_plain_slave(void *number);
}

namespace {

// The calls of one traced thread; read after the thread has ended.
std::vector<std::string> traced_calls;
int traced_prints = 0;
constexpr int kTracedPrints = 6;  // the thread ends inside its sixth printf

}  // namespace

extern "C" int duet_traced_printf(const char *format, ...) {
    std::array<char, 64> text{};
    va_list arguments;
    va_start(arguments, format);
    std::vsnprintf(text.data(), text.size(), format, arguments);
    va_end(arguments);
    traced_calls.push_back(std::string("printf ") + text.data());
    if (++traced_prints == kTracedPrints) pthread_exit(nullptr);
    return static_cast<int>(std::string_view(text.data()).size());
}

extern "C" int duet_traced_lock(pthread_mutex_t *mutex) {
    traced_calls.emplace_back("lock");
    return pthread_mutex_lock(mutex);
}

extern "C" int duet_traced_unlock(pthread_mutex_t *mutex) {
    traced_calls.emplace_back("unlock");
    return pthread_mutex_unlock(mutex);
}

namespace {

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;

// A descriptor closed when it goes out of scope.
class Descriptor {
public:
    explicit Descriptor(int value = -1) : value_(value) {}
    ~Descriptor() { reset(); }
    Descriptor(const Descriptor &) = delete;
    Descriptor &operator=(const Descriptor &) = delete;
    int get() const { return value_; }
    void reset(int value = -1) {
        if (value_ >= 0) ::close(value_);
        value_ = value;
    }

private:
    int value_;
};

struct Pipe {
    Descriptor read_end;
    Descriptor write_end;
    Pipe() {
        int fds[2] = {-1, -1};
        if (::pipe2(fds, O_CLOEXEC) != 0) ADD_FAILURE() << "pipe2";
        read_end.reset(fds[0]);
        write_end.reset(fds[1]);
    }
};

struct ProgramRun {
    std::string out;
    std::string err;
    int status = 0;
};

// Reads `out` until done(out) holds (or 10 s pass), then kills the program.
ProgramRun run_until(const std::string &program, const std::function<bool(const std::string &)> &done) {
    ProgramRun run;
    Pipe out_pipe;
    Pipe err_pipe;
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, out_pipe.write_end.get(), STDOUT_FILENO);
    posix_spawn_file_actions_adddup2(&actions, err_pipe.write_end.get(), STDERR_FILENO);
    const std::string path = std::string(DUET_DIR) + "/" + program;
    auto command = tevrak::test::target_command(path);
    const auto argv = tevrak::test::exec_argv(command);
    pid_t pid = -1;
    const int spawned = posix_spawn(&pid, argv[0], &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    out_pipe.write_end.reset();
    err_pipe.write_end.reset();
    if (spawned != 0) {
        ADD_FAILURE() << "cannot start " << path;
        return run;
    }

    const auto deadline = Clock::now() + 10s;
    std::array<char, 4096> chunk{};
    while (!done(run.out) && Clock::now() < deadline) {
        pollfd ready{out_pipe.read_end.get(), POLLIN, 0};
        if (::poll(&ready, 1, 100) <= 0) continue;
        const ssize_t n = ::read(out_pipe.read_end.get(), chunk.data(), chunk.size());
        if (n > 0) {
            run.out.append(chunk.data(), static_cast<std::size_t>(n));
        } else if (n == 0 || errno != EINTR) {
            break;  // the program closed its output: it ended by itself
        }
    }

    ::kill(pid, SIGKILL);
    while (::waitpid(pid, &run.status, 0) < 0 && errno == EINTR) {}
    // The program is gone, so its error stream ends here.
    for (ssize_t n; (n = ::read(err_pipe.read_end.get(), chunk.data(), chunk.size())) != 0;) {
        if (n > 0)
            run.err.append(chunk.data(), static_cast<std::size_t>(n));
        else if (errno != EINTR)
            break;
    }
    return run;
}

// Enough output read: 64 KiB holding a finished line of each thread.
std::function<bool(const std::string &)> both_seen(std::string_view one, std::string_view two) {
    return [one, two](const std::string &out) {
        return out.size() >= 64 * 1024 && out.find(one) != std::string::npos && out.find(two) != std::string::npos;
    };
}

// The complete lines; the part after the last newline was cut off by the kill.
std::vector<std::string_view> whole_lines(std::string_view text) {
    std::vector<std::string_view> lines;
    for (std::size_t end; (end = text.find('\n')) != std::string_view::npos;) {
        lines.push_back(text.substr(0, end));
        text.remove_prefix(end + 1);
    }
    return lines;
}

void expect_killed_while_running(const ProgramRun &run) {
    EXPECT_TRUE(WIFSIGNALED(run.status) && WTERMSIG(run.status) == SIGKILL)
        << "the program was still running when stopped (status " << run.status << ")";
    EXPECT_EQ(run.err, "") << "nothing on standard error";
}

// One pass of each thread's loop, call by call: the guarded one locks around
// its two halves, the split one writes the same halves without a lock, the
// plain one writes each line with a single call.
TEST(Duet, EachPassOfTheLoopMakesItsCalls) {
    struct Case {
        const char *program;
        void *(*slave)(void *);
        int number;
        std::vector<std::string> pass;
    };
    const Case cases[] = {
        {"duet_guarded", duet_guarded_slave, 2, {"lock", "printf START2 -- ", "printf 2STOP\n", "unlock"}},
        {"duet_split", duet_split_slave, 1, {"printf START1 -- ", "printf 1STOP\n"}},
        {"duet_plain", duet_plain_slave, 2, {"printf thread 2\n"}},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.program);
        traced_calls.clear();
        traced_prints = 0;
        pthread_t thread;
        ASSERT_EQ(
            pthread_create(&thread, nullptr, c.slave, reinterpret_cast<void *>(static_cast<std::intptr_t>(c.number))),
            0);
        ASSERT_EQ(pthread_join(thread, nullptr), 0);
        // The passes up to the sixth printf, where the thread was ended.
        std::vector<std::string> expected;
        for (int prints = 0; prints < kTracedPrints;) {
            for (const std::string &call : c.pass) {
                if (prints == kTracedPrints) break;
                expected.push_back(call);
                if (call.starts_with("printf")) ++prints;
            }
        }
        EXPECT_EQ(traced_calls, expected);
    }
}

// The guarded and the plain program: every line whole, one of each thread's.
TEST(Duet, GuardedAndPlainLinesAreAlwaysWhole) {
    struct Case {
        const char *program;
        std::array<std::string, 3> ends;   // per thread, [0] unused
        std::array<std::string, 3> lines;  // the same, without the newline
    };
    const Case cases[] = {
        {"duet_guarded", {"", "1STOP\n", "2STOP\n"}, {"", "START1 -- 1STOP", "START2 -- 2STOP"}},
        {"duet_plain", {"", "thread 1\n", "thread 2\n"}, {"", "thread 1", "thread 2"}},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.program);
        const ProgramRun run = run_until(c.program, both_seen(c.ends[1], c.ends[2]));
        expect_killed_while_running(run);
        const auto lines = whole_lines(run.out);
        ASSERT_FALSE(lines.empty());
        std::array<int, 3> count{};
        for (std::size_t i = 0; i < lines.size(); ++i) {
            if (lines[i] == c.lines[1])
                ++count[1];
            else if (lines[i] == c.lines[2])
                ++count[2];
            else
                ADD_FAILURE() << "line " << i << " is \"" << lines[i] << '"';
        }
        EXPECT_GT(count[1], 0);
        EXPECT_GT(count[2], 0);
    }
}

TEST(Duet, SplitOutputInterleavesWholeCalls) {
    const ProgramRun run = run_until("duet_split", both_seen("1STOP\n", "2STOP\n"));
    expect_killed_while_running(run);

    // Token k: START of thread k % 2 + 1 for k < 2, STOP for k >= 2.
    constexpr std::array<std::string_view, 4> tokens{"START1 -- ", "START2 -- ", "1STOP\n", "2STOP\n"};
    std::string_view rest = run.out;
    std::array<bool, 3> in_line{};  // per thread: START written, STOP not yet
    std::array<int, 3> lines{};
    while (!rest.empty()) {
        std::size_t k = 0;
        while (k < tokens.size() && !rest.starts_with(tokens[k])) ++k;
        if (k == tokens.size()) {
            // Only a call cut off by the kill may remain.
            bool cut_call = false;
            for (auto token : tokens) cut_call = cut_call || token.starts_with(rest);
            ASSERT_TRUE(cut_call) << "not a whole call at byte " << run.out.size() - rest.size() << ": \""
                                  << rest.substr(0, 24) << '"';
            break;
        }
        const int thread = static_cast<int>(k % 2) + 1;
        const bool start = k < 2;
        ASSERT_NE(in_line[thread], start) << "thread " << thread << " wrote its halves out of turn";
        in_line[thread] = start;
        if (!start) ++lines[thread];
        rest.remove_prefix(tokens[k].size());
    }
    EXPECT_GT(lines[1], 0);
    EXPECT_GT(lines[2], 0);
}

}  // namespace
