// The controller board's command set, described once: for every operation
// its opcode, the unit it belongs to, its argument fields and its reply
// fields. The units build their frames and read their replies from it, the
// simulated board cuts the byte stream with it, the simulator's frame log
// names the fields with it, and the tests read it instead of restating it.
//
// A frame is the opcode and a fixed payload; a query's reply comes behind
// the reply marker. The frame length (opcode included) and the reply length
// follow from the fields, and a check below holds every entry to that.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>

#include "serial/link_bytes.h"

namespace tevrak::protocol {

// The link check's probe, and the marker that answers it and leads a reply.
using serial::kProbe;
using serial::kReplyMarker;

namespace op {
inline constexpr std::uint8_t VWControl = 0xC1;
inline constexpr std::uint8_t VWCurve = 0xC3;  // also VWDrive
inline constexpr std::uint8_t MOTORPIDOff = 0xC4;
inline constexpr std::uint8_t MOTORSpeed = 0xCD;
inline constexpr std::uint8_t VWSetPosition = 0xD1;
inline constexpr std::uint8_t SERVORange = 0xD3;
inline constexpr std::uint8_t VWControlOff = 0xD7;
inline constexpr std::uint8_t VWGetSpeed = 0xD8;
inline constexpr std::uint8_t VWTurn = 0xD9;
inline constexpr std::uint8_t VWDriveStatus = 0xDA;  // VWDriveDone, VWDriveWait, VWStalled
inline constexpr std::uint8_t MOTORPID = 0xE4;
inline constexpr std::uint8_t ENCODERRead = 0xE5;  // also ENCODERReset
inline constexpr std::uint8_t MOTORDriveRaw = 0xED;
inline constexpr std::uint8_t PSDGetRaw = 0xF0;
inline constexpr std::uint8_t VWGetPosition = 0xF1;
inline constexpr std::uint8_t SERVOSetRaw = 0xF3;
inline constexpr std::uint8_t DriveSetup = 0xF7;  // sent by VWInit
inline constexpr std::uint8_t VWSetSpeed = 0xF8;
inline constexpr std::uint8_t VWStraight = 0xF9;
inline constexpr std::uint8_t VWDriveRemain = 0xFA;
}  // namespace op

// The device units on the link. Encoders share the motors' start-up but
// speak for themselves in their messages.
enum class UnitId : std::uint8_t { drive, servo, motor, encoder, sensor };

// The tag a unit's messages and errors carry: "VW", "SERVO", ...
constexpr const char *unit_name(UnitId unit) {
    switch (unit) {
    case UnitId::drive: return "VW";
    case UnitId::servo: return "SERVO";
    case UnitId::motor: return "MOTOR";
    case UnitId::encoder: return "ENCODER";
    case UnitId::sensor: return "PSD";
    }
    return "";
}

// One field of a payload or a reply, high byte first on the wire.
struct Field {
    const char *name;     // "linear": also the simulator log's label
    std::uint8_t offset;  // first byte: in a frame counting the opcode as 0,
                          // in a reply the first byte behind the marker
    std::uint8_t width;   // 1, 2 or 4 bytes
    bool is_signed;
    const char *unit;  // "mm", "mm/s", "1/100 rad", ... ; "" for a count or number
};

inline constexpr std::size_t kMaxArguments = 4;
inline constexpr std::size_t kMaxReplyFields = 3;

struct OpcodeInfo {
    std::uint8_t opcode;
    const char *name;
    std::uint8_t frame_length;  // bytes on the wire, opcode included
    std::uint8_t reply_length;  // data bytes behind the reply marker; 0: no reply
    UnitId unit;
    const char *meaning;
    // In the order of the operation's arguments, which is not always the
    // wire's (VWStraight and VWTurn carry the speed first).
    std::uint8_t argument_count;
    std::array<Field, kMaxArguments> arguments;
    std::uint8_t reply_count;
    std::array<Field, kMaxReplyFields> reply;
};

namespace field {
constexpr Field u8(const char *name, std::uint8_t at, const char *unit = "") { return {name, at, 1, false, unit}; }
constexpr Field s8(const char *name, std::uint8_t at, const char *unit = "") { return {name, at, 1, true, unit}; }
constexpr Field u16(const char *name, std::uint8_t at, const char *unit = "") { return {name, at, 2, false, unit}; }
constexpr Field s16(const char *name, std::uint8_t at, const char *unit = "") { return {name, at, 2, true, unit}; }
constexpr Field s32(const char *name, std::uint8_t at, const char *unit = "") { return {name, at, 4, true, unit}; }
}  // namespace field

namespace detail {
using namespace field;
inline constexpr const char *kMm = "mm";
inline constexpr const char *kMmPerS = "mm/s";
inline constexpr const char *kAngle = "1/100 rad";
inline constexpr const char *kTurnRate = "1/100 rad/s";

constexpr OpcodeInfo command(std::uint8_t opcode, const char *name, std::uint8_t frame_length, UnitId unit,
                             const char *meaning, std::uint8_t count, std::array<Field, kMaxArguments> arguments = {}) {
    return {opcode, name, frame_length, 0, unit, meaning, count, arguments, 0, {}};
}

constexpr OpcodeInfo query(std::uint8_t opcode, const char *name, std::uint8_t frame_length, std::uint8_t reply_length,
                           UnitId unit, const char *meaning, std::uint8_t count,
                           std::array<Field, kMaxArguments> arguments, std::uint8_t reply_count,
                           std::array<Field, kMaxReplyFields> reply) {
    return {opcode, name, frame_length, reply_length, unit, meaning, count, arguments, reply_count, reply};
}
}  // namespace detail

inline constexpr OpcodeInfo kOpcodes[] = {
    detail::command(op::VWControl, "VWControl", 5, UnitId::drive, "load the drive controller's four gains", 4,
                    {field::u8("gain1", 1), field::u8("gain2", 2), field::u8("gain3", 3), field::u8("gain4", 4)}),
    detail::command(op::VWCurve, "VWCurve", 7, UnitId::drive, "drive a curve (VWCurve, VWDrive)", 3,
                    {field::s16("length", 1, detail::kMm), field::s16("angle", 3, detail::kAngle),
                     field::s16("speed", 5, detail::kMmPerS)}),
    detail::command(op::MOTORPIDOff, "MOTORPIDOff", 2, UnitId::motor, "switch a motor's PID control off", 1,
                    {field::u8("motor", 1)}),
    detail::command(op::MOTORSpeed, "MOTORSpeed", 3, UnitId::motor, "set a motor's controlled speed", 2,
                    {field::u8("motor", 1), field::s8("speed", 2, "ticks")}),
    detail::command(
        op::VWSetPosition, "VWSetPosition", 7, UnitId::drive, "set the drive's position", 3,
        {field::s16("x", 1, detail::kMm), field::s16("y", 3, detail::kMm), field::s16("heading", 5, detail::kAngle)}),
    detail::command(op::SERVORange, "SERVORange", 4, UnitId::servo, "set a servo's range", 3,
                    {field::u8("servo", 1), field::u8("low", 2), field::u8("high", 3)}),
    detail::command(op::VWControlOff, "VWControlOff", 1, UnitId::drive, "switch the drive controller off", 0),
    detail::query(op::VWGetSpeed, "VWGetSpeed", 1, 4, UnitId::drive, "read the drive's speeds", 0, {}, 2,
                  {field::s16("linear", 0, detail::kMmPerS), field::s16("angular", 2, detail::kTurnRate)}),
    detail::command(op::VWTurn, "VWTurn", 5, UnitId::drive, "turn on the spot", 2,
                    {field::s16("angle", 3, detail::kAngle), field::s16("speed", 1, detail::kTurnRate)}),
    detail::query(op::VWDriveStatus, "VWDriveStatus", 1, 1, UnitId::drive, "read the drive status (1 done, 2 stalled)",
                  0, {}, 1, {field::u8("status", 0)}),
    detail::command(op::MOTORPID, "MOTORPID", 5, UnitId::motor, "set a motor's PID parameters", 4,
                    {field::u8("motor", 1), field::u8("p", 2), field::u8("i", 3), field::u8("d", 4)}),
    detail::query(op::ENCODERRead, "ENCODERRead", 2, 4, UnitId::encoder, "read an encoder's count", 1,
                  {field::u8("encoder", 1)}, 1, {field::s32("count", 0, "ticks")}),
    detail::command(op::MOTORDriveRaw, "MOTORDriveRaw", 3, UnitId::motor, "set a motor's raw power", 2,
                    {field::u8("motor", 1), field::s8("power", 2)}),
    detail::query(op::PSDGetRaw, "PSDGetRaw", 2, 2, UnitId::sensor, "read a distance sensor's raw value", 1,
                  {field::u8("psd", 1)}, 1, {field::u16("raw", 0)}),
    detail::query(
        op::VWGetPosition, "VWGetPosition", 1, 6, UnitId::drive, "read the drive's position", 0, {}, 3,
        {field::s16("x", 0, detail::kMm), field::s16("y", 2, detail::kMm), field::s16("heading", 4, detail::kAngle)}),
    detail::command(op::SERVOSetRaw, "SERVOSetRaw", 3, UnitId::servo, "set a servo's raw position", 2,
                    {field::u8("servo", 1), field::u8("position", 2)}),
    detail::command(op::DriveSetup, "DriveSetup", 8, UnitId::drive, "set the drive up (sent by VWInit)", 4,
                    {field::u16("ticks", 1, "ticks"), field::u16("diameter", 3, detail::kMm),
                     field::u16("track", 5, detail::kMm), field::u8("flags", 7)}),
    detail::command(op::VWSetSpeed, "VWSetSpeed", 5, UnitId::drive, "set linear and angular speed", 2,
                    {field::s16("linear", 1, detail::kMmPerS), field::s16("angular", 3, detail::kTurnRate)}),
    detail::command(op::VWStraight, "VWStraight", 5, UnitId::drive, "drive straight", 2,
                    {field::s16("distance", 3, detail::kMm), field::s16("speed", 1, detail::kMmPerS)}),
    detail::query(op::VWDriveRemain, "VWDriveRemain", 1, 2, UnitId::drive, "read the remaining distance", 0, {}, 1,
                  {field::u16("remaining", 0, detail::kMm)}),
};

// The index entry of an opcode, or nullptr for a byte that is no opcode.
constexpr const OpcodeInfo *find_opcode(std::uint8_t opcode) {
    for (const auto &info : kOpcodes) {
        if (info.opcode == opcode) return &info;
    }
    return nullptr;
}

// Its row number, or the table's size for a byte that is no opcode (an
// index, not a pointer: the sanitizers' builds cannot compare pointers at
// compile time).
constexpr std::size_t opcode_row(std::uint8_t opcode) {
    std::size_t row = 0;
    while (row < std::size(kOpcodes) && kOpcodes[row].opcode != opcode) ++row;
    return row;
}

// The entry of an opcode the caller names in code: a compile error when
// the opcode has none.
template <std::uint8_t Opcode>
constexpr const OpcodeInfo &opcode_info() {
    constexpr std::size_t row = opcode_row(Opcode);
    static_assert(row < std::size(kOpcodes), "no such opcode in kOpcodes");
    return kOpcodes[row];
}

inline constexpr std::size_t kMaxFrameLength = 8;
inline constexpr std::size_t kMaxReplyLength = 6;

namespace detail {
// Whether fields cover bytes first..end-1 exactly once, each in range.
constexpr bool tiles(const Field *fields, std::size_t count, std::size_t first, std::size_t end) {
    std::array<int, kMaxFrameLength> used{};
    for (std::size_t i = 0; i < count; ++i) {
        const Field &f = fields[i];
        if (f.width != 1 && f.width != 2 && f.width != 4) return false;
        if (f.offset < first || f.offset + f.width > end) return false;
        for (std::size_t b = f.offset; b < f.offset + f.width; ++b) ++used[b];
    }
    for (std::size_t b = first; b < end; ++b) {
        if (used[b] != 1) return false;
    }
    return true;
}

constexpr bool well_formed(const OpcodeInfo &info) {
    return info.frame_length >= 1 && info.frame_length <= kMaxFrameLength && info.reply_length <= kMaxReplyLength &&
           info.argument_count <= kMaxArguments && info.reply_count <= kMaxReplyFields &&
           tiles(info.arguments.data(), info.argument_count, 1, info.frame_length) &&
           tiles(info.reply.data(), info.reply_count, 0, info.reply_length);
}

constexpr bool table_well_formed() {
    for (std::size_t i = 0; i < std::size(kOpcodes); ++i) {
        if (!well_formed(kOpcodes[i])) return false;
        for (std::size_t j = 0; j < i; ++j) {
            if (kOpcodes[i].opcode == kOpcodes[j].opcode) return false;
        }
    }
    return true;
}
}  // namespace detail

static_assert(detail::table_well_formed(), "every opcode once; its fields fill its frame and its reply exactly");

}  // namespace tevrak::protocol
