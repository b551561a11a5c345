// The tap's records as JSON lines, the format of a recording:
//
//   line 1, the header:
//     {"format":"tevrak-recording","version":1,"library":"0.2.0","hdt":"<hdt.txt>"}
//   every further line, one exchange with the board:
//     {"time":1765378958.123456,"unit":"psd","op":"PSDGetRaw","call":"PSDGet","args":{"psd":2},
//      "result":"ok","reply_values":{"raw":300},"frame":"F002","reply":"012C","dropped":0}
//
// "frame" and "reply" are the bytes on the wire (the reply without its
// marker) in hexadecimal; "args" and "reply_values" name their fields.
// "call" is the library call the program made ("PSDGet" sends PSDGetRaw's
// frame); the operation's own name when the call is the operation.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "protocol/tap_record.h"

namespace tevrak::tap {

inline constexpr int kFormatVersion = 1;
// Longest line a reader takes: a header with a long hdt.txt, and records.
inline constexpr std::size_t kLongestLine = 64 * 1024;
inline constexpr std::size_t kLongestCallName = 32;

// "drive", "servo", "motor", "encoder", "psd" for an opcode of the board.
const char *unit_of(std::uint8_t opcode);
// "ok", "link_failed", "no_reply", "short_reply"; "startup_failed".
const char *result_name(int outcome);

// The header line (no newline).
std::string header_line(std::string_view hdt_text);
// The record's line (no newline).
std::string record_line(const protocol::tap::Record &record);

// An exchange read back from a recording's line.
struct Exchange {
    std::vector<std::uint8_t> frame;
    std::vector<std::uint8_t> reply;
    std::string result;
    std::string call;  // empty when the recording does not say
};

// Nothing for a line that is no record (error gets why).
std::optional<Exchange> parse_record_line(std::string_view line, std::string &error);
// True for a header of a format this reader knows (error gets why not).
bool parse_header_line(std::string_view line, std::string &error);

// The program's call of a record: the tap's call, else the operation's name.
std::string call_name(std::uint8_t opcode, std::uint8_t call);
// "PSDGetRaw(2)", "VWSetSpeed(200,0)": the operation a frame carries, named
// by the program's call where one is given: "PSDGet(2)" (the call's
// arguments are the frame's), "SERVOSet sending SERVOSetRaw(1,200)".
std::string call_text(const std::vector<std::uint8_t> &frame, std::string_view call = {});

}  // namespace tevrak::tap
