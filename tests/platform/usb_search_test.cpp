// The shipped device listing script, run on a private by-id folder.
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <string>

#include "serial/testing.h"
#include "support/temp_home.h"

namespace {

std::string run(const std::string &command) {
    std::string output;
    FILE *pipe = ::popen(command.c_str(), "r");
    char chunk[256];
    while (pipe != nullptr && std::fgets(chunk, sizeof chunk, pipe) != nullptr) output += chunk;
    if (pipe != nullptr) ::pclose(pipe);
    return output;
}

TEST(UsbSearchScript, ListsByIdNamesWithTheirNodes) {
    tevrak::test::TempHome home;
    const std::string by_id = home.root() + "/by-id";
    std::filesystem::create_directories(by_id);
    home.write_file("dev/ttyACM3", "");
    std::filesystem::create_symlink(home.root() + "/dev/ttyACM3", by_id + "/usb-Acme_Board_1234-if00");
    const std::string script = std::string(USB_SEARCH_SCRIPT);

    const std::string listing = run(script + " " + by_id);
    EXPECT_EQ(listing, "usb-Acme_Board_1234-if00:" + home.root() + "/dev/ttyACM3\n");
    EXPECT_EQ(tevrak::serial::find_device_path(listing, "Board"), home.root() + "/dev/ttyACM3");
    EXPECT_EQ(run(script + " " + home.root() + "/empty"), "") << "no device attached";
}

}  // namespace
