// Puts the world model behind a simulated board: every frame the board cuts
// from the byte stream is logged, commands change the model, and queries
// are answered from it. The board calls in from its own thread while the
// program's main loop advances the model, so the model sits behind a mutex.
#pragma once

#include <mutex>
#include <string>

#include "sim/board/board.h"
#include "sim/world/log.h"
#include "sim/world/peripherals.h"
#include "sim/world/world.h"

namespace tevrak::sim {

class RobotLink {
public:
    // Installs the board's observer and responder. The board calls into
    // the link from its thread, so it must be destroyed (or unplugged)
    // before the link; world and log must outlive the link.
    RobotLink(Board &board, World &world, Log &log);
    ~RobotLink();
    RobotLink(const RobotLink &) = delete;
    RobotLink &operator=(const RobotLink &) = delete;

    // Advances the model to the clock.
    void tick();
    // Runs f(world, peripherals) under the model's lock.
    template <class F>
    auto with_model(F &&f) {
        std::lock_guard lock(mutex_);
        return f(world_, peripherals_);
    }
    // Tells the link that the board stopped answering, so that queries are
    // logged without a reply.
    void set_silent(bool silent);

private:
    void on_frame(std::span<const std::uint8_t> frame);
    std::optional<Bytes> on_query(std::span<const std::uint8_t> frame);

    World &world_;
    Log &log_;
    std::mutex mutex_;
    Peripherals peripherals_;
    bool silent_ = false;
};

}  // namespace tevrak::sim
