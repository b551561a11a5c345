#include "live/feed.h"

#include <sys/eventfd.h>
#include <unistd.h>

#include <algorithm>
#include <cstdint>

#include "live/json_text.h"

namespace tevrak::sim::view {

Feed::Feed(std::string scene_json) : scene_(std::move(scene_json)) {}

Feed::~Feed() {
    std::lock_guard lock(mutex_);
    for (const int descriptor : watchers_) ::close(descriptor);
}

void Feed::publish(std::string state_json, const std::vector<Point> &trail) {
    std::lock_guard lock(mutex_);
    bool changed = frames_pending_;
    frames_pending_ = false;
    if (!state_ || *state_ != state_json) {
        state_ = std::make_shared<const std::string>(std::move(state_json));
        changed = true;
    }
    if (trail.size() < trail_.size()) {
        trail_ = trail;
        ++trail_generation_;
        changed = true;
    } else if (trail.size() > trail_.size()) {
        trail_.insert(trail_.end(), trail.begin() + static_cast<std::ptrdiff_t>(trail_.size()), trail.end());
        changed = true;
    }
    if (!changed) return;
    ++version_;
    wake_all();
}

void Feed::set_clock(std::string clock_json) {
    std::lock_guard lock(mutex_);
    clock_ = std::move(clock_json);
}

void Feed::add_frame(std::string_view line) {
    std::lock_guard lock(mutex_);
    frames_.emplace_back(line);
    if (frames_.size() > kFrameLines) frames_.pop_front();
    ++frame_sequence_;
    frames_pending_ = true;
}

std::optional<std::string> Feed::next_event(ViewerCursor &cursor) {
    std::lock_guard lock(mutex_);
    if (!state_ || cursor.version == version_) return std::nullopt;
    std::string event = "{";
    if (cursor.version == 0) event += "\"scene\":" + scene_ + ",";
    event += "\"state\":" + *state_ + ",\"clock\":" + clock_;

    const bool reset = cursor.trail_generation != trail_generation_ || cursor.trail_points > trail_.size();
    const std::size_t first = reset ? 0 : cursor.trail_points;
    event += ",\"trail\":{\"reset\":";
    event += reset ? "true" : "false";
    event += ",\"points\":[";
    for (std::size_t i = first; i < trail_.size(); ++i) {
        if (i != first) event += ',';
        append_whole(event, trail_[i].x);
        event += ',';
        append_whole(event, trail_[i].y);
    }
    event += "]}";

    // Lines the viewer has not seen, oldest first.
    const std::uint64_t unseen = std::min<std::uint64_t>(frame_sequence_ - cursor.frame_sequence, frames_.size());
    event += ",\"frames\":[";
    for (std::size_t i = frames_.size() - static_cast<std::size_t>(unseen); i < frames_.size(); ++i) {
        if (event.back() != '[') event += ',';
        append_json_string(event, frames_[i]);
    }
    event += "]}";

    cursor.version = version_;
    cursor.frame_sequence = frame_sequence_;
    cursor.trail_generation = trail_generation_;
    cursor.trail_points = trail_.size();
    return event;
}

int Feed::watch() {
    const int descriptor = ::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
    if (descriptor < 0) return -1;
    std::lock_guard lock(mutex_);
    watchers_.push_back(descriptor);
    // A viewer always starts with an event (or learns at once that the feed closed).
    const std::uint64_t one = 1;
    (void)!::write(descriptor, &one, sizeof one);
    return descriptor;
}

void Feed::clear_wake(int descriptor) {
    std::uint64_t count = 0;
    (void)!::read(descriptor, &count, sizeof count);
}

void Feed::unwatch(int descriptor) {
    if (descriptor < 0) return;
    std::lock_guard lock(mutex_);
    std::erase(watchers_, descriptor);
    ::close(descriptor);
}

void Feed::close() {
    std::lock_guard lock(mutex_);
    closed_ = true;
    wake_all();
}

bool Feed::closed() const {
    std::lock_guard lock(mutex_);
    return closed_;
}

void Feed::wake_all() {
    const std::uint64_t one = 1;
    for (const int descriptor : watchers_) (void)!::write(descriptor, &one, sizeof one);
}

}  // namespace tevrak::sim::view
