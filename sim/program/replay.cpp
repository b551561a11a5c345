#include "sim/program/replay.h"

#include <fstream>
#include <iterator>
#include <stdexcept>

#include "tap/record_json.h"

namespace tevrak::sim {
namespace {

bool sent(const std::string &result) { return result != "link_failed" && result != "startup_failed"; }

}  // namespace

Replay::Replay(const std::string &path) {
    std::ifstream file(path, std::ios::binary);
    if (!file) throw std::runtime_error("cannot read the recording " + path);
    const std::string text((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
    std::size_t at = 0;
    int line_number = 0;
    while (at < text.size()) {
        const auto end = text.find('\n', at);
        if (end == std::string::npos) {
            cut_ = true;  // the recorder was stopped inside this line
            break;
        }
        const std::string_view line(text.data() + at, end - at);
        at = end + 1;
        ++line_number;
        std::string error;
        if (line_number == 1) {
            if (!tap::parse_header_line(line, error)) throw std::runtime_error(path + ": " + error);
            continue;
        }
        const auto exchange = tap::parse_record_line(line, error);
        if (!exchange) throw std::runtime_error(path + ": line " + std::to_string(line_number) + ": " + error);
        if (!sent(exchange->result)) continue;
        entries_.push_back({line_number, exchange->frame, exchange->reply,
                            exchange->result == "ok" && !exchange->reply.empty(), exchange->call});
    }
    if (line_number == 0) throw std::runtime_error(path + ": no header line: no tevrak recording");
    last_line_ = line_number;
    if (entries_.empty() && !cut_) state_ = State::answered;
}

std::optional<Bytes> Replay::take(std::span<const std::uint8_t> frame) {
    std::lock_guard lock(mutex_);
    if (state_ == State::diverged || state_ == State::cut_short) return std::nullopt;
    const Bytes came(frame.begin(), frame.end());
    if (next_ == entries_.size()) {
        if (cut_) {
            state_ = State::cut_short;
            message_ = "the recording ends at line " + std::to_string(last_line_);
        } else {
            state_ = State::diverged;
            message_ = "record " + std::to_string(last_line_ + 1) + ": expected the end of the recording, got " +
                       tap::call_text(came);
        }
        return std::nullopt;
    }
    const Entry &entry = entries_[next_];
    if (entry.frame != came) {
        state_ = State::diverged;
        // The wire cannot tell PSDGet from PSDGetRaw: a frame of the same
        // operation is named by the recorded call.
        const bool same_operation = !came.empty() && came[0] == entry.frame[0];
        message_ = "record " + std::to_string(entry.line) + ": expected " + tap::call_text(entry.frame, entry.call) +
                   ", got " + tap::call_text(came, same_operation ? entry.call : std::string());
        return std::nullopt;
    }
    ++next_;
    if (next_ == entries_.size() && !cut_) state_ = State::answered;
    if (!entry.answered) return std::nullopt;
    return entry.reply;
}

Replay::State Replay::state() const {
    std::lock_guard lock(mutex_);
    return state_;
}

bool Replay::consumed() const {
    std::lock_guard lock(mutex_);
    return next_ == entries_.size();
}

std::string Replay::message() const {
    std::lock_guard lock(mutex_);
    return message_;
}

int Replay::exit_status() const {
    switch (state()) {
    case State::diverged: return 1;
    case State::cut_short: return 3;
    default: return 0;
    }
}

}  // namespace tevrak::sim
