// tevrak-doctor against prepared broken set-ups: each fault gives its FAIL
// line and exit 1; a missing lircd a warning and exit 0; a healthy
// simulator all ok, exit 0, and no frame that moves anything.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <functional>
#include <map>
#include <string>

#include <nlohmann/json.hpp>

#include "support/sim_process.h"
#include "support/target_command.h"
#include "support/temp_home.h"

namespace {

using tevrak::test::SimProcess;

// A simulator in a robot folder of its own, and what the doctor is run with.
struct Robot {
    tevrak::test::TempHome folder;
    std::string home = folder.root();
    std::string port = home + "/dev/ttyBOARD";
    std::string log = home + "/frames.log";
    std::vector<std::string> sim_args{"--home", home, "--log", log};
    std::map<std::string, std::string> env{{"TEVRAK_HOME", home}, {"LIRC_SOCKET_PATH", home + "/lircd"}};
    std::string as_user;             // empty: this user
    std::vector<std::string> args;   // the doctor's options
    std::vector<std::string> unset;  // variables taken out of its environment
    pid_t holder = -1;               // a program that holds the port
    std::unique_ptr<SimProcess> sim;

    ~Robot() {
        if (holder > 0) {
            ::kill(holder, SIGKILL);
            ::waitpid(holder, nullptr, 0);
        }
    }
    void start() {
        sim = std::make_unique<SimProcess>(sim_args);
        ASSERT_NE(sim->wait_for_line("tevrak-sim: board ready"), "");
    }
    void keep_hdt(const std::string &text) {
        folder.write_hdt(text);
        sim_args.push_back("--keep-hdt");
    }
};

struct Outcome {
    int status;
    std::string out;
};

std::string quoted(const std::string &word) { return "'" + word + "'"; }

Outcome run_doctor(const Robot &setup) {
    std::string command = "env";
    for (const std::string &name : setup.unset) command += " -u " + name;
#ifdef TEVRAK_PYTHON_DIR
    command += " PYTHONPATH=" + quoted(TEVRAK_PYTHON_DIR) + " PYTHONDONTWRITEBYTECODE=1";
#endif
    for (const auto &[name, value] : setup.env) command += " " + name + "=" + quoted(value);
    if (!setup.as_user.empty()) command += " setpriv --reuid=" + setup.as_user + " --regid=nogroup --clear-groups";
    for (const std::string &word : tevrak::test::target_command(TEVRAK_DOCTOR_PROGRAM, setup.args)) {
        command += " " + quoted(word);
    }
    std::FILE *pipe = ::popen((command + " 2>/dev/null").c_str(), "r");
    Outcome run{-1, {}};
    char chunk[512];
    while (std::size_t n = std::fread(chunk, 1, sizeof chunk, pipe)) run.out.append(chunk, n);
    const int status = ::pclose(pipe);
    run.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return run;
}

// True when text has a line that is head, or starts with head and ends
// with tail.
bool has_line(const std::string &text, const std::string &head, const char *tail) {
    for (std::size_t at = 0; at < text.size(); at = text.find('\n', at) + 1) {
        const std::string line = text.substr(at, text.find('\n', at) - at);
        if (tail == nullptr ? line == head : line.starts_with(head) && line.ends_with(tail)) return true;
        if (text.find('\n', at) == std::string::npos) break;
    }
    return false;
}

struct Case {
    const char *name;
    std::function<void(Robot &)> prepare;  // before the simulator starts
    std::function<void(Robot &)> after_start;
    std::function<std::string(const Robot &)> line;  // the line the doctor must print (its start with a tail)
    int status;
    const char *tail = nullptr;  // the line's end, when a count between them varies
};

void nothing(Robot &) {}

const Case kCases[] = {
    {"NoRobotFolder", [](Robot &s) { s.env["TEVRAK_HOME"] = s.home + "/gone"; }, nothing,
     [](const Robot &s) {
         return "FAIL robot folder " + s.home +
                "/gone: does not exist; run tevrak-setup to make it, or set TEVRAK_HOME to your robot folder";
     },
     1},
    {"HdtErrorOnLine7",
     [](Robot &s) {
         s.keep_hdt(
             "USB 1 board\nENCODER 1 540\nDRIVE 60 180 0 0\nKINEMA 10 5 2 1\nPSD front -\nPSD left -\n"
             "USB 9 board\n");
     },
     nothing,
     [](const Robot &) {
         return std::string(
             "FAIL hdt.txt line 7: USB interface 9 is refused (1 to 4): port discovery stops here and "
             "no unit can start; write USB 1 board");
     },
     1},
    {"UsbLineMatchesNothing", [](Robot &s) { s.keep_hdt("USB 1 nosuchboard\nPSD front -\n"); }, nothing,
     [](const Robot &) {
         return std::string(
             "FAIL USB line 1 (nosuchboard): matches nothing usbSearch lists (no name token "
             "nosuchboard); plug the board in, or write a word of its listed name in hdt.txt");
     },
     1},
    {"PortIsARegularFile", nothing,
     [](Robot &s) {
         s.folder.write_file("dev/plain", "not a device\n");
         s.folder.write_file("bin/usbSearch", "#!/bin/sh\necho 'usb-Tevrak_board_sim-if00:" + s.home + "/dev/plain'\n");
         ::chmod((s.home + "/bin/usbSearch").c_str(), 0755);
     },
     [](const Robot &s) {
         return "FAIL serial port " + s.home +
                "/dev/plain: is not a character device but a regular file; remove it and plug the board in; check "
                "that hdt.txt's USB line names the board";
     },
     1},
    {"PortHeldByAnotherProgram", nothing,
     [](Robot &s) {
         s.holder = ::fork();
         if (s.holder == 0) {
             ::execl("/bin/sh", "sh", "-c", ("exec sleep 60 < '" + s.port + "'").c_str(), nullptr);
             ::_exit(127);
         }
         ::usleep(300000);
     },
     [](const Robot &s) {
         return "FAIL serial port " + s.port + ": held by another program: sleep (pid " + std::to_string(s.holder) +
                "); end it first (two programs on one board mix their bytes)";
     },
     1},
    {"SilentBoard", [](Robot &s) { s.sim_args.push_back("--silent"); }, nothing,
     [](const Robot &s) { return "FAIL board on " + s.port + ": no answer to the link check within 2 s ("; }, 1,
     " probes sent); check that the board is powered and its cable plugged in; unplug it and plug it in again"},
    {"UsbSearchOthersMayChange", nothing,
     [](Robot &s) {
         s.folder.write_file("bin/usbSearch", "#!/bin/sh\ntouch '" + s.home + "/ran'\n");
         ::chmod((s.home + "/bin/usbSearch").c_str(), 0757);
     },
     [](const Robot &s) {
         return "FAIL robot folder file " + s.home + "/bin/usbSearch: others may change it (mode 0757); chmod go-w '" +
                s.home + "/bin/usbSearch'";
     },
     1},
    {"UsbSearchOthersMayChangeIsNotRun", nothing,
     [](Robot &s) {
         s.folder.write_file("bin/usbSearch", "#!/bin/sh\ntouch '" + s.home + "/ran'\n");
         ::chmod((s.home + "/bin/usbSearch").c_str(), 0757);
     },
     [](const Robot &s) {
         EXPECT_NE(::access((s.home + "/ran").c_str(), F_OK), 0) << "the doctor ran a program others may change";
         return "FAIL usbSearch " + s.home +
                "/bin/usbSearch: not run: others may change it or its folders (see above); make it safe as said above, "
                "then run tevrak-doctor again";
     },
     1},
    {"UsbSearchHangs", nothing,
     [](Robot &s) {
         s.folder.write_file("bin/usbSearch", "#!/bin/sh\nexec sleep 30\n");
         ::chmod((s.home + "/bin/usbSearch").c_str(), 0755);
     },
     [](const Robot &s) {
         return "FAIL usbSearch " + s.home +
                "/bin/usbSearch: did not end within 5 s; run it by hand to see why; the shipped one is "
                "/usr/bin/usbSearch";
     },
     1},
    {"UsbNameThatCannotMatch", [](Robot &s) { s.keep_hdt("USB 1 Tevrak_board\nPSD front -\n"); }, nothing,
     [](const Robot &) {
         return std::string(
             "warn hdt.txt line 1: USB name Tevrak_board never matches (names are cut at _ and -); use "
             "one word of the usbSearch name, e.g. the part between _ or -");
     },
     1},
    {"PythonPackageOfAnotherVersion", nothing,
     [](Robot &s) {
         s.folder.write_file("py/tevrak/__init__.py", "__version__ = '0.0.1'\n");
         s.env["PYTHONPATH"] = s.home + "/py";
     },
     [](const Robot &) {
         return std::string("FAIL python package: tevrak 0.0.1 beside library " TEVRAK_VERSION
                            "; install python3-tevrak of the same version as libtevrak1");
     },
     1},
    {"LircdMissing", [](Robot &s) { s.env["LIRC_SOCKET_PATH"] = s.home + "/no-lircd"; }, nothing,
     [](const Robot &s) {
         return "warn lircd " + s.home +
                "/no-lircd: no daemon answers there (the remote control is optional); for the remote: sudo apt "
                "install lirc, then sudo systemctl start lircd";
     },
     0},
};

class Doctor : public testing::TestWithParam<Case> {};

TEST_P(Doctor, NamesTheFaultWithItsFix) {
    const Case &c = GetParam();
    Robot setup;
    c.prepare(setup);
    setup.start();
    c.after_start(setup);
    const Outcome run = run_doctor(setup);
    EXPECT_TRUE(has_line(run.out, c.line(setup), c.tail)) << run.out;
    EXPECT_EQ(run.status, c.status) << run.out;
}

INSTANTIATE_TEST_SUITE_P(Faults, Doctor, testing::ValuesIn(kCases),
                         [](const testing::TestParamInfo<Case> &info) { return std::string(info.param.name); });

// As another user than root: a port only root may open. Skipped where the
// test cannot change users.
TEST(DoctorAsUser, PortWithoutPermission) {
    if (::geteuid() != 0 || ::access("/usr/bin/setpriv", X_OK) != 0) GTEST_SKIP() << "needs root to become nobody";
    Robot setup;
    setup.start();
    ::chmod(setup.home.c_str(), 0755);
    char device[4096] = {};
    ASSERT_GT(::readlink(setup.port.c_str(), device, sizeof device - 1), 0);
    ASSERT_EQ(::chmod(device, 0600), 0);
    setup.as_user = "nobody";
    const Outcome run = run_doctor(setup);
    EXPECT_NE(run.out.find("FAIL serial port " + setup.port + ": permission denied; "), std::string::npos) << run.out;
    EXPECT_EQ(run.status, 1) << run.out;
}

TEST(DoctorHealthy, AllOkAndNothingMoves) {
    Robot setup;
    setup.start();
    setup.args = {"--link"};
    const Outcome run = run_doctor(setup);
    EXPECT_EQ(run.status, 0) << run.out;
    std::size_t lines = 0;
    for (std::size_t at = 0; at < run.out.size(); at = run.out.find('\n', at) + 1, ++lines) {
#if defined(TEVRAK_CROSS_BUILD) || defined(__SANITIZE_ADDRESS__)
        // Under the emulator the doctor starts the build machine's python3,
        // which cannot load the target's compiled module; a sanitized module
        // loads only with the sanitizer's runtime preloaded.
        if (run.out.compare(at, 20, "warn python package:") == 0) continue;
#endif
        EXPECT_EQ(run.out.compare(at, 3, "ok "), 0) << run.out.substr(at, run.out.find('\n', at) - at);
    }
    EXPECT_GE(lines, 10u) << run.out;
    EXPECT_NE(run.out.find("ok distance sensor 3: raw reading "), std::string::npos) << run.out;
    EXPECT_TRUE(has_line(run.out, "ok cycles: calls in a cycle get the same replies as single calls; loop of 6 calls: ",
                         " Hz in a cycle"))
        << run.out;
    // The log is complete once the simulator ended.
    const int control = ::open((setup.home + "/sim.ctl").c_str(), O_WRONLY | O_NONBLOCK);
    ASSERT_GE(control, 0);
    ASSERT_EQ(::write(control, "quit\n", 5), 5);
    ::close(control);
    ASSERT_EQ(setup.sim->wait_exit(), 0);
    const std::string log = tevrak::test::read_file(setup.log);
    EXPECT_NE(log.find("ENCODERRead encoder=2"), std::string::npos) << log;
    EXPECT_NE(log.find("PSDGetRaw psd=3"), std::string::npos) << log;
    for (const char *moving : {"VWSetSpeed", "VWStraight", "VWTurn", "VWCurve", "MOTOR", "SERVO"}) {
        EXPECT_EQ(log.find(moving), std::string::npos) << moving << " in\n" << log;
    }
}

// Lines the library ignores, each named with its number and why.
TEST(DoctorHdt, NamesEveryLineTheLibraryIgnores) {
    Robot setup;
    setup.keep_hdt(
        "USB 1 board\nENCODER 2 100\nDRIVE 60 180\nFOO bar\nPSD front nosuchtable\nDRIVE 60 180 0 0\n"
        "KINEMA 1 2 3 4\r\n");
    setup.start();
    const Outcome run = run_doctor(setup);
    for (const char *line : {
             "warn hdt.txt line 2: ignored: only ENCODER 1 counts for the drive",
             "warn hdt.txt line 3: DRIVE has 2 values of 4: the missing ones count as 0",
             "warn hdt.txt line 4: ignored: \"FOO\" is no key the library reads; keys are USB ENCODER DRIVE KINEMA "
             "SERVO "
             "MOTOR PSD TABLE at the very start of a line",
             "warn hdt.txt line 3: ignored: line 6 sets DRIVE again (the last counts); remove one of them",
             "warn hdt.txt line 7: ends with a carriage return (the last field keeps it: a name there never matches); "
             "save the file with Unix line ends",
             "warn hdt.txt line 5: no TABLE line nosuchtable: the device has no table; add the TABLE line or write -",
         }) {
        EXPECT_TRUE(has_line(run.out, line, nullptr)) << line << " not in\n" << run.out;
    }
    EXPECT_EQ(run.status, 0) << run.out;
}

// TEVRAK_HOME written into ~/.profile but not in this login's environment.
TEST(DoctorHome, ProfileOnlyIsNamed) {
    Robot setup;
    setup.start();
    setup.folder.write_file("user/.profile", "export TEVRAK_HOME='" + setup.home + "'\n");
    setup.unset = {"TEVRAK_HOME"};
    setup.env.erase("TEVRAK_HOME");
    setup.env["HOME"] = setup.home + "/user";
    const Outcome run = run_doctor(setup);
    EXPECT_TRUE(has_line(run.out, "warn robot folder ",
                         ": the built-in default: TEVRAK_HOME is set in ~/.profile only, not in this login; log out "
                         "and in again (or run . ~/.profile)"))
        << run.out;
}

TEST(DoctorJson, OneObjectWithEveryCheck) {
    Robot setup;
    setup.sim_args.push_back("--silent");
    setup.start();
    setup.args = {"--json"};
    const Outcome run = run_doctor(setup);
    EXPECT_EQ(run.status, 1);
    const auto all = nlohmann::json::parse(run.out);
    EXPECT_EQ(all["ok"], false);
    bool board_failed = false;
    for (const auto &check : all["checks"]) {
        board_failed = board_failed || (check["level"] == "FAIL" && check["check"] == "board on " + setup.port);
    }
    EXPECT_TRUE(board_failed) << run.out;
}

}  // namespace
