#include "remote/private_lircd.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <unistd.h>

#include <array>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <stdexcept>
#include <thread>
#include <vector>

namespace tevrak::test {
namespace {

using namespace std::chrono_literals;

#ifndef TEVRAK_LIRCD
#define TEVRAK_LIRCD "lircd"
#endif
#ifndef TEVRAK_IRSEND
#define TEVRAK_IRSEND "irsend"
#endif

struct Button {
    std::string_view name;
    std::string_view code;  // pre_data and code as lircd reports them
};

// NEC-style codes of the test remote; the daemon broadcasts them unchanged.
constexpr std::array kButtons{
    Button{"KEY_1", "0000000000ff30cf"},     Button{"KEY_2", "0000000000ff18e7"},
    Button{"KEY_3", "0000000000ff7a85"},     Button{"KEY_UP", "0000000000ff629d"},
    Button{"KEY_DOWN", "0000000000ffa857"},  Button{"KEY_LEFT", "0000000000ff22dd"},
    Button{"KEY_RIGHT", "0000000000ffc23d"}, Button{"KEY_OK", "0000000000ff02fd"},
    Button{"KEY_RED", "0000000000ff6897"},   Button{"KEY_R", "0000000000ff9867"},
    Button{"A", "0000000000ff10ef"},  // shorter than the key's offset in the event line
};

std::string remote_configuration() {
    std::ostringstream text;
    text << "begin remote\n"
            "  name  "
         << kTestRemote
         << "\n"
            "  bits  16\n"
            "  flags SPACE_ENC|CONST_LENGTH\n"
            "  eps   30\n"
            "  aeps  100\n"
            "  header 9000 4500\n"
            "  one    560 1690\n"
            "  zero   560 560\n"
            "  ptrail 560\n"
            "  pre_data_bits 16\n"
            "  pre_data 0x00FF\n"
            "  gap   108000\n"
            "  begin codes\n";
    for (const Button &button : kButtons) {
        text << "    " << button.name << " 0x" << button.code.substr(12) << "\n";
    }
    text << "  end codes\nend remote\n";
    return text.str();
}

void write_text(const std::string &path, const std::string &text) {
    std::ofstream out(path, std::ios::trunc);
    out << text;
    if (!out) throw std::runtime_error("cannot write " + path);
}

// Starts program with args; its standard streams go to log_path. The child
// gets SIGTERM when the thread that started it ends, so a test that crashes
// leaves no daemon behind.
pid_t spawn(const char *program, const std::vector<std::string> &args, const std::string &log_path) {
    std::vector<char *> argv;
    argv.push_back(const_cast<char *>(program));
    for (const std::string &arg : args) argv.push_back(const_cast<char *>(arg.c_str()));
    argv.push_back(nullptr);

    const pid_t parent = ::getpid();
    const pid_t pid = ::fork();
    if (pid != 0) return pid;
    // Child: only async-signal-safe calls until exec.
    ::prctl(PR_SET_PDEATHSIG, SIGTERM);
    if (::getppid() != parent) ::_exit(127);
    const int input = ::open("/dev/null", O_RDONLY);
    const int output = ::open(log_path.c_str(), O_WRONLY | O_CREAT | O_APPEND, 0644);
    if (input < 0 || output < 0) ::_exit(127);
    ::dup2(input, STDIN_FILENO);
    ::dup2(output, STDOUT_FILENO);
    ::dup2(output, STDERR_FILENO);
    ::execvp(program, argv.data());
    ::_exit(127);
}

// Waits at most timeout for pid to end; its exit status, or -1.
int wait_for_exit(pid_t pid, std::chrono::milliseconds timeout, bool *ended) {
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    int status = 0;
    for (;;) {
        const pid_t done = ::waitpid(pid, &status, WNOHANG);
        if (done == pid) break;
        if (done < 0 || std::chrono::steady_clock::now() >= deadline) {
            *ended = done < 0;
            return -1;
        }
        std::this_thread::sleep_for(5ms);
    }
    *ended = true;
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

bool accepts_connections(const std::string &socket_path) {
    const int probe = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (probe < 0) return false;
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    socket_path.copy(address.sun_path, sizeof(address.sun_path) - 1);
    const bool connected = ::connect(probe, reinterpret_cast<sockaddr *>(&address), sizeof(address)) == 0;
    ::close(probe);
    return connected;
}

std::string read_log(const std::string &path) {
    std::ifstream in(path);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

}  // namespace

int run_program(const char *program, std::initializer_list<std::string> args) {
    const pid_t pid = spawn(program, std::vector<std::string>(args), "/dev/null");
    if (pid < 0) return -1;
    bool ended = false;
    const int status = wait_for_exit(pid, 10s, &ended);
    if (!ended) {
        ::kill(pid, SIGKILL);
        ::waitpid(pid, nullptr, 0);
    }
    return status;
}

PrivateLircd::PrivateLircd(std::string folder) : folder_(std::move(folder)) { start(); }

void PrivateLircd::start() {
    if (pid_ > 0) return;
    std::filesystem::create_directories(folder_);
    socket_ = folder_ + "/lircd.socket";
    const std::string configuration = folder_ + "/lircd.conf";
    const std::string options = folder_ + "/lirc_options.conf";
    const std::string log = folder_ + "/lircd.log";
    write_text(configuration, remote_configuration());
    // A private options file keeps the system's /etc/lirc/lirc_options.conf out.
    write_text(options, "[lircd]\nnodaemon = True\nallow-simulate = Yes\n");

    // The "file" driver needs no infrared hardware; /dev/null gives it nothing
    // to decode, so every event comes from SIMULATE.
    pid_ = spawn(TEVRAK_LIRCD,
                 {"--nodaemon", "--allow-simulate", "--options-file=" + options, "--driver=file", "--device=/dev/null",
                  "--output=" + socket_, "--pidfile=" + folder_ + "/lircd.pid", "--logfile=" + log, "--permission=600",
                  configuration},
                 folder_ + "/lircd.out");
    if (pid_ < 0) throw std::runtime_error(std::string("cannot start ") + TEVRAK_LIRCD);

    const auto deadline = std::chrono::steady_clock::now() + 10s;
    while (!accepts_connections(socket_)) {
        bool ended = false;
        wait_for_exit(pid_, 0ms, &ended);
        if (ended || std::chrono::steady_clock::now() >= deadline) {
            if (!ended) stop();
            pid_ = -1;
            throw std::runtime_error("lircd did not come up:\n" + read_log(log) + read_log(folder_ + "/lircd.out"));
        }
        std::this_thread::sleep_for(10ms);
    }
}

PrivateLircd::~PrivateLircd() { stop(); }

void PrivateLircd::use_for_clients() const { ::setenv("LIRC_SOCKET_PATH", socket_.c_str(), 1); }

bool PrivateLircd::press(std::string_view button, int repeat) const { return simulate_key(socket_, button, repeat); }

bool simulate_key(const std::string &socket, std::string_view button, int repeat) {
    std::string code = "0000000000000000";
    for (const Button &known : kButtons) {
        if (known.name == button) code = known.code;
    }
    std::array<char, 4> count{};
    std::snprintf(count.data(), count.size(), "%02x", repeat & 0xff);
    const std::string event = code + " " + count.data() + " " + std::string(button) + " " + std::string(kTestRemote);
    return run_program(TEVRAK_IRSEND, {"--device=" + socket, "SIMULATE", event}) == 0;
}

void PrivateLircd::reload() const {
    if (pid_ > 0) ::kill(pid_, SIGHUP);
}

void PrivateLircd::stop() {
    if (pid_ <= 0) return;
    ::kill(pid_, SIGTERM);
    bool ended = false;
    wait_for_exit(pid_, 5s, &ended);
    if (!ended) {
        ::kill(pid_, SIGKILL);
        ::waitpid(pid_, nullptr, 0);
    }
    pid_ = -1;
}

}  // namespace tevrak::test
