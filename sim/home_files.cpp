#include "home_files.h"

#include <sys/stat.h>

#include <cstdio>
#include <filesystem>
#include <fstream>

#include "ranger_curve.h"

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

// Replaces the file instead of writing into it: where the robot folder's
// usbSearch is a link to the installed listing program (as the Debian
// package sets it up), the link gives way and the program stays intact.
bool replace_file(const std::string &path, const std::string &text, bool executable) {
    const std::string fresh = path + ".new";
    {
        std::ofstream out(fresh, std::ios::binary | std::ios::trunc);
        out << text;
        if (!out.flush()) return false;
    }
    if ((executable && ::chmod(fresh.c_str(), 0755) != 0) || std::rename(fresh.c_str(), path.c_str()) != 0) {
        std::remove(fresh.c_str());
        return false;
    }
    return true;
}

}  // namespace

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
    if (!(keep_hdt && fs::exists(hdt)) && !replace_file(hdt, default_hdt_text(DriveSetup{}, sensor_count), false)) {
        return "cannot write " + hdt;
    }
    const std::string search = home + "/bin/usbSearch";
    const std::string script = "#!/bin/sh\n# Device listing of the simulated robot: the board behind its link.\necho '" +
                               listing_line(link_path) + "'\n";
    if (!replace_file(search, script, true)) return "cannot write " + search;
    return {};
}

}  // namespace tevrak::sim
