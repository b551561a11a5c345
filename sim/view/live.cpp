#include "sim/view/live.h"

#include <sys/eventfd.h>
#include <unistd.h>

#include <cstdint>
#include <stdexcept>

#include "live/json_text.h"
#include "protocol/frame.h"
#include "protocol/opcodes.h"
#include "sim/program/control.h"
#include "sim/world/dispatch.h"

namespace tevrak::sim::view {
namespace {

constexpr std::size_t kMostPageLines = 64;

// What the page may change: the faults. Not quit, status or help.
bool page_may_run(Control::Action action) {
    using Action = Control::Action;
    return action == Action::silent || action == Action::unplug || action == Action::replug ||
           action == Action::stray || action == Action::noise || action == Action::late;
}

}  // namespace

Live::Live(Simulator &simulator, const Options &options) : simulator_(simulator) {
    const std::string socket = simulator_.home() + "/lircd";
    try {
        remote_ = std::make_unique<RemoteSocket>(socket, simulator_.home_fd());
    } catch (const std::runtime_error &failure) {
        std::fprintf(stderr, "tevrak-sim: %s; no remote\n", failure.what());
    }
    simulator_.set_key_handler(
        [this](const std::string &button, int repeats) { return remote_ && remote_->press(button, repeats); });
    if (!options.view) return;

    wake_ = ::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
    if (wake_ < 0) throw std::runtime_error("cannot set up the view");
    simulator_.with_model(
        [&](World &world, Peripherals &) { feed_ = std::make_unique<Feed>(scene_json(world, simulator_.start())); });
    simulator_.log().set_tap([feed = feed_.get()](std::string_view line) { feed->add_frame(line); });
    publish();
    PageServer::Handlers handlers;
    // However often the picture is asked for, it is drawn at most 20 times
    // a second.
    handlers.picture = [this] { return simulator_.picture(std::chrono::milliseconds(50)); };
    handlers.control = [this](std::string_view line) { return take_page_control(line); };
    handlers.key = [this](std::string_view button, int repeat) { return take_page_key(button, repeat); };
    drive_ = std::make_unique<DriveLease>([this](int linear, int angular) { drive_from_page(linear, angular); },
                                          DriveLease::Limits{});
    handlers.drive = [this](int linear, int angular) {
        drive_->take(linear, angular);
        return std::string();
    };
    server_ = std::make_unique<PageServer>(*options.view, *feed_, std::move(handlers));
}

Live::~Live() {
    server_.reset();
    drive_.reset();
    simulator_.log().set_tap({});
    simulator_.set_key_handler({});
    remote_.reset();
    if (wake_ >= 0) ::close(wake_);
}

void Live::announce(std::FILE *out) const {
    if (remote_) std::fprintf(out, "export LIRC_SOCKET_PATH='%s'\n", remote_->path().c_str());
    if (server_) std::fprintf(out, "tevrak-sim: view at %s\n", server_->url().c_str());
    std::fflush(out);
}

bool Live::run_page_commands() {
    std::uint64_t count = 0;
    (void)!::read(wake_, &count, sizeof count);
    std::deque<std::string> lines;
    {
        std::lock_guard lock(mutex_);
        lines.swap(page_lines_);
    }
    bool go_on = true;
    for (const std::string &line : lines) {
        if (go_on && simulator_.control(line) == Simulator::Result::quit) go_on = false;
    }
    return go_on;
}

void Live::publish() {
    if (!feed_) return;
    std::string clock = "{\"seconds\":";
    append_tenths(clock, std::chrono::duration<double>(simulator_.world_time()).count());
    feed_->set_clock(clock + ",\"speed\":" + std::to_string(simulator_.speed()) + "}");
    simulator_.state(
        [&](const SimState &state, const World &world) { feed_->publish(state_json(state), world.path()); });
}

std::string Live::take_page_control(std::string_view line) {
    std::string error;
    const auto control = parse_control(line, error);
    if (!control) return error.empty() ? "an empty control line" : error;
    if (!page_may_run(control->action)) return "the page changes faults only";
    {
        std::lock_guard lock(mutex_);
        if (page_lines_.size() >= kMostPageLines) return "too many control lines waiting";
        page_lines_.emplace_back(line);
    }
    const std::uint64_t one = 1;
    (void)!::write(wake_, &one, sizeof one);
    return {};
}

bool Live::take_page_key(std::string_view button, int repeat) {
    if (!remote_ || !remote_->send(button, repeat)) return false;
    if (repeat != 0) return true;
    simulator_.note_key(button);
    simulator_.log().line("# remote key " + std::string(button) + " from the page");
    return true;
}

void Live::drive_from_page(int linear, int angular) {
    // Degrees to the wire's hundredths of a radian, truncated as the
    // library's VWSetSpeed does.
    const int wire_angular = static_cast<int>(static_cast<long long>(angular) * 314 / 180);
    const auto frame = protocol::Frame(protocol::op::VWSetSpeed).word(linear).word(wire_angular);
    simulator_.with_model([&](World &world, Peripherals &peripherals) {
        simulator_.log().line(describe_frame(frame.bytes()) + " (joystick)");
        apply_command(decode_frame(frame.bytes()), world, peripherals);
    });
}

}  // namespace tevrak::sim::view
