#include "sim/program/simulator.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstring>
#include <filesystem>
#include <stdexcept>
#include <utility>

#include "sim/program/control.h"
#include "sim/world/frame_text.h"
#include "sim/world/home_files.h"
#include "sim/world/home_folder.h"
#include "sim/world/ranger_curve.h"
#include "sim/world/svg.h"

namespace tevrak::sim {
namespace {

// Stray bytes: the value of a carriage-return echo, never the reply marker.
constexpr std::uint8_t kStrayByte = 0x0D;

// The log file: a new one, or one that was there emptied, never through a
// link. In the robot folder, it is made relative to the folder's descriptor.
std::FILE *open_log(int home_fd, const std::string &home, const std::string &path) {
    namespace fs = std::filesystem;
    const fs::path file = fs::absolute(path).lexically_normal();
    const bool in_home = file.parent_path() == fs::path(home);
    const int flags = O_WRONLY | O_CREAT | O_TRUNC | O_NOFOLLOW | O_CLOEXEC;
    const int fd =
        in_home ? ::openat(home_fd, file.filename().c_str(), flags, 0644) : ::open(path.c_str(), flags, 0644);
    std::FILE *log = fd >= 0 ? ::fdopen(fd, "w") : nullptr;
    if (log == nullptr && fd >= 0) ::close(fd);
    return log;
}

}  // namespace

Simulator::Simulator(const Options &options) : options_(options), clock_(options.speed) {
    // The folder is opened once; every file below is made relative to it.
    // Run as root, the folder's owner (or nobody) writes in it.
    HomeFolder folder;
    if (const auto problem = open_home_folder(options_.home, options_.as_owner, folder); !problem.empty()) {
        throw std::runtime_error(problem);
    }
    home_fd_.fd = folder.fd.release();
    home_ = folder.path;
    if (const auto problem = check_home_path(home_); !problem.empty()) throw std::runtime_error(problem);
    // One simulator per folder: a second one would take the link and the
    // FIFO away from the first.
    // Not through a link: it would make the file it points to.
    lock_.fd = ::openat(home_fd_.fd, "sim.lock", O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW | O_NONBLOCK, 0644);
    struct stat lock_status {};
    if (lock_.fd < 0 || ::fstat(lock_.fd, &lock_status) != 0 || !S_ISREG(lock_status.st_mode)) {
        throw std::runtime_error("cannot write " + home_ + "/sim.lock as a plain file (a link is not followed)");
    }
    if (::flock(lock_.fd, LOCK_EX | LOCK_NB) != 0) throw std::runtime_error("another tevrak-sim runs on " + home_);
    FolderDescriptor dev(open_subfolder(home_fd_.fd, "dev"));
    if (dev.get() < 0) throw std::runtime_error("cannot create " + home_ + "/dev as a folder of this user's");
    link_path_ = home_ + "/dev/ttyBOARD";
    control_path_ = home_ + "/sim.ctl";
    svg_path_ = options_.svg_file.empty() ? home_ + "/run.svg" : options_.svg_file;

    if (options_.log_file.empty()) {
        log_ = std::make_unique<Log>(stdout);
    } else {
        log_file_.reset(open_log(home_fd_.fd, home_, options_.log_file));
        if (!log_file_) throw std::runtime_error("cannot write the log " + options_.log_file);
        log_ = std::make_unique<Log>(log_file_.get());
    }

    Arena arena(options_.arena_width, options_.arena_height, options_.obstacles);
    start_ = options_.start.value_or(Pose{options_.arena_width / 2, options_.arena_height / 2, 0});
    RobotShape shape;
    shape.radius = options_.radius;
    shape.sensor_directions.clear();
    for (double degrees : options_.sensor_degrees) shape.sensor_directions.push_back(degrees_to_radians(degrees));
    try {
        world_ = std::make_unique<World>(clock_, std::move(arena), start_, shape);
    } catch (const std::invalid_argument &) {
        throw std::runtime_error("the robot (radius " + std::to_string(static_cast<int>(options_.radius)) +
                                 " mm) does not fit at its start position; see --start, --arena, --obstacle");
    }

    board_ = std::make_unique<Board>(link_path_, dev.release());
    link_ = std::make_unique<RobotLink>(*board_, *world_, *log_);
    if (!options_.replay_file.empty()) start_replay();
    if (const auto problem = prepare_home(home_fd_.fd, home_, link_path_, world_->sensor_count(), options_.keep_hdt);
        !problem.empty()) {
        throw std::runtime_error(problem);
    }
    ::unlinkat(home_fd_.fd, "sim.ctl", 0);
    if (::mkfifoat(home_fd_.fd, "sim.ctl", 0600) != 0) {
        throw std::runtime_error("cannot make the control FIFO " + control_path_ + ": " + std::strerror(errno));
    }

    if (options_.silent) run({Control::Action::silent, 1});
    if (options_.stray > 0) run({Control::Action::stray, options_.stray});
    if (options_.late_ms > 0) run({Control::Action::late, options_.late_ms});
    if (options_.unplugged) run({Control::Action::unplug, 0});
    std::stable_sort(options_.scheduled.begin(), options_.scheduled.end(),
                     [](const auto &a, const auto &b) { return a.at_ms < b.at_ms; });
}

// The recording answers in place of the world, which stays where it is.
void Simulator::start_replay() {
    replay_ = std::make_unique<Replay>(options_.replay_file);
    board_->answer_only_from_responder(true);
    // The observer sees each frame before the responder is asked for it.
    board_->set_observer([this](std::span<const std::uint8_t> frame) {
        replay_answer_ = replay_->take(frame);
        log_->line(describe_frame(frame) + (replay_answer_ ? describe_reply(frame[0], *replay_answer_) : ""));
        if (replay_->consumed()) board_->let_go();
    });
    board_->set_responder(
        [this](std::span<const std::uint8_t>) { return std::exchange(replay_answer_, std::nullopt); });
}

std::optional<int> Simulator::replay_end() const {
    if (!replay_) return std::nullopt;
    const auto state = replay_->state();
    if (state == Replay::State::diverged || state == Replay::State::cut_short) return replay_->exit_status();
    if (replay_->consumed() && board_->hung_up()) return replay_->cut() ? 3 : 0;
    return std::nullopt;
}

std::string Simulator::replay_message() const {
    if (!replay_) return {};
    if (replay_->state() == Replay::State::running && replay_->cut()) {
        return "the recording ends at line " + std::to_string(replay_->last_line());
    }
    return replay_->message();
}

Simulator::~Simulator() {
    // Stop the board's thread first: it calls into the link.
    board_.reset();
    link_.reset();
    ::unlinkat(home_fd_.fd, "sim.ctl", 0);
    if (log_) log_->flush();
}

Simulator::Descriptor::~Descriptor() {
    if (fd >= 0) ::close(fd);
}

bool Simulator::tick() {
    link_->tick();
    const auto elapsed = std::chrono::duration_cast<std::chrono::milliseconds>(clock_.now()).count();
    while (next_scheduled_ < options_.scheduled.size() && options_.scheduled[next_scheduled_].at_ms <= elapsed) {
        if (control(options_.scheduled[next_scheduled_++].command) == Result::quit) return false;
    }
    return true;
}

Simulator::Result Simulator::control(std::string_view line, std::string *refusal) {
    std::string error;
    const auto parsed = parse_control(line, error);
    if (parsed && parsed->action == Control::Action::quit) return Result::quit;
    if (parsed) error = run(*parsed);
    if (error.empty()) return Result::done;
    std::fprintf(stderr, "tevrak-sim: %s\n", error.c_str());
    if (refusal != nullptr) *refusal = std::move(error);
    return Result::error;
}

std::string Simulator::run(const Control &control) {
    using Action = Control::Action;
    switch (control.action) {
    case Action::silent:
        silent_ = control.value != 0;
        link_->set_silent(control.value != 0);
        board_->set_silent(control.value != 0);
        log_->line(control.value != 0 ? "# board silent" : "# board answers again");
        break;
    case Action::unplug:
        board_->unplug();
        log_->line("# board unplugged");
        break;
    case Action::replug:
        if (const std::string problem = board_->replug(); !problem.empty()) {
            return "the board stays unplugged: " + problem;
        }
        log_->line("# board plugged in again at " + board_->terminal_path());
        break;
    case Action::stray:
        stray_ = control.value;
        board_->set_reply_prefix(Bytes(static_cast<std::size_t>(control.value), kStrayByte));
        log_->line("# " + std::to_string(control.value) + " stray bytes before every reply");
        break;
    case Action::noise:
        board_->send_raw(Bytes(static_cast<std::size_t>(control.value), kStrayByte));
        log_->line("# sent " + std::to_string(control.value) + " stray bytes");
        break;
    case Action::late:
        late_ms_ = control.value;
        board_->set_reply_delay(std::chrono::milliseconds(control.value));
        log_->line("# replies " + std::to_string(control.value) + " ms late");
        break;
    case Action::key:
        if (key_handler_ && key_handler_(control.button, control.value)) {
            note_key(control.button);
            log_->line("# remote key " + control.button + ", " + std::to_string(control.value) + " repeats");
        } else {
            return "the remote cannot take the key " + control.button + " now";
        }
        break;
    case Action::status:
        std::fputs(status_report().c_str(), stdout);
        std::fflush(stdout);
        break;
    case Action::svg:
        if (write_picture()) log_->line("# picture written to " + svg_path_);
        break;
    case Action::help:
        std::fputs(control_help_text(), stdout);
        std::fflush(stdout);
        break;
    case Action::quit: break;
    }
    return {};
}

Simulator::Faults Simulator::faults() const { return {board_->plugged(), silent_, late_ms_, stray_}; }

RemoteKeys Simulator::remote_keys() const {
    std::lock_guard lock(keys_mutex_);
    return keys_;
}

void Simulator::note_key(std::string_view button) {
    std::lock_guard lock(keys_mutex_);
    ++keys_.pressed;
    keys_.last = button;
}

std::shared_ptr<const std::string> Simulator::picture(std::chrono::milliseconds max_age) {
    // The state is copied under the model's lock and drawn outside it, once
    // per state: whoever waited here for another drawing gets that one when
    // nothing changed since, and so does whoever asks again within max_age.
    std::lock_guard lock(picture_mutex_);
    const auto now = std::chrono::steady_clock::now();
    if (picture_ && now - picture_checked_ < max_age) return picture_;
    picture_checked_ = now;
    SvgScene scene = link_->with_model([&](World &world, Peripherals &) {
        world.update();
        return svg_scene(world, start_);
    });
    if (!picture_ || !(picture_scene_ == scene)) {
        picture_ = std::make_shared<const std::string>(render_svg(scene));
        picture_scene_ = std::move(scene);
    }
    return picture_;
}

int Simulator::open_control(int flags) const {
    return ::openat(home_fd_.fd, "sim.ctl", flags | O_NOFOLLOW | O_CLOEXEC);
}

bool Simulator::write_picture() {
    const bool written = options_.svg_file.empty() ? replace_file_at(home_fd_.fd, "run.svg", *picture(), 0644)
                                                   : replace_file(svg_path_, *picture(), 0644);
    if (!written) std::fprintf(stderr, "tevrak-sim: cannot write the picture %s\n", svg_path_.c_str());
    return written;
}

std::string Simulator::status_report() {
    SimState now = state();
    now.world_ms = std::chrono::duration_cast<std::chrono::milliseconds>(world_time()).count();
    return options_.answer ? state_json(now) + "\n" : state_text(now);
}

}  // namespace tevrak::sim
