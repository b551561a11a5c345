#include "sim/world/robot_link.h"

#include "protocol/opcodes.h"
#include "sim/world/dispatch.h"
#include "sim/world/frame_text.h"

namespace tevrak::sim {

RobotLink::RobotLink(Board &board, World &world, Log &log) : world_(world), log_(log) {
    {
        std::lock_guard lock(mutex_);
        world_.set_event_sink([this](const std::string &event) { log_.line("# " + event); });
    }
    board.set_observer([this](std::span<const std::uint8_t> frame) { on_frame(frame); });
    board.set_responder([this](std::span<const std::uint8_t> frame) { return on_query(frame); });
}

RobotLink::~RobotLink() {
    std::lock_guard lock(mutex_);
    world_.set_event_sink({});
}

void RobotLink::tick() {
    std::lock_guard lock(mutex_);
    world_.update();
}

void RobotLink::set_silent(bool silent) {
    std::lock_guard lock(mutex_);
    silent_ = silent;
}

void RobotLink::on_frame(std::span<const std::uint8_t> frame) {
    const auto *info = protocol::find_opcode(frame[0]);
    const bool query = info != nullptr && info->reply_length > 0;
    std::lock_guard lock(mutex_);
    if (query) {
        // Answered (and logged with the reply) by on_query, unless the
        // board keeps quiet.
        if (silent_) log_.line(describe_frame(frame) + " (board silent, no reply)");
        return;
    }
    log_.line(describe_frame(frame));
    apply_command(decode_frame(frame), world_, peripherals_);
}

std::optional<Bytes> RobotLink::on_query(std::span<const std::uint8_t> frame) {
    std::lock_guard lock(mutex_);
    auto data = answer_query(decode_frame(frame), world_);
    if (data) log_.line(describe_frame(frame) + describe_reply(frame[0], *data));
    return data;
}

}  // namespace tevrak::sim
