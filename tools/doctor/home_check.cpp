// The robot folder: which one, why, and whether its files are safe to run.
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <fstream>
#include <string>

#include "checks.h"
#include "config/paths.h"

namespace tevrak::doctor {
namespace {

// True when ~/.profile sets TEVRAK_HOME.
bool profile_sets_home() {
    const char *home = std::getenv("HOME");
    if (home == nullptr) return false;
    std::ifstream profile(std::string(home) + "/.profile");
    std::string line;
    while (std::getline(profile, line)) {
        const auto at = line.find("TEVRAK_HOME=");
        if (at != std::string::npos && line.find('#') > at) return true;
    }
    return false;
}

std::string user_name(uid_t uid) {
    const passwd *entry = ::getpwuid(uid);
    return entry != nullptr ? entry->pw_name : std::to_string(uid);
}

// The library runs bin/usbSearch and trusts hdt.txt: each must belong to
// this user or root, and no one else may write it or the folders above it.
// False when it is unsafe.
bool check_safety(Report &report, const std::string &path, bool required) {
    struct stat info {};
    if (::stat(path.c_str(), &info) != 0) {
        if (required) report.fail("robot folder file " + path, "missing", "run tevrak-setup to make it");
        return true;
    }
    const uid_t me = ::geteuid();
    if (info.st_uid != me && info.st_uid != 0) {
        report.fail("robot folder file " + path, "owned by " + user_name(info.st_uid) + ", not by you or root",
                    "chown " + user_name(me) + " '" + path + "'");
        return false;
    }
    if ((info.st_mode & (S_IWGRP | S_IWOTH)) != 0) {
        report.fail(
            "robot folder file " + path,
            "others may change it (mode " +
                [&] {
                    char mode[8];
                    std::snprintf(mode, sizeof mode, "%04o", static_cast<unsigned>(info.st_mode & 07777));
                    return std::string(mode);
                }() +
                ")",
            "chmod go-w '" + path + "'");
        return false;
    }
    return true;
}

}  // namespace

void check_home(Report &report, Context &context) {
    const std::string home = paths::home();
    const char *variable = std::getenv("TEVRAK_HOME");
    std::string why;
    if (variable != nullptr && *variable != '\0') {
        why = "set by TEVRAK_HOME";
    } else if (profile_sets_home()) {
        report.warn("robot folder " + home,
                    "the built-in default: TEVRAK_HOME is set in ~/.profile only, not in this login",
                    "log out and in again (or run . ~/.profile)");
        why.clear();
    } else {
        why = "the built-in default";
    }
    struct stat info {};
    if (::stat(home.c_str(), &info) != 0 || !S_ISDIR(info.st_mode)) {
        report.fail("robot folder " + home, "does not exist",
                    "run tevrak-setup to make it, or set TEVRAK_HOME to your robot folder");
        return;
    }
    if (!why.empty()) report.ok("robot folder " + home, why);
    context.home_ok = true;
    const std::size_t failures_before = report.failures();
    // The doctor runs bin/usbSearch only when no one else could have put
    // code there: it may run as root.
    const bool home_safe = check_safety(report, home, true);
    const bool bin_safe = check_safety(report, home + "/bin", true);
    check_safety(report, paths::hdt_file(), false);
    const bool program_safe = check_safety(report, paths::usb_search(), false);
    context.listing_safe = home_safe && bin_safe && program_safe;
    if (report.failures() == failures_before) {
        report.ok("robot folder files",
                  "bin/, bin/hdt.txt and bin/usbSearch belong to you or root, only their owner may change them");
    }
}

}  // namespace tevrak::doctor
