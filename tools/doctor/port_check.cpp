// The serial port of interface 1: there, a character device, open to this
// user (and if not, which group is missing), and held by no other program.
#include <dirent.h>
#include <fcntl.h>
#include <grp.h>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <climits>
#include <cstdlib>
#include <fstream>
#include <set>
#include <string>
#include <vector>

#include "checks.h"

namespace tevrak::doctor {
namespace {

std::string link_target(const std::string &path) {
    char target[PATH_MAX];
    const ssize_t n = ::readlink(path.c_str(), target, sizeof target - 1);
    return n > 0 ? std::string(target, static_cast<std::size_t>(n)) : std::string();
}

std::string program_name(const std::string &pid) {
    std::ifstream comm("/proc/" + pid + "/comm");
    std::string name;
    std::getline(comm, name);
    return name.empty() ? "?" : name;
}

// The index of the pseudo-terminal whose master an open descriptor is.
int master_index(const std::string &pid, const std::string &fd) {
    std::ifstream info("/proc/" + pid + "/fdinfo/" + fd);
    std::string line;
    while (std::getline(info, line)) {
        if (line.rfind("tty-index:", 0) == 0) return std::atoi(line.c_str() + 10);
    }
    return -1;
}

struct Holder {
    std::string pid, name;
};

// Programs that hold the device open, those that hold its pseudo-terminal's
// master (the simulator's own end) left out. Processes of other users this
// user may not look into stay unseen.
std::vector<Holder> holders_of(const std::string &device) {
    int pty_index = -1;
    if (device.rfind("/dev/pts/", 0) == 0) pty_index = std::atoi(device.c_str() + 9);
    std::vector<Holder> holders;
    std::set<std::string> masters;
    const std::string self = std::to_string(::getpid());
    DIR *proc = ::opendir("/proc");
    if (proc == nullptr) return holders;
    while (const dirent *entry = ::readdir(proc)) {
        const std::string pid = entry->d_name;
        if (pid.find_first_not_of("0123456789") != std::string::npos || pid == self) continue;
        const std::string fds = "/proc/" + pid + "/fd";
        DIR *dir = ::opendir(fds.c_str());
        if (dir == nullptr) continue;
        bool holds = false;
        while (const dirent *fd = ::readdir(dir)) {
            const std::string target = link_target(fds + "/" + fd->d_name);
            if (target == device) holds = true;
            if (pty_index >= 0 && target.find("ptmx") != std::string::npos &&
                master_index(pid, fd->d_name) == pty_index) {
                masters.insert(pid);
            }
        }
        ::closedir(dir);
        if (holds) holders.push_back({pid, program_name(pid)});
    }
    ::closedir(proc);
    std::erase_if(holders, [&](const Holder &holder) { return masters.count(holder.pid) != 0; });
    return holders;
}

bool this_login_has(gid_t gid) {
    if (::getegid() == gid) return true;
    const int count = ::getgroups(0, nullptr);
    std::vector<gid_t> groups(static_cast<std::size_t>(count > 0 ? count : 0));
    if (count > 0 && ::getgroups(count, groups.data()) == count) {
        for (gid_t group : groups) {
            if (group == gid) return true;
        }
    }
    return false;
}

// The user's groups as the group database lists them now.
bool user_listed_in(gid_t gid) {
    const passwd *user = ::getpwuid(::geteuid());
    if (user == nullptr) return false;
    if (user->pw_gid == gid) return true;
    const group *entry = ::getgrgid(gid);
    if (entry == nullptr) return false;
    for (char **member = entry->gr_mem; *member != nullptr; ++member) {
        if (std::string(*member) == user->pw_name) return true;
    }
    return false;
}

std::string permission_fix(const struct stat &info) {
    const group *entry = ::getgrgid(info.st_gid);
    const std::string name = entry != nullptr ? entry->gr_name : std::to_string(info.st_gid);
    const passwd *user = ::getpwuid(::geteuid());
    const std::string me = user != nullptr ? user->pw_name : "$USER";
    if ((info.st_mode & (S_IRGRP | S_IWGRP)) != (S_IRGRP | S_IWGRP)) {
        return "its group " + name +
               " may not use it either: install the board's udev rule (/usr/share/tevrak/99-tevrak-board.rules) and "
               "plug the board in again";
    }
    if (this_login_has(info.st_gid)) return "this login is in group " + name + " but still may not open it";
    if (user_listed_in(info.st_gid)) {
        return "you are in group " + name + " but this login is not: log out and in again";
    }
    return "you are not in group " + name + ": sudo adduser " + me + " " + name + ", then log out and in again";
}

}  // namespace

void check_port(Report &report, Context &context) {
    if (!context.usb_ok) return;
    const std::string check = "serial port " + context.port;
    struct stat info {};
    if (::stat(context.port.c_str(), &info) != 0) {
        report.fail(check, "does not exist", "plug the board in (and check the USB line of hdt.txt)");
        return;
    }
    if (!S_ISCHR(info.st_mode)) {
        report.fail(
            check, S_ISREG(info.st_mode) ? "is not a character device but a regular file" : "is not a character device",
            "remove it and plug the board in; check that hdt.txt's USB line names the board");
        return;
    }
    if (::access(context.port.c_str(), R_OK | W_OK) != 0) {
        report.fail(check, "permission denied", permission_fix(info));
        return;
    }
    char resolved[PATH_MAX];
    const std::string device = ::realpath(context.port.c_str(), resolved) != nullptr ? resolved : context.port;
    const auto holders = holders_of(device);
    if (!holders.empty()) {
        std::string names;
        for (const Holder &holder : holders)
            names += (names.empty() ? "" : ", ") + holder.name + " (pid " + holder.pid + ")";
        report.fail(check, "held by another program: " + names,
                    "end it first (two programs on one board mix their bytes)");
        return;
    }
    report.ok(check, "a character device this user may open, held by no other program");
    context.port_ok = true;
}

}  // namespace tevrak::doctor
