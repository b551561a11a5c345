#include "paths.h"

#include <climits>
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

    explicit Paths(std::string_view r) { assign(r); }

    void assign(std::string_view r) {
        root.assign(r);
        while (root.size() > 1 && root.back() == '/') root.pop_back();
        hdt = root + "/bin/hdt.txt";
        usb = root + "/bin/usbSearch";
        ir = root + "/bin/ir/";
    }
};

Paths &current() {
    static Paths paths(TEVRAK_HOME_DEFAULT);
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
const char *default_port() { return port().c_str(); }

void set_home(std::string_view root) { current().assign(root); }
void set_default_port(std::string_view path) { port().assign(path); }

}  // namespace tevrak::paths

extern "C" int HDTSetHome(const char *folder) {
    // The longest path below the root: "<root>/bin/usbSearch".
    constexpr std::size_t kLongestTail = sizeof "/bin/usbSearch" - 1;
    if (folder == nullptr) return 1;
    const std::size_t length = strnlen(folder, PATH_MAX);
    if (length == 0 || length + kLongestTail >= PATH_MAX) return 1;
    tevrak::paths::set_home(std::string_view(folder, length));
    return 0;
}
