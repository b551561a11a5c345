// What the live page is sent: the robot's latest state, its trail and the
// newest frame-log lines, kept for any number of viewers.
//
// The main loop publishes on its timer; a viewer is sent one event that
// brings it up to date whenever it is behind, so a slow viewer skips states
// instead of queueing them (it always gets the latest). Nothing changes,
// nothing is sent: viewers sleep on a descriptor of their own that the feed
// makes readable when something changed or the feed closes.
#pragma once

#include <cstdint>
#include <deque>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "sim/world/geometry.h"

namespace tevrak::sim::view {

// How far one viewer got.
struct ViewerCursor {
    std::uint64_t version = 0;         // 0: nothing sent yet
    std::uint64_t frame_sequence = 0;  // last frame-log line sent
    std::uint64_t trail_generation = 0;
    std::size_t trail_points = 0;
};

class Feed {
public:
    // Lines of the frame log a new viewer gets.
    static constexpr std::size_t kFrameLines = 50;

    // scene_json: what never changes (arena, obstacles, body), sent first.
    explicit Feed(std::string scene_json);
    ~Feed();
    Feed(const Feed &) = delete;
    Feed &operator=(const Feed &) = delete;

    // Main loop: the state as JSON and the trail as the world keeps it (it
    // only grows, except when thinned: then it is sent afresh). Wakes the
    // viewers when anything differs from the last publication.
    void publish(std::string state_json, const std::vector<Point> &trail);
    // The clock every event carries ({"seconds":S,"speed":N}, the world's
    // time and how much faster than life it runs). The clock alone is no
    // change: an idle robot sends nothing, and the page runs the clock on.
    void set_clock(std::string clock_json);
    // A line of the frame log; sent with the next publication.
    void add_frame(std::string_view line);

    // The event that brings the viewer up to date (a JSON object), or
    // nothing when it is up to date. Advances the cursor.
    std::optional<std::string> next_event(ViewerCursor &cursor);

    // A descriptor for poll(): readable after a change or the close. The
    // viewer clears it with clear_wake() before asking for its event.
    int watch();
    static void clear_wake(int descriptor);
    void unwatch(int descriptor);

    // Wakes every viewer for good: the stream ends.
    void close();
    bool closed() const;

private:
    void wake_all();

    const std::string scene_;
    mutable std::mutex mutex_;
    std::uint64_t version_ = 0;
    std::shared_ptr<const std::string> state_;
    std::string clock_ = "null";
    std::vector<Point> trail_;
    std::uint64_t trail_generation_ = 1;
    std::deque<std::string> frames_;
    std::uint64_t frame_sequence_ = 0;  // sequence of the newest line
    bool frames_pending_ = false;
    std::vector<int> watchers_;
    bool closed_ = false;
};

}  // namespace tevrak::sim::view
