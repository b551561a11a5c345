#include "support/temp_home.h"

#include <dirent.h>
#include <sys/stat.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <stdexcept>

#include "config/paths.h"

namespace tevrak::test {

TempHome::TempHome() {
    char pattern[] = "/tmp/tevrak-XXXXXX";
    if (mkdtemp(pattern) == nullptr) throw std::runtime_error("mkdtemp failed");
    root_ = pattern;
    std::filesystem::create_directories(root_ + "/bin/ir");
    // Whatever the umask: the library refuses robot files others may write.
    ::chmod((root_ + "/bin").c_str(), 0755);
    ::chmod((root_ + "/bin/ir").c_str(), 0755);
    paths::set_home(root_);
    paths::set_default_port(root_ + "/dev/ttyACM0");
}

TempHome::~TempHome() {
    std::error_code ignored;
    std::filesystem::remove_all(root_, ignored);
}

void TempHome::write_file(std::string_view relative, std::string_view text) const {
    const std::filesystem::path path = std::filesystem::path(root_) / relative;
    std::filesystem::create_directories(path.parent_path());
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(text.data(), static_cast<std::streamsize>(text.size()));
    ::chmod(path.c_str(), 0644);
}

void TempHome::write_hdt(std::string_view text) const { write_file("bin/hdt.txt", text); }

void TempHome::remove_hdt() const { std::filesystem::remove(hdt_path()); }

void TempHome::write_listing(std::string_view listing) const {
    // The listing goes into a data file that the script prints unchanged.
    write_file("bin/usbSearch.txt", listing);
    const std::string script = "#!/bin/sh\nexec cat '" + root_ + "/bin/usbSearch.txt'\n";
    write_file("bin/usbSearch", script);
    ::chmod((root_ + "/bin/usbSearch").c_str(), 0755);
}

std::string read_file(const std::string &path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

int open_descriptor_count() {
    int count = 0;
    DIR *dir = ::opendir("/proc/self/fd");
    if (dir == nullptr) return -1;
    while (const dirent *entry = ::readdir(dir)) {
        if (entry->d_name[0] != '.') ++count;
    }
    ::closedir(dir);
    return count - 1;  // the directory's own descriptor
}

}  // namespace tevrak::test
