// The whole simulated robot of tevrak-sim: the robot folder, the board on a
// pseudo-terminal behind <home>/dev/ttyBOARD, the world model, the frame
// log and the fault switches. The program's main loop feeds it timer ticks
// and control lines.
#pragma once

#include <atomic>
#include <chrono>
#include <cstdio>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <utility>

#include "sim/board/board.h"
#include "sim/program/control.h"
#include "sim/program/options.h"
#include "sim/program/replay.h"
#include "sim/program/sim_state.h"
#include "sim/world/clock.h"
#include "sim/world/log.h"
#include "sim/world/robot_link.h"
#include "sim/world/svg.h"
#include "sim/world/world.h"

namespace tevrak::sim {

class Simulator {
public:
    // Prepares the folder and starts the board. Throws std::runtime_error
    // with a one-line explanation when that is not possible.
    explicit Simulator(const Options &options);
    ~Simulator();
    Simulator(const Simulator &) = delete;
    Simulator &operator=(const Simulator &) = delete;

    const std::string &link_path() const { return link_path_; }
    const std::string &control_path() const { return control_path_; }
    const std::string &svg_path() const { return svg_path_; }
    const std::string &home() const { return home_; }
    const Pose &start() const { return start_; }

    // Advances the world and runs the scheduled control commands that are
    // due; false once one of them was quit.
    bool tick();

    enum class Result { done, quit, error };
    // Runs one control line; messages go to standard output (status, help)
    // and standard error (bad lines, refused commands). On error, refusal
    // (when given) gets the message without the program's name.
    Result control(std::string_view line, std::string *refusal = nullptr);

    // How many times faster than life the world runs.
    int speed() const { return clock_.factor(); }
    // The world's time since start-up.
    std::chrono::nanoseconds world_time() const { return clock_.now(); }

    // Opens the control FIFO in the robot folder (flags: O_RDONLY or
    // O_WRONLY and more), never through a link; -1 on failure.
    int open_control(int flags) const;
    // The robot folder's descriptor, open while the simulator runs.
    int home_fd() const { return home_fd_.fd; }
    // With --replay: the exit status once the replay is over (its report,
    // if any, in replay_message()); nothing while it runs or without one.
    std::optional<int> replay_end() const;
    std::string replay_message() const;
    bool replaying() const { return replay_ != nullptr; }

    // Writes the picture; false when it cannot be written (message on stderr).
    bool write_picture();

    // What "status" prints: one line of JSON under --answer, else text.
    std::string status_report();

    // The state, gathered once; also(state, world) runs under the model's
    // lock while the world stays as the state shows it (the page takes the
    // trail there).
    template <class F>
    SimState state(F &&also) {
        const BoardFaults board = faults();
        const RemoteKeys remote = remote_keys();
        return with_model([&](World &world, Peripherals &peripherals) {
            SimState captured = capture_state(world, peripherals);
            captured.link = link_path_;
            captured.board = board;
            captured.remote = remote;
            also(std::as_const(captured), std::as_const(world));
            return captured;
        });
    }
    SimState state() {
        return state([](const SimState &, const World &) {});
    }

    // Hooks of the live view; faults(), remote_keys(), note_key(),
    // with_model(), picture() and log() are safe from any thread.
    using Faults = BoardFaults;
    Faults faults() const;
    RemoteKeys remote_keys() const;
    // A key of the remote was pressed (control command or page).
    void note_key(std::string_view button);
    // Runs f(world, peripherals) under the model's lock.
    template <class F>
    auto with_model(F &&f) {
        return link_->with_model(std::forward<F>(f));
    }
    // The picture of the run so far, drawn again only when it changed; the
    // last one while it was looked at less than max_age ago.
    std::shared_ptr<const std::string> picture(std::chrono::milliseconds max_age = {});
    Log &log() { return *log_; }

    // Presses a button of the remote for the control command key: true when
    // the press was taken. Set before the main loop runs.
    using KeyHandler = std::function<bool(const std::string &button, int repeats)>;
    void set_key_handler(KeyHandler handler) { key_handler_ = std::move(handler); }

private:
    void start_replay();
    // Runs a parsed command; the reason when it was refused, else empty.
    std::string run(const Control &control);

    // A descriptor closed with its owner (also when the constructor throws).
    struct Descriptor {
        int fd = -1;
        ~Descriptor();
    };
    struct FileCloser {
        void operator()(std::FILE *file) const { std::fclose(file); }
    };

    Options options_;
    Descriptor home_fd_;  // the robot folder: every file in it is made relative to it
    Descriptor lock_;     // <home>/sim.lock, held while the simulator runs
    std::string home_;
    std::string link_path_;
    std::string control_path_;
    std::string svg_path_;
    std::unique_ptr<std::FILE, FileCloser> log_file_;  // none: standard output
    std::unique_ptr<Log> log_;
    SteadyClock clock_;
    Pose start_;
    std::unique_ptr<World> world_;
    // The board goes before the link: its thread calls into the link.
    std::unique_ptr<RobotLink> link_;
    std::unique_ptr<Board> board_;
    std::unique_ptr<Replay> replay_;
    std::optional<Bytes> replay_answer_;  // the board's thread only
    std::size_t next_scheduled_ = 0;
    std::atomic<bool> silent_{false};
    std::atomic<int> late_ms_{0};
    std::atomic<int> stray_{0};
    KeyHandler key_handler_;
    mutable std::mutex keys_mutex_;
    RemoteKeys keys_;
    std::mutex picture_mutex_;  // the last picture drawn and what it shows
    SvgScene picture_scene_;
    std::shared_ptr<const std::string> picture_;
    std::chrono::steady_clock::time_point picture_checked_;
};

}  // namespace tevrak::sim
