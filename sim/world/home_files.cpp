#include "sim/world/home_files.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <filesystem>

#include "sim/world/home_folder.h"
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

}  // namespace

bool replace_file(const std::string &path, std::string_view text, unsigned mode) {
    namespace fs = std::filesystem;
    const fs::path file(path);
    const std::string parent = file.has_parent_path() ? file.parent_path().string() : ".";
    const FolderDescriptor folder(::open(parent.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    return folder.get() >= 0 && replace_file_at(folder.get(), file.filename().string(), text, mode);
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

std::string prepare_home(int home_fd, const std::string &home, const std::string &link_path, int sensor_count,
                         bool keep_hdt) {
    const FolderDescriptor bin(open_subfolder(home_fd, "bin"));
    if (bin.get() < 0) return "cannot create " + home + "/bin as a folder of this user's (a link is not followed)";
    struct stat existing {};
    const bool kept = keep_hdt && ::fstatat(bin.get(), "hdt.txt", &existing, AT_SYMLINK_NOFOLLOW) == 0;
    if (!kept && !replace_file_at(bin.get(), "hdt.txt", default_hdt_text(DriveSetup{}, sensor_count), 0644)) {
        return "cannot write " + home + "/bin/hdt.txt";
    }
    const std::string script =
        "#!/bin/sh\n# Device listing of the simulated robot: the board behind its link.\necho '" +
        listing_line(link_path) + "'\n";
    if (!replace_file_at(bin.get(), "usbSearch", script, 0755)) return "cannot write " + home + "/bin/usbSearch";
    return {};
}

}  // namespace tevrak::sim
