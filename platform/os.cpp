#include "os.h"

#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <string>

extern char **environ;

const char *OSExecute(const char *path) {
    static std::string output;
    output.clear();
    if (path == nullptr) return output.c_str();

    int pipe_fds[2];
    if (::pipe2(pipe_fds, O_CLOEXEC) != 0) return output.c_str();

    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, pipe_fds[1], STDOUT_FILENO);
    char *argv[] = {const_cast<char *>(path), nullptr};
    pid_t pid = -1;
    const int spawned = posix_spawn(&pid, path, &actions, nullptr, argv, environ);
    posix_spawn_file_actions_destroy(&actions);
    ::close(pipe_fds[1]);

    if (spawned == 0) {
        char chunk[512];
        for (;;) {
            const ssize_t n = ::read(pipe_fds[0], chunk, sizeof chunk);
            if (n > 0) {
                output.append(chunk, static_cast<std::size_t>(n));
            } else if (n < 0 && errno == EINTR) {
                continue;
            } else {
                break;
            }
        }
        int status = 0;
        while (::waitpid(pid, &status, 0) < 0 && errno == EINTR) {}
    }
    ::close(pipe_fds[0]);
    return output.c_str();
}

void OSStrcpy_n(char *dest, const char *src, int n) {
    if (dest == nullptr || n < 1) return;
    if (src == nullptr) src = "";
    const std::size_t length = strnlen(src, static_cast<std::size_t>(n - 1));
    std::memcpy(dest, src, length);
    dest[length] = '\0';
}
