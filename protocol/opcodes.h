// The controller board's command set: one opcode byte, a fixed payload, and
// for queries a reply behind the reply marker. The frame length (opcode
// included) and the reply length are fixed by the opcode.
#pragma once

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

struct OpcodeInfo {
    std::uint8_t opcode;
    const char *name;
    std::uint8_t frame_length;  // bytes on the wire, opcode included
    std::uint8_t reply_length;  // data bytes behind the reply marker; 0: no reply
};

inline constexpr OpcodeInfo kOpcodes[] = {
    {op::VWControl, "VWControl", 5, 0},
    {op::VWCurve, "VWCurve", 7, 0},
    {op::MOTORPIDOff, "MOTORPIDOff", 2, 0},
    {op::MOTORSpeed, "MOTORSpeed", 3, 0},
    {op::VWSetPosition, "VWSetPosition", 7, 0},
    {op::SERVORange, "SERVORange", 4, 0},
    {op::VWControlOff, "VWControlOff", 1, 0},
    {op::VWGetSpeed, "VWGetSpeed", 1, 4},
    {op::VWTurn, "VWTurn", 5, 0},
    {op::VWDriveStatus, "VWDriveStatus", 1, 1},
    {op::MOTORPID, "MOTORPID", 5, 0},
    {op::ENCODERRead, "ENCODERRead", 2, 4},
    {op::MOTORDriveRaw, "MOTORDriveRaw", 3, 0},
    {op::PSDGetRaw, "PSDGetRaw", 2, 2},
    {op::VWGetPosition, "VWGetPosition", 1, 6},
    {op::SERVOSetRaw, "SERVOSetRaw", 3, 0},
    {op::DriveSetup, "DriveSetup", 8, 0},
    {op::VWSetSpeed, "VWSetSpeed", 5, 0},
    {op::VWStraight, "VWStraight", 5, 0},
    {op::VWDriveRemain, "VWDriveRemain", 1, 2},
};

// The index entry of an opcode, or nullptr for a byte that is no opcode.
constexpr const OpcodeInfo *find_opcode(std::uint8_t opcode) {
    for (const auto &info : kOpcodes) {
        if (info.opcode == opcode) return &info;
    }
    return nullptr;
}

inline constexpr std::size_t kMaxFrameLength = 8;
inline constexpr std::size_t kMaxReplyLength = 6;

}  // namespace tevrak::protocol
