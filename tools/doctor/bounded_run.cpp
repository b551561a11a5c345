#include "bounded_run.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>

extern char **environ;

namespace tevrak::doctor {
namespace {

constexpr std::size_t kKept = 64 * 1024;

void close_pair(int pair[2]) {
    for (int i = 0; i < 2; ++i) {
        if (pair[i] >= 0) ::close(pair[i]);
        pair[i] = -1;
    }
}

}  // namespace

RunResult run_bounded(const std::vector<std::string> &command, std::chrono::milliseconds bound) {
    RunResult result;
    int out[2] = {-1, -1}, err[2] = {-1, -1};
    if (::pipe2(out, O_CLOEXEC) != 0 || ::pipe2(err, O_CLOEXEC) != 0) {
        close_pair(out);
        close_pair(err);
        return result;
    }
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_adddup2(&actions, out[1], 1);
    posix_spawn_file_actions_adddup2(&actions, err[1], 2);
    // A group of its own, so that the bound ends what the program started too.
    posix_spawnattr_t attributes;
    posix_spawnattr_init(&attributes);
    posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETPGROUP);
    posix_spawnattr_setpgroup(&attributes, 0);
    std::vector<char *> argv;
    for (const std::string &word : command) argv.push_back(const_cast<char *>(word.c_str()));
    argv.push_back(nullptr);
    pid_t pid = -1;
    const int spawned = ::posix_spawnp(&pid, argv[0], &actions, &attributes, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    posix_spawnattr_destroy(&attributes);
    ::close(out[1]);
    ::close(err[1]);
    out[1] = err[1] = -1;
    if (spawned != 0) {
        close_pair(out);
        close_pair(err);
        return result;
    }
    result.started = true;

    const auto deadline = std::chrono::steady_clock::now() + bound;
    pollfd streams[2] = {{out[0], POLLIN, 0}, {err[0], POLLIN, 0}};
    std::string *texts[2] = {&result.out, &result.err};
    int open_streams = 2;
    while (open_streams > 0) {
        const auto left = std::chrono::ceil<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
        if (left.count() <= 0) {
            result.timed_out = true;
            ::kill(-pid, SIGKILL);
            break;
        }
        const int ready = ::poll(streams, 2, static_cast<int>(left.count()));
        if (ready < 0 && errno != EINTR) break;
        for (int i = 0; i < 2; ++i) {
            if (streams[i].fd < 0 || streams[i].revents == 0) continue;
            char chunk[4096];
            const ssize_t n = ::read(streams[i].fd, chunk, sizeof chunk);
            if (n <= 0) {
                streams[i].fd = -1;
                --open_streams;
            } else if (texts[i]->size() < kKept) {
                texts[i]->append(chunk, static_cast<std::size_t>(n));
            }
        }
    }
    close_pair(out);
    close_pair(err);
    // Its outputs are closed; it still gets until the bound to end.
    int status = 0;
    while (!result.timed_out && ::waitpid(pid, &status, WNOHANG) == 0) {
        if (std::chrono::steady_clock::now() >= deadline) {
            result.timed_out = true;
            ::kill(-pid, SIGKILL);
        } else {
            ::usleep(10000);
        }
    }
    if (result.timed_out) ::waitpid(pid, &status, 0);
    result.status = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
    return result;
}

}  // namespace tevrak::doctor
