#include "tap/record_json.h"

#include <nlohmann/json.hpp>

#include <cctype>
#include <cstdio>

#include "protocol/command.h"
#include "sim/world/frame_text.h"

#ifndef TEVRAK_VERSION
#define TEVRAK_VERSION "unknown"
#endif

namespace tevrak::tap {
namespace {

using nlohmann::json;
using Outcome = protocol::Outcome;

std::string hex(const std::uint8_t *bytes, std::size_t count) {
    std::string text;
    char pair[3];
    for (std::size_t i = 0; i < count; ++i) {
        std::snprintf(pair, sizeof pair, "%02X", bytes[i]);
        text += pair;
    }
    return text;
}

// Bytes of hexadecimal text of at most limit bytes; nothing when it is not.
std::optional<std::vector<std::uint8_t>> unhex(const json &value, std::size_t limit) {
    if (!value.is_string()) return std::nullopt;
    const auto &text = value.get_ref<const std::string &>();
    if (text.size() % 2 != 0 || text.size() / 2 > limit) return std::nullopt;
    std::vector<std::uint8_t> bytes;
    for (std::size_t i = 0; i < text.size(); i += 2) {
        unsigned byte = 0;
        if (std::sscanf(text.c_str() + i, "%2x", &byte) != 1 || !std::isxdigit(static_cast<unsigned char>(text[i])) ||
            !std::isxdigit(static_cast<unsigned char>(text[i + 1]))) {
            return std::nullopt;
        }
        bytes.push_back(static_cast<std::uint8_t>(byte));
    }
    return bytes;
}

json fields(const sim::DecodedFrame &decoded) {
    json object = json::object();
    for (int i = 0; i < decoded.count; ++i) {
        object[decoded.labels[static_cast<std::size_t>(i)]] = decoded.values[static_cast<std::size_t>(i)];
    }
    return object;
}

std::optional<json> parse_object(std::string_view line, std::string &error) {
    if (line.size() > kLongestLine) {
        error = "line longer than " + std::to_string(kLongestLine) + " bytes";
        return std::nullopt;
    }
    json parsed = json::parse(line, nullptr, false);
    if (parsed.is_discarded() || !parsed.is_object()) {
        error = "not a JSON object";
        return std::nullopt;
    }
    return parsed;
}

}  // namespace

const char *unit_of(std::uint8_t opcode) {
    const auto *info = protocol::find_opcode(opcode);
    if (info == nullptr) return "unknown";
    const std::string_view name = info->name;
    if (name.starts_with("SERVO")) return "servo";
    if (name.starts_with("MOTOR")) return "motor";
    if (name.starts_with("ENCODER")) return "encoder";
    if (name.starts_with("PSD")) return "psd";
    return "drive";
}

const char *result_name(int outcome) {
    switch (static_cast<Outcome>(outcome)) {
    case Outcome::ok: return "ok";
    case Outcome::startup_failed: return "startup_failed";
    case Outcome::link_failed: return "link_failed";
    case Outcome::no_reply: return "no_reply";
    case Outcome::short_reply: return "short_reply";
    }
    return "unknown";
}

std::string header_line(std::string_view hdt_text) {
    json header = {{"format", "tevrak-recording"},
                   {"version", kFormatVersion},
                   {"library", TEVRAK_VERSION},
                   {"hdt", std::string(hdt_text)}};
    return header.dump(-1, ' ', false, json::error_handler_t::replace);
}

std::string record_line(const protocol::tap::Record &record) {
    const std::span<const std::uint8_t> frame(record.frame, record.frame_length);
    const std::span<const std::uint8_t> reply(record.reply, record.reply_length);
    const auto decoded = sim::decode_frame(frame);
    json line = {{"time", static_cast<double>(record.time_ns) / 1e9},
                 {"unit", unit_of(record.frame[0])},
                 {"op", decoded.name != nullptr ? decoded.name : "unknown"},
                 {"call", call_name(record.frame[0], record.call)},
                 {"args", fields(decoded)},
                 {"result", result_name(record.outcome)}};
    if (!reply.empty()) line["reply_values"] = fields(sim::decode_reply(record.frame[0], reply));
    line["frame"] = hex(record.frame, record.frame_length);
    line["reply"] = hex(record.reply, record.reply_length);
    line["dropped"] = record.dropped;
    return line.dump();
}

std::optional<Exchange> parse_record_line(std::string_view line, std::string &error) {
    const auto parsed = parse_object(line, error);
    if (!parsed) return std::nullopt;
    Exchange exchange;
    const auto frame = unhex(parsed->value("frame", json()), protocol::kMaxFrameLength);
    const auto reply = unhex(parsed->value("reply", json()), protocol::kMaxReplyLength);
    const auto result = parsed->find("result");
    if (!frame || frame->empty() || !reply || result == parsed->end() || !result->is_string()) {
        error = "no record: it needs \"frame\", \"reply\" and \"result\"";
        return std::nullopt;
    }
    exchange.frame = *frame;
    exchange.reply = *reply;
    exchange.result = result->get<std::string>();
    // The program's call: a recording of an older library has none.
    const auto call = parsed->value("call", json());
    if (call.is_string() && call.get_ref<const std::string &>().size() <= kLongestCallName) {
        exchange.call = call.get<std::string>();
    }
    return exchange;
}

bool parse_header_line(std::string_view line, std::string &error) {
    const auto parsed = parse_object(line, error);
    if (!parsed) return false;
    if (parsed->value("format", json()) != "tevrak-recording") {
        error = "no tevrak recording: its first line has no \"format\":\"tevrak-recording\"";
        return false;
    }
    if (parsed->value("version", json()) != kFormatVersion) {
        error = "recording format version " + parsed->value("version", json()).dump() + " is not " +
                std::to_string(kFormatVersion);
        return false;
    }
    return true;
}

std::string call_name(std::uint8_t opcode, std::uint8_t call) {
    const char *name = protocol::tap::call_info(call).name;
    if (*name != '\0') return name;
    const auto *info = protocol::find_opcode(opcode);
    return info != nullptr ? info->name : "unknown";
}

std::string call_text(const std::vector<std::uint8_t> &frame, std::string_view call) {
    const auto decoded = sim::decode_frame(frame);
    if (decoded.name == nullptr) return sim::describe_frame(frame);
    std::string operation = decoded.name;
    operation += '(';
    for (int i = 0; i < decoded.count; ++i) {
        if (i > 0) operation += ',';
        operation += std::to_string(decoded.values[static_cast<std::size_t>(i)]);
    }
    operation += ')';
    if (call.empty() || call == decoded.name) return operation;
    for (const auto &known : protocol::tap::kCalls) {
        if (call != known.name) continue;
        // PSDGet(2) sends what PSDGetRaw(2) sends; SERVOSet's frame holds a
        // table value, not the position the program asked for.
        if (known.frame_arguments) return std::string(call) + operation.substr(operation.find('('));
        return std::string(call) + " sending " + operation;
    }
    return operation;
}

}  // namespace tevrak::tap
