#include "paths.h"

#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "tevrak/home.h"

#ifndef TEVRAK_HOME_DEFAULT
#define TEVRAK_HOME_DEFAULT "/home/pi/tevrak"
#endif

namespace tevrak::paths {
namespace {

struct Paths {
    std::string root;
    std::string hdt;
    std::string usb;
    std::string ir;
    Origin origin;
    std::string tap;
    unsigned generation = 0;

    Paths(std::string_view r, Origin o) { assign(r, o); }

    void assign(std::string_view r, Origin o) {
        origin = o;
        root.assign(r);
        while (root.size() > 1 && root.back() == '/') root.pop_back();
        hdt = root + "/bin/hdt.txt";
        usb = root + "/bin/usbSearch";
        ir = root + "/bin/ir/";
        tap = root + "/tap.sock";
        ++generation;
    }
};

// The longest path below the root: "<root>/bin/usbSearch".
constexpr std::size_t kLongestTail = sizeof "/bin/usbSearch" - 1;

// The length of folder when it can be the robot folder; 0 when it is NULL,
// empty, or so long that a path below it would not fit PATH_MAX.
std::size_t usable_length(const char *folder) {
    if (folder == nullptr) return 0;
    const std::size_t length = strnlen(folder, PATH_MAX);
    return length + kLongestTail >= PATH_MAX ? 0 : length;
}

// The root a process starts with: TEVRAK_HOME when it is set and usable, so
// that one installed library serves any user; the build's default otherwise.
Paths starting_paths() {
    const char *variable = std::getenv("TEVRAK_HOME");
    if (variable == nullptr) return {TEVRAK_HOME_DEFAULT, Origin::built_in};
    if (const std::size_t length = usable_length(variable)) return {{variable, length}, Origin::environment};
    std::fputs("tevrak: TEVRAK_HOME is empty or too long; using " TEVRAK_HOME_DEFAULT "\n", stderr);
    return {TEVRAK_HOME_DEFAULT, Origin::built_in};
}

// Built at the first use of any path, which is the first use of any unit:
// the environment is read once per process.
Paths &current() {
    static Paths paths = starting_paths();
    return paths;
}

std::string &port() {
    static std::string path = "/dev/ttyACM0";
    return path;
}

}  // namespace

const char *hdt_file() { return current().hdt.c_str(); }
const char *usb_search() { return current().usb.c_str(); }
const char *ir_config_dir() { return current().ir.c_str(); }
const char *home() { return current().root.c_str(); }
Origin home_origin() { return current().origin; }
const char *tap_socket() { return current().tap.c_str(); }
unsigned home_generation() { return current().generation; }
const char *default_port() { return port().c_str(); }

void set_home(std::string_view root, Origin origin) { current().assign(root, origin); }
void set_default_port(std::string_view path) { port().assign(path); }

}  // namespace tevrak::paths

extern "C" int HDTSetHome(const char *folder) {
    const std::size_t length = tevrak::paths::usable_length(folder);
    if (length == 0) return 1;
    tevrak::paths::set_home(std::string_view(folder, length));
    return 0;
}
