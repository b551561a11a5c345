// The library's start-up against robot folders another user could change
// (it would run their bin/usbSearch as whoever runs the robot program), and
// against a device listing that names a file which is no serial port.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <functional>
#include <string>

#include "serial/testing.h"
#include "support/board_fixture.h"
#include "support/temp_home.h"
#include "tevrak/serial.h"

namespace {

namespace serial = tevrak::serial;
using tevrak::test::OutputCapture;
using tevrak::test::TempHome;

struct Folder {
    const char *name;
    // Spoils the folder (root, ran: the file the listing touches).
    std::function<void(const TempHome &)> change;
    const char *refused;  // the path named in the refusal, below the root; nullptr: accepted
    bool listed;          // the listing ran and named the board
    bool needs_root = false;
};

class RobotFolder : public testing::TestWithParam<Folder> {};

TEST_P(RobotFolder, IsUsedOnlyWhenNoOtherUserCanChangeIt) {
    const Folder &folder = GetParam();
    if (folder.needs_root && ::geteuid() != 0) GTEST_SKIP() << "only root can give a file to another user";
    TempHome home;
    serial::reset();
    home.write_hdt("USB 1 board\n");
    home.write_file("bin/usbSearch.txt", "usb-Acme_board-if00:/dev/board\n");
    home.write_file("bin/usbSearch",
                    "#!/bin/sh\ntouch '" + home.root() + "/ran'\nexec cat '" + home.root() + "/bin/usbSearch.txt'\n");
    ::chmod((home.bin() + "/usbSearch").c_str(), 0755);
    folder.change(home);
    OutputCapture output;
    const int found = SERGetPaths();
    output.stop();
    const std::string named = folder.refused != nullptr ? home.root() + folder.refused : "";
    EXPECT_EQ(std::filesystem::exists(home.root() + "/ran"), folder.listed);
    EXPECT_EQ(std::string(serial::state.USBPATH1) == "/dev/board", folder.listed);
    if (named.empty()) {
        EXPECT_EQ(found, 0);
        EXPECT_EQ(output.err(), "");
    } else {
        EXPECT_NE(output.err().find("tevrak: refusing " + named + ": "), std::string::npos) << output.err();
        EXPECT_NE(output.err().find("(fix: "), std::string::npos) << output.err();
    }
}

void chmod_in(const TempHome &home, const char *relative, mode_t mode) {
    ::chmod((home.root() + relative).c_str(), mode);
}

INSTANTIATE_TEST_SUITE_P(
    Startup, RobotFolder,
    testing::Values(
        // In /tmp, which others write: above the robot folder is the user's choice.
        Folder{"Private", [](const TempHome &) {}, nullptr, true},
        Folder{"ListingOthersMayWrite", [](const TempHome &home) { chmod_in(home, "/bin/usbSearch", 0777); },
               "/bin/usbSearch", false},
        Folder{"BinTheGroupMayWrite", [](const TempHome &home) { chmod_in(home, "/bin", 0775); }, "/bin", false},
        Folder{"RobotFolderOthersMayWrite", [](const TempHome &home) { chmod_in(home, "", 0757); }, "", false},
        Folder{"HdtOthersMayWrite", [](const TempHome &home) { chmod_in(home, "/bin/hdt.txt", 0646); }, "/bin/hdt.txt",
               false},
        Folder{"ListingOfAnotherUser",
               [](const TempHome &home) {
                   const passwd *nobody = ::getpwnam("nobody");
                   if (nobody != nullptr) ::chown((home.bin() + "/usbSearch").c_str(), nobody->pw_uid, 0);
               },
               "/bin/usbSearch", false, true}),
    [](const testing::TestParamInfo<Folder> &info) { return std::string(info.param.name); });

struct NotAPort {
    const char *name;
    std::function<void(const std::string &path)> make;
};

class ListedPort : public testing::TestWithParam<NotAPort> {};

// A listing that names a file of the user's: the library opens it only when
// it is a character device, and writes nothing to it.
TEST_P(ListedPort, OtherThanACharacterDeviceIsRefused) {
    TempHome home;
    serial::reset();
    const std::string victim = home.root() + "/victim";
    GetParam().make(victim);
    home.write_hdt("USB 1 board\n");
    home.write_listing("usb-Acme_board-if00:" + victim + "\n");
    struct stat before {};
    ::lstat(victim.c_str(), &before);
    OutputCapture output;
    EXPECT_EQ(SERInit(1, 115200, 0), 1);
    output.stop();
    EXPECT_LT(serial::state.fd, 0);
    EXPECT_NE(output.err().find("tevrak: refusing " + victim + " as the board's port: it is not a character device"),
              std::string::npos)
        << output.err();
    struct stat after {};
    ::lstat(victim.c_str(), &after);
    EXPECT_EQ(after.st_size, before.st_size);
    EXPECT_EQ(after.st_mtime, before.st_mtime);
}

INSTANTIATE_TEST_SUITE_P(
    Startup, ListedPort,
    testing::Values(NotAPort{"PlainFile", [](const std::string &path) { std::ofstream(path) << "mine\n"; }},
                    NotAPort{"Fifo", [](const std::string &path) { ::mkfifo(path.c_str(), 0600); }}),
    [](const testing::TestParamInfo<NotAPort> &info) { return std::string(info.param.name); });

struct SetupFolder {
    const char *name;
    const char *folder;  // below the test's root: open/ (0777), shared/ (1777), home/ (the user's)
    mode_t made_mode;    // made before tevrak-setup runs, with this mode (0: not made)
    bool users;          // the folder made belongs to the user (else to root)
    bool taken;          // tevrak-setup makes bin/ in it
    const char *said;    // what tevrak-setup says (@: the test's root)
};

class Setup : public testing::TestWithParam<SetupFolder> {};

// tevrak-setup as a user (nobody, when the test runs as root): a folder
// another user could change is refused; one in a shared sticky folder is
// taken only when it is the user's alone, with a warning.
TEST_P(Setup, RefusesAFolderOthersCouldChange) {
    const SetupFolder &param = GetParam();
    if (!std::filesystem::exists(TEVRAK_SETUP)) GTEST_SKIP() << "no tevrak-setup in this build";
    const bool root = ::geteuid() == 0;
    if (!param.users && !root) GTEST_SKIP() << "only root can make a folder of another user's";
    TempHome temp;
    const std::string base = temp.root();
    ::chmod(base.c_str(), 0755);
    const uid_t user = root ? 65534 : ::geteuid();
    for (const auto &[name, mode] : {std::pair{"/open", 0777}, {"/shared", 01777}, {"/home", 0755}}) {
        ::mkdir((base + name).c_str(), 0700);
        ::chmod((base + name).c_str(), static_cast<mode_t>(mode));
    }
    ::chown((base + "/home").c_str(), user, user);
    const std::string folder = base + param.folder;
    if (param.made_mode != 0) {
        ::mkdir(folder.c_str(), 0700);
        ::chmod(folder.c_str(), param.made_mode);
        if (param.users) ::chown(folder.c_str(), user, user);
    }
    const std::string as_user = root ? "setpriv --reuid=65534 --regid=65534 --clear-groups " : "";
    const std::string command =
        as_user + "env HOME=" + base + "/home sh " TEVRAK_SETUP " " + folder + " > " + base + "/said 2>&1";
    (void)std::system(command.c_str());
    const std::string said = tevrak::test::read_file(base + "/said");
    std::string expected = param.said;
    for (auto at = expected.find("@"); at != std::string::npos; at = expected.find("@")) expected.replace(at, 1, base);
    EXPECT_NE(said.find(expected), std::string::npos) << said;
    EXPECT_EQ(std::filesystem::exists(folder + "/bin"), param.taken) << said;
}

INSTANTIATE_TEST_SUITE_P(
    Startup, Setup,
    testing::Values(
        SetupFolder{"OwnFolder", "/home/tevrak", 0, true, true, "tevrak-setup: made @/home/tevrak/bin/usbSearch"},
        SetupFolder{"InAFolderOthersWrite", "/open/tevrak", 0, true, false,
                    "others may write in @/open, and replace the robot folder there"},
        SetupFolder{"OthersMayWriteIt", "/home/tevrak", 0777, true, false, "chmod go-w @/home/tevrak"},
        SetupFolder{"MadeInASharedFolder", "/shared/tevrak", 0, true, true,
                    "tevrak-setup: warning: @/shared/tevrak lies in @/shared, which others share and which is emptied "
                    "at reboot"},
        SetupFolder{"OwnInASharedFolder", "/shared/tevrak", 0700, true, true, "tevrak-setup: made @/shared/tevrak/bin"},
        SetupFolder{"AnothersInASharedFolder", "/shared/tevrak", 0755, false, false, "belongs to someone else"}),
    [](const testing::TestParamInfo<SetupFolder> &info) { return std::string(info.param.name); });

}  // namespace
