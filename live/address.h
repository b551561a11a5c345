// Where a live page listens.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace tevrak::sim {

// A numeric address or host name, and a port (0: any free port).
struct ViewAddress {
    std::string host = "127.0.0.1";
    int port = 0;
};

// "[ADDR:]PORT", the address in brackets when it is IPv6 ("[::1]:8080").
std::optional<ViewAddress> parse_view_address(std::string_view text);

}  // namespace tevrak::sim
