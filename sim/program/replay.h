// A recorded run played back as the board: each frame the program sends is
// compared with the next record of the recording and answered with the
// reply recorded for it. Records are numbered by their line in the file
// (the header is line 1). Records of exchanges that never reached the board
// (a failed link check) are passed over.
//
// The replay ends in one of three ways: the recording was answered to its
// end (the simulator ends once the program closed the port), a frame other
// than the recorded one came ("record 214: expected PSDGet(2), got
// PSDGet(3)", named by the program's recorded call; no answer from then on), or a frame came beyond the last
// whole line of a recording cut inside a line ("the recording ends at line
// N"; no answer either).
#pragma once

#include <cstdint>
#include <mutex>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "sim/board/board.h"

namespace tevrak::sim {

class Replay {
public:
    enum class State { running, answered, diverged, cut_short };

    // Reads the whole recording. Throws std::runtime_error when it cannot
    // be read, has no header of a known format, or a whole line in it is
    // no record.
    explicit Replay(const std::string &path);

    // The board's thread: a complete frame came. The data to answer it
    // with; nothing for a command, or when it gets no answer.
    std::optional<Bytes> take(std::span<const std::uint8_t> frame);

    State state() const;
    // Every whole record was taken.
    bool consumed() const;
    bool cut() const { return cut_; }
    int last_line() const { return last_line_; }
    // The report of a diverged or cut-short replay, without newline.
    std::string message() const;
    // The exit status the state calls for: 0 answered, 1 diverged,
    // 3 cut short (running: 0).
    int exit_status() const;

private:
    struct Entry {
        int line;
        Bytes frame;
        Bytes reply;
        bool answered;     // the recording has the reply (its result was ok)
        std::string call;  // the program's call that sent it, if recorded
    };
    std::vector<Entry> entries_;
    int last_line_ = 1;  // the last whole line of the file
    bool cut_ = false;   // the file ends inside a line
    mutable std::mutex mutex_;
    std::size_t next_ = 0;
    State state_ = State::running;
    std::string message_;
};

}  // namespace tevrak::sim
