// What tevrak-sim adds to its simulated robot for people watching and
// pressing keys: the remote's socket in the robot folder (always) and the
// live page (with --view). The program's main loop calls publish() on its
// timer and run_page_commands() when wake_fd() is readable; everything
// else runs in the remote's and the page server's own threads.
#pragma once

#include <cstdio>
#include <deque>
#include <memory>
#include <mutex>
#include <string>
#include <string_view>

#include "live/drive_lease.h"
#include "live/feed.h"
#include "live/page_server.h"
#include "sim/program/options.h"
#include "sim/program/simulator.h"
#include "sim/view/remote_socket.h"
#include "sim/view/snapshot.h"

namespace tevrak::sim::view {

class Live {
public:
    // Opens <home>/lircd for the remote (a message on stderr when it cannot:
    // the simulator runs on without a remote) and, when the options ask for
    // it, the page server. Throws std::runtime_error when the page cannot be
    // served.
    Live(Simulator &simulator, const Options &options);
    // Stops the page and the remote before the simulator goes.
    ~Live();
    Live(const Live &) = delete;
    Live &operator=(const Live &) = delete;

    // Prints "export LIRC_SOCKET_PATH='<socket>'" and, with the page,
    // "tevrak-sim: view at <url>" (flushed).
    void announce(std::FILE *out) const;

    // Readable while control lines from the page wait; -1 without a page.
    int wake_fd() const { return wake_; }
    // Runs the page's control lines; false once one of them ended the
    // simulator.
    bool run_page_commands();
    // Hands the robot's current state to the page's viewers.
    void publish();

private:
    std::string take_page_control(std::string_view line);
    bool take_page_key(std::string_view button, int repeat);
    // The joystick's speeds into the world, as a program's VWSetSpeed frame.
    void drive_from_page(int linear, int angular);

    Simulator &simulator_;
    std::unique_ptr<RemoteSocket> remote_;
    int wake_ = -1;
    std::mutex mutex_;
    std::deque<std::string> page_lines_;
    std::unique_ptr<Feed> feed_;
    // Goes after the page server, whose requests renew it.
    std::unique_ptr<DriveLease> drive_;
    std::unique_ptr<PageServer> server_;
};

}  // namespace tevrak::sim::view
