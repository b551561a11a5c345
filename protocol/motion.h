// What a program has set moving, read off the frames it sends, and the
// frames that stop it again. Used by whatever must stop the robot when the
// program that drove it is gone: the stop-on-death guard, and the bridge
// that carries the board's bytes over SSH.
//
// Everything here works on fixed-size plain data and never allocates, so a
// forked child may use it between fork and _exit, and the record may live
// in memory shared between two processes.
#pragma once

#include <cstddef>
#include <cstdint>

namespace tevrak::protocol {

// One bit per motor number (a byte on the wire), and the drive.
struct Motion {
    std::uint8_t drive;       // 1 once a drive command went out
    std::uint8_t motors[32];  // bit n set: motor n was set going

    // Takes a whole frame (opcode first) that went to the board.
    void note(const std::uint8_t *frame, std::size_t length);
    bool any() const;
    void clear();
};

// The longest stop sequence stop_frames() writes: the drive's speed frame
// and two frames for each of 256 motors.
inline constexpr std::size_t kMaxStopBytes = 5 + 256 * 6;

// Writes the frames that stop what motion records: the drive's speed 0
// (linear and angular) when the drive was used, and speed 0 then power 0
// for every motor set going. Servos are left where they are. Returns the
// byte count, never more than capacity (frames that do not fit are left out
// whole).
std::size_t stop_frames(const Motion &motion, std::uint8_t *out, std::size_t capacity);

// Follows a byte stream to the board frame by frame: where the current
// frame stands, and which frames set something moving. Bytes that are no
// opcode (the link check's probe) stand alone.
class FrameCursor {
public:
    // Takes the next byte that went to the board.
    void feed(std::uint8_t byte, Motion &motion);
    // Bytes still owed to the frame in progress (0 between frames).
    std::size_t missing() const { return length_ == 0 ? 0 : length_ - filled_; }

private:
    std::uint8_t frame_[8] = {};
    std::size_t length_ = 0;
    std::size_t filled_ = 0;
};

}  // namespace tevrak::protocol
