#include "sim/world/frame_text.h"

#include <cstdio>
#include <string_view>

#include "protocol/frame.h"
#include "protocol/opcodes.h"

namespace tevrak::sim {
namespace {

// Fields of an operation's arguments or reply, or false when the bytes are
// too short for them.
bool decode_fields(const protocol::Field *fields, int count, std::span<const std::uint8_t> bytes, DecodedFrame &out) {
    out.count = count;
    for (int i = 0; i < count; ++i) {
        const protocol::Field &field = fields[i];
        if (static_cast<std::size_t>(field.offset + field.width) > bytes.size()) return false;
        out.labels[static_cast<std::size_t>(i)] = field.name;
        out.values[static_cast<std::size_t>(i)] = protocol::field_value(field, bytes);
    }
    return true;
}

void append_fields(std::string &text, const DecodedFrame &decoded) {
    for (int i = 0; i < decoded.count; ++i) {
        text += ' ';
        text += decoded.labels[static_cast<std::size_t>(i)];
        text += '=';
        text += std::to_string(decoded.values[static_cast<std::size_t>(i)]);
    }
}

std::string hex_bytes(std::span<const std::uint8_t> bytes) {
    std::string text;
    char hex[4];
    for (std::uint8_t byte : bytes) {
        std::snprintf(hex, sizeof hex, " %02X", byte);
        text += hex;
    }
    return text;
}

}  // namespace

int DecodedFrame::operator[](std::string_view label) const {
    for (int i = 0; i < count; ++i) {
        if (label == labels[static_cast<std::size_t>(i)]) return values[static_cast<std::size_t>(i)];
    }
    return 0;
}

DecodedFrame decode_frame(std::span<const std::uint8_t> frame) {
    DecodedFrame decoded;
    if (frame.empty()) return decoded;
    decoded.opcode = frame[0];
    const auto *info = protocol::find_opcode(frame[0]);
    if (info == nullptr || frame.size() != info->frame_length) return decoded;
    if (!decode_fields(info->arguments.data(), info->argument_count, frame, decoded)) return decoded;
    decoded.name = info->name;
    return decoded;
}

std::string describe_frame(std::span<const std::uint8_t> frame) {
    const DecodedFrame decoded = decode_frame(frame);
    if (decoded.name == nullptr) return "unknown frame" + hex_bytes(frame);
    std::string text = decoded.name;
    append_fields(text, decoded);
    return text;
}

DecodedFrame decode_reply(std::uint8_t opcode, std::span<const std::uint8_t> reply) {
    DecodedFrame decoded;
    decoded.opcode = opcode;
    const auto *info = protocol::find_opcode(opcode);
    if (info == nullptr || info->reply_length == 0 ||
        !decode_fields(info->reply.data(), info->reply_count, reply, decoded)) {
        decoded.count = 0;
    }
    return decoded;
}

std::string describe_reply(std::uint8_t opcode, std::span<const std::uint8_t> reply) {
    const auto *info = protocol::find_opcode(opcode);
    if (info == nullptr || info->reply_length == 0) return {};
    DecodedFrame decoded;
    if (!decode_fields(info->reply.data(), info->reply_count, reply, decoded)) return " ->" + hex_bytes(reply);
    std::string text = " ->";
    append_fields(text, decoded);
    return text;
}

}  // namespace tevrak::sim
