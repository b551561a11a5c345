#include "sim/world/home_files.h"

#include <fcntl.h>
#include <grp.h>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <filesystem>

#include "sim/world/ranger_curve.h"

namespace tevrak::sim {
namespace {

// Link paths must fit the serial link's 256-character path slots, and the
// listing its 1200-character buffer.
constexpr std::size_t kLongestHome = 180;

std::string join(const std::vector<int> &values) {
    std::string text;
    for (int value : values) text += " " + std::to_string(value);
    return text;
}

// The user's name, or its number when it has none.
std::string user_name(uid_t uid) {
    const passwd *user = ::getpwuid(uid);
    return user != nullptr ? user->pw_name : "user " + std::to_string(uid);
}

}  // namespace

bool replace_file(const std::string &path, std::string_view text, unsigned mode) {
    std::string fresh = path + ".XXXXXX";
    const int fd = ::mkostemp(fresh.data(), O_CLOEXEC);
    if (fd < 0) return false;
    bool written = ::fchmod(fd, static_cast<mode_t>(mode)) == 0;
    while (written && !text.empty()) {
        const ssize_t n = ::write(fd, text.data(), text.size());
        if (n < 0 && errno == EINTR) continue;
        written = n > 0;
        if (written) text.remove_prefix(static_cast<std::size_t>(n));
    }
    written = ::close(fd) == 0 && written;
    if (written && std::rename(fresh.c_str(), path.c_str()) == 0) return true;
    ::unlink(fresh.c_str());
    return false;
}

std::string take_home_owner(const std::string &home, bool as_owner) {
    if (::geteuid() != 0) return {};
    namespace fs = std::filesystem;
    // The folder with its links resolved, or the nearest folder above it
    // that exists (the rest is made later, by whoever the simulator runs
    // as), and every folder above: whoever owns one of them can put anything
    // in the robot folder's place.
    std::error_code error;
    fs::path folder = fs::weakly_canonical(fs::absolute(home), error);
    if (error) folder = fs::absolute(home).lexically_normal();
    struct stat status {};
    uid_t uid = 0;
    for (;; folder = folder.parent_path()) {
        if (::lstat(folder.c_str(), &status) == 0 && status.st_uid != 0) {
            uid = status.st_uid;
            break;
        }
        if (!folder.has_relative_path()) break;
    }
    if (uid == 0) return {};
    const std::string name = user_name(uid);
    if (!as_owner) {
        return "running as root, and " + folder.string() + " belongs to " + name +
               ", who could make root write through links planted there: run tevrak-sim as " + name +
               ", or add --as-owner to run it as " + name;
    }
    // Become the owner for good: groups first, while still allowed.
    const passwd *user = ::getpwuid(uid);
    const gid_t gid = user != nullptr ? user->pw_gid : status.st_gid;
    const bool groups = user != nullptr ? ::initgroups(user->pw_name, gid) == 0 : ::setgroups(0, nullptr) == 0;
    if (!groups || ::setgid(gid) != 0 || ::setuid(uid) != 0 || ::getuid() != uid || ::geteuid() != uid ||
        ::getegid() != gid || ::setuid(0) == 0) {
        return "cannot run as " + name + ", the owner of " + folder.string();
    }
    return {};
}

std::string default_hdt_text(const DriveSetup &setup, int sensor_count) {
    std::string text =
        "# A simulated robot, written by tevrak-sim (start it with --keep-hdt to keep your edits).\n"
        "USB 1 board\n";
    text += "ENCODER 1 " + std::to_string(setup.ticks_per_revolution) + "\n";
    const int flags = setup.flag_code & 3;
    text += "DRIVE " + std::to_string(setup.wheel_diameter) + " " + std::to_string(setup.wheel_track) + " " +
            std::to_string((flags & 2) != 0 ? 1 : 0) + " " + std::to_string((flags & 1) != 0 ? 1 : 0) + "\n";
    text += "KINEMA 10 5 2 1\n";
    text += "SERVO camera 0 255 servo\n";
    text += "SERVO gripper 20 230 servo\n";
    text += "MOTOR left motor\n";
    text += "MOTOR right motor\n";
    static const char *const kNames[] = {"front", "left", "right"};
    for (int n = 0; n < sensor_count; ++n) {
        const std::string name = sensor_count <= 3 ? kNames[n] : "psd" + std::to_string(n + 1);
        text += "PSD " + name + " psd\n";
    }
    // Servo table: 16 raw positions over 0..255; motor table: speed 0..100
    // onto raw power 0..127 in 11 steps.
    std::vector<int> servo;
    for (int i = 0; i < 16; ++i) servo.push_back(i * 255 / 15);
    std::vector<int> motor;
    for (int i = 0; i <= 10; ++i) motor.push_back(i * 127 / 10);
    text += "TABLE servo" + join(servo) + "\n";
    text += "TABLE motor" + join(motor) + "\n";
    text += ranger::table_line("psd") + "\n";
    return text;
}

std::string listing_line(const std::string &link_path) { return "usb-Tevrak_board_sim-if00:" + link_path; }

std::string check_home_path(const std::string &home) {
    if (home.empty()) return "the robot folder is empty";
    if (home.find_first_of(":\n'\\") != std::string::npos) {
        return "the robot folder must not contain ':', a newline, a quote or a backslash: " + home;
    }
    if (home.size() > kLongestHome) return "the robot folder's path is too long (at most 180 characters): " + home;
    return {};
}

std::string prepare_home(const std::string &home, const std::string &link_path, int sensor_count,
                         bool keep_hdt) {
    namespace fs = std::filesystem;
    std::error_code error;
    fs::create_directories(home + "/bin", error);
    if (error) return "cannot create " + home + "/bin: " + error.message();
    const std::string hdt = home + "/bin/hdt.txt";
    if (!(keep_hdt && fs::exists(hdt)) && !replace_file(hdt, default_hdt_text(DriveSetup{}, sensor_count), 0644)) {
        return "cannot write " + hdt;
    }
    const std::string search = home + "/bin/usbSearch";
    const std::string script = "#!/bin/sh\n# Device listing of the simulated robot: the board behind its link.\necho '" +
                               listing_line(link_path) + "'\n";
    if (!replace_file(search, script, 0755)) return "cannot write " + search;
    return {};
}

}  // namespace tevrak::sim
