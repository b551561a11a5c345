#include "config/robot_files.h"

#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <string_view>

#include "config/paths.h"

namespace tevrak::config {
namespace {

std::string user_name(uid_t uid) {
    const passwd *user = ::getpwuid(uid);
    return user != nullptr ? user->pw_name : "user " + std::to_string(uid);
}

// The problem of one file or folder, empty when there is none.
std::string problem_of(const std::string &path) {
    struct stat status {};
    if (::stat(path.c_str(), &status) != 0) return {};
    const uid_t me = ::geteuid();
    if (status.st_uid != me && status.st_uid != 0) {
        return "tevrak: refusing " + path + ": it belongs to " + user_name(status.st_uid) +
               ", who could make this program run their code (fix: chown " + user_name(me) + " " + path +
               ", or run the program as " + user_name(status.st_uid) + ")\n";
    }
    if ((status.st_mode & (S_IWGRP | S_IWOTH)) != 0) {
        return "tevrak: refusing " + path + ": group or others may write it (fix: chmod go-w " + path + ")\n";
    }
    return {};
}

}  // namespace

std::string robot_file_problem(const char *path) {
    std::string file(path);
    if (auto problem = problem_of(file); !problem.empty()) return problem;
    std::string_view home = paths::home();
    const bool inside = file.size() > home.size() && file.compare(0, home.size(), home) == 0 &&
                        (home == "/" || file[home.size()] == '/');
    // The folders above, from the file's own up to the robot folder.
    for (auto slash = file.rfind('/'); slash != std::string::npos && slash > 0; slash = file.rfind('/', slash - 1)) {
        const std::string folder = file.substr(0, slash);
        if (auto problem = problem_of(folder); !problem.empty()) return problem;
        if (!inside || folder.size() <= home.size()) break;
    }
    return {};
}

int refuse_unsafe_robot_file(const char *path) {
    const std::string problem = robot_file_problem(path);
    if (problem.empty()) return 0;
    std::fputs(problem.c_str(), stderr);
    return EPERM;
}

}  // namespace tevrak::config
