// What tevrak-sim and its scripts write, and where: run as root
// in a folder another user owns, the simulator follows none of the links
// planted there, and the valgrind script keeps to the build folder.
#include <gtest/gtest.h>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

#include "support/sim_process.h"
#include "support/temp_home.h"

namespace {

using namespace std::chrono_literals;
using tevrak::test::read_file;
using tevrak::test::SimProcess;
using tevrak::test::TempHome;

struct stat status_of(const std::string &path) {
    struct stat status {};
    ::lstat(path.c_str(), &status);
    return status;
}

TEST(SimFiles, RootFollowsNoLinkPlantedInAnotherUsersFolder) {
    if (::geteuid() != 0) GTEST_SKIP() << "run as root to check what root does in another user's folder";
    const passwd *nobody = ::getpwnam("nobody");
    ASSERT_NE(nobody, nullptr);
    TempHome temp;
    ::chmod(temp.root().c_str(), 0755);  // the folder's owner may pass
    const std::string folder = temp.root() + "/robot";
    const std::string secret = temp.root() + "/secret";  // root's, 0600
    std::ofstream(secret) << "root's\n";
    ::chmod(secret.c_str(), 0600);
    std::filesystem::create_directories(folder + "/bin");
    // The links the folder's owner plants for root to write through.
    ::symlink(secret.c_str(), (folder + "/bin/usbSearch.new").c_str());
    ::symlink(secret.c_str(), (folder + "/run.svg").c_str());
    ::symlink((temp.root() + "/made").c_str(), (folder + "/sim.lock").c_str());
    for (const auto &entry : std::filesystem::recursive_directory_iterator(folder)) {
        ::lchown(entry.path().c_str(), nobody->pw_uid, nobody->pw_gid);
    }
    ::lchown(folder.c_str(), nobody->pw_uid, nobody->pw_gid);
    const auto untouched = [&] {
        EXPECT_EQ(read_file(secret), "root's\n");
        EXPECT_EQ(status_of(secret).st_mode & 07777, 0600u);
        EXPECT_FALSE(std::filesystem::exists(temp.root() + "/made"));
    };

    // Refused, before anything is written.
    SimProcess refused({"--home", folder, "--log", folder + "/frames.log"});
    EXPECT_EQ(refused.wait_exit(), 1);
    EXPECT_FALSE(std::filesystem::exists(folder + "/bin/usbSearch"));
    untouched();

    // As the owner: nothing planted is followed, what it writes is its own.
    ::unlink((folder + "/sim.lock").c_str());  // a link there is refused
    SimProcess owner({"--as-owner", "--home", folder, "--log", folder + "/frames.log"});
    ASSERT_FALSE(owner.wait_for_line("tevrak-sim: board ready").empty());
    std::ofstream(folder + "/sim.ctl") << "quit\n";
    EXPECT_EQ(owner.wait_exit(), 0);
    untouched();
    EXPECT_TRUE(std::filesystem::is_symlink(folder + "/bin/usbSearch.new"));
    for (const char *file : {"/run.svg", "/bin/usbSearch", "/bin/hdt.txt", "/sim.lock"}) {
        const struct stat written = status_of(folder + file);
        EXPECT_TRUE(S_ISREG(written.st_mode)) << file;
        EXPECT_EQ(written.st_uid, nobody->pw_uid) << file;
    }
    EXPECT_EQ(status_of(folder + "/bin/usbSearch").st_mode & 07777, 0755u);
}

// A robot folder named through a link: whatever the link leads to later,
// every file goes into the one folder opened at the start, never into
// victim/, which stands for a folder of another user's.
struct LinkedHome {
    const char *name;
    const char *home;  // below the test's root; l is a link to real/
    bool swap;         // l is pointed at victim/ once the board is ready
};

class SimHome : public testing::TestWithParam<LinkedHome> {};

TEST_P(SimHome, WritesNothingThroughALinkInItsPath) {
    TempHome temp;
    const std::string root = temp.root();
    for (const char *folder : {"/real/robot", "/victim/robot", "/victim/inner"}) {
        std::filesystem::create_directories(root + folder);
    }
    ::symlink((root + "/real").c_str(), (root + "/l").c_str());
    ::symlink((root + "/real/robot").c_str(), (root + "/victim/inner/l").c_str());
    SimProcess sim({"--home", root + GetParam().home, "--log", root + "/frames.log"});
    ASSERT_FALSE(sim.wait_for_line("tevrak-sim: board ready").empty());
    // Where the simulator's FIFO is: the folder it uses.
    std::string used;
    for (const char *folder : {"/real", "/real/robot", "/victim", "/victim/inner"}) {
        if (std::filesystem::exists(root + folder + "/sim.ctl")) used = folder;
    }
    ASSERT_FALSE(used.empty());
    if (GetParam().swap) {
        ::unlink((root + "/l").c_str());
        ::symlink((root + "/victim").c_str(), (root + "/l").c_str());
    }
    std::ofstream(root + used + "/sim.ctl") << "svg\nquit\n";
    EXPECT_EQ(sim.wait_exit(), 0);
    EXPECT_TRUE(std::filesystem::exists(root + used + "/run.svg"));
    EXPECT_TRUE(std::filesystem::exists(root + used + "/bin/hdt.txt"));
    for (const char *file : {"/run.svg", "/bin", "/sim.lock", "/robot/run.svg", "/inner/run.svg", "/inner/bin"}) {
        EXPECT_FALSE(std::filesystem::exists(root + "/victim" + file)) << file << " went into victim/";
    }
}

INSTANTIATE_TEST_SUITE_P(Links, SimHome,
                         testing::Values(LinkedHome{"DotDotBehindALink", "/victim/inner/l/..", false},
                                         LinkedHome{"LinkSwappedAfterTheStart", "/l", true},
                                         LinkedHome{"LinkSwappedBelowTheFolder", "/l/robot", true}),
                         [](const testing::TestParamInfo<LinkedHome> &info) { return std::string(info.param.name); });

TEST(SimFiles, RemoteSocketIsTheUsersAloneWhateverTheUmask) {
    TempHome temp;
    const mode_t saved = ::umask(0);
    SimProcess sim({"--home", temp.root(), "--log", temp.root() + "/frames.log"});
    ::umask(saved);
    ASSERT_FALSE(sim.wait_for_line("tevrak-sim: board ready").empty());
    EXPECT_EQ(status_of(temp.root() + "/lircd").st_mode & 07777, 0600u);
    EXPECT_TRUE(S_ISSOCK(status_of(temp.root() + "/lircd").st_mode));
    for (const auto &entry : std::filesystem::directory_iterator(temp.root())) {
        EXPECT_EQ(entry.path().filename().string().rfind(".lircd", 0), std::string::npos) << "left behind";
    }
}

TEST(SimFiles, ValgrindScriptKeepsToTheBuildFolder) {
    TempHome temp;
    const std::string build = temp.root() + "/build";
    const std::string robot = temp.root() + "/robot";  // a robot's folder, outside the build
    temp.write_file("build/CMakeCache.txt", "TEVRAK_HOME:PATH=" + robot + "\n");
    temp.write_file("build/sim/tevrak-sim",
                    "#!/bin/sh\ntouch " + temp.root() + "/ran\necho 'tevrak-sim: board ready'\n");
    ::chmod((build + "/sim/tevrak-sim").c_str(), 0755);
    const std::string command = "sh " TEVRAK_SOURCE_DIR "/scripts/valgrind.sh " + build + " > /dev/null 2>&1";
    EXPECT_NE(std::system(command.c_str()), 0);
    EXPECT_FALSE(std::filesystem::exists(robot));
    EXPECT_FALSE(std::filesystem::exists(temp.root() + "/ran")) << "the simulator was started";
}

}  // namespace
