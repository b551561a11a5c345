#include "sim/world/frame_text.h"

#include <cstdio>
#include <string_view>

#include "protocol/frame.h"
#include "protocol/opcodes.h"

namespace tevrak::sim {
namespace {

namespace op = protocol::op;

enum class Kind : std::uint8_t { u8, s8, u16, s16, s32 };

struct Field {
    const char *label;
    std::uint8_t offset;  // first byte of the field
    Kind kind;
};

struct Layout {
    std::uint8_t opcode;
    std::array<Field, 4> fields;
    int count;
};

// Payloads of commands (byte 0 is the opcode), in argument order.
constexpr Layout kFrames[] = {
    {op::VWControl, {{{"gain1", 1, Kind::u8}, {"gain2", 2, Kind::u8}, {"gain3", 3, Kind::u8}, {"gain4", 4, Kind::u8}}}, 4},
    {op::VWCurve, {{{"length", 1, Kind::s16}, {"angle", 3, Kind::s16}, {"speed", 5, Kind::s16}}}, 3},
    {op::MOTORPIDOff, {{{"motor", 1, Kind::u8}}}, 1},
    {op::MOTORSpeed, {{{"motor", 1, Kind::u8}, {"speed", 2, Kind::s8}}}, 2},
    {op::VWSetPosition, {{{"x", 1, Kind::s16}, {"y", 3, Kind::s16}, {"heading", 5, Kind::s16}}}, 3},
    {op::SERVORange, {{{"servo", 1, Kind::u8}, {"low", 2, Kind::u8}, {"high", 3, Kind::u8}}}, 3},
    {op::VWTurn, {{{"angle", 3, Kind::s16}, {"speed", 1, Kind::s16}}}, 2},
    {op::MOTORPID, {{{"motor", 1, Kind::u8}, {"p", 2, Kind::u8}, {"i", 3, Kind::u8}, {"d", 4, Kind::u8}}}, 4},
    {op::ENCODERRead, {{{"encoder", 1, Kind::u8}}}, 1},
    {op::MOTORDriveRaw, {{{"motor", 1, Kind::u8}, {"power", 2, Kind::s8}}}, 2},
    {op::PSDGetRaw, {{{"psd", 1, Kind::u8}}}, 1},
    {op::SERVOSetRaw, {{{"servo", 1, Kind::u8}, {"position", 2, Kind::u8}}}, 2},
    {op::DriveSetup,
     {{{"ticks", 1, Kind::u16}, {"diameter", 3, Kind::u16}, {"track", 5, Kind::u16}, {"flags", 7, Kind::u8}}}, 4},
    {op::VWSetSpeed, {{{"linear", 1, Kind::s16}, {"angular", 3, Kind::s16}}}, 2},
    {op::VWStraight, {{{"distance", 3, Kind::s16}, {"speed", 1, Kind::s16}}}, 2},
};

// Replies behind the marker (offsets count from the first data byte).
constexpr Layout kReplies[] = {
    {op::VWGetSpeed, {{{"linear", 0, Kind::s16}, {"angular", 2, Kind::s16}}}, 2},
    {op::VWDriveStatus, {{{"status", 0, Kind::u8}}}, 1},
    {op::ENCODERRead, {{{"count", 0, Kind::s32}}}, 1},
    {op::PSDGetRaw, {{{"raw", 0, Kind::u16}}}, 1},
    {op::VWGetPosition, {{{"x", 0, Kind::s16}, {"y", 2, Kind::s16}, {"heading", 4, Kind::s16}}}, 3},
    {op::VWDriveRemain, {{{"remaining", 0, Kind::u16}}}, 1},
};

const Layout *find_layout(std::span<const Layout> layouts, std::uint8_t opcode) {
    for (const auto &layout : layouts) {
        if (layout.opcode == opcode) return &layout;
    }
    return nullptr;
}

int size_of(Kind kind) {
    switch (kind) {
        case Kind::u8:
        case Kind::s8: return 1;
        case Kind::u16:
        case Kind::s16: return 2;
        case Kind::s32: return 4;
    }
    return 1;
}

int field_value(std::span<const std::uint8_t> bytes, const Field &field) {
    const std::size_t at = field.offset;
    switch (field.kind) {
        case Kind::u8: return bytes[at];
        case Kind::s8: return static_cast<std::int8_t>(bytes[at]);
        case Kind::u16: return protocol::unsigned_word(bytes[at], bytes[at + 1]);
        case Kind::s16: return protocol::signed_word(bytes[at], bytes[at + 1]);
        case Kind::s32: return protocol::signed_long(bytes[at], bytes[at + 1], bytes[at + 2], bytes[at + 3]);
    }
    return 0;
}

// Fields of a layout, or false when the bytes are too short for it.
bool decode_fields(const Layout &layout, std::span<const std::uint8_t> bytes, DecodedFrame &out) {
    out.count = layout.count;
    for (int i = 0; i < layout.count; ++i) {
        const Field &field = layout.fields[static_cast<std::size_t>(i)];
        if (field.offset + static_cast<std::size_t>(size_of(field.kind)) > bytes.size()) return false;
        out.labels[static_cast<std::size_t>(i)] = field.label;
        out.values[static_cast<std::size_t>(i)] = field_value(bytes, field);
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
    if (const Layout *layout = find_layout(kFrames, frame[0])) {
        if (!decode_fields(*layout, frame, decoded)) return decoded;
    }
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
    const Layout *layout = find_layout(kReplies, opcode);
    if (layout == nullptr || !decode_fields(*layout, reply, decoded)) decoded.count = 0;
    return decoded;
}

std::string describe_reply(std::uint8_t opcode, std::span<const std::uint8_t> reply) {
    const Layout *layout = find_layout(kReplies, opcode);
    if (layout == nullptr) return {};
    DecodedFrame decoded;
    if (!decode_fields(*layout, reply, decoded)) return " ->" + hex_bytes(reply);
    std::string text = " ->";
    append_fields(text, decoded);
    return text;
}

}  // namespace tevrak::sim
