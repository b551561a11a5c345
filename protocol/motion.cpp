#include "protocol/motion.h"

#include "protocol/opcodes.h"

namespace tevrak::protocol {

namespace {

bool moves_drive(std::uint8_t opcode) {
    switch (opcode) {
    case op::VWCurve:  // VWCurve and VWDrive
    case op::VWTurn:
    case op::VWSetSpeed:
    case op::VWStraight: return true;
    default: return false;
    }
}

bool moves_motor(std::uint8_t opcode) { return opcode == op::MOTORSpeed || opcode == op::MOTORDriveRaw; }

}  // namespace

void Motion::note(const std::uint8_t *frame, std::size_t length) {
    if (length == 0) return;
    if (moves_drive(frame[0])) drive = 1;
    if (moves_motor(frame[0]) && length >= 2) motors[frame[1] / 8] |= static_cast<std::uint8_t>(1u << (frame[1] % 8));
}

bool Motion::any() const {
    if (drive) return true;
    for (auto bits : motors) {
        if (bits) return true;
    }
    return false;
}

void Motion::clear() {
    drive = 0;
    for (auto &bits : motors) bits = 0;
}

std::size_t stop_frames(const Motion &motion, std::uint8_t *out, std::size_t capacity) {
    std::size_t n = 0;
    if (motion.drive && capacity - n >= 5) {
        const std::uint8_t frame[] = {op::VWSetSpeed, 0, 0, 0, 0};
        for (auto b : frame) out[n++] = b;
    }
    for (unsigned motor = 0; motor < 256; ++motor) {
        if (!(motion.motors[motor / 8] & (1u << (motor % 8)))) continue;
        if (capacity - n < 6) break;
        const std::uint8_t frames[] = {op::MOTORSpeed,    static_cast<std::uint8_t>(motor), 0,
                                       op::MOTORDriveRaw, static_cast<std::uint8_t>(motor), 0};
        for (auto b : frames) out[n++] = b;
    }
    return n;
}

void FrameCursor::feed(std::uint8_t byte, Motion &motion) {
    if (length_ == 0) {
        const OpcodeInfo *info = find_opcode(byte);
        if (info == nullptr) return;  // a lone byte: probe or noise
        length_ = info->frame_length;
        filled_ = 0;
    }
    frame_[filled_++] = byte;
    if (filled_ == length_) {
        motion.note(frame_, length_);
        length_ = 0;
        filled_ = 0;
    }
}

}  // namespace tevrak::protocol
