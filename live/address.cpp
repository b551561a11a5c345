#include "live/address.h"

#include <charconv>

namespace tevrak::sim {

std::optional<ViewAddress> parse_view_address(std::string_view text) {
    ViewAddress address;
    const auto colon = text.rfind(':');
    if (colon != std::string_view::npos) {
        std::string_view host = text.substr(0, colon);
        if (host.size() >= 2 && host.front() == '[' && host.back() == ']') host = host.substr(1, host.size() - 2);
        if (host.empty() || host.find_first_of("[] \t") != std::string_view::npos) return std::nullopt;
        address.host = host;
        text.remove_prefix(colon + 1);
    }
    long port = -1;
    const auto *end = text.data() + text.size();
    const auto parsed = std::from_chars(text.data(), end, port);
    if (text.empty() || parsed.ec != std::errc{} || parsed.ptr != end || port < 0 || port > 65535) return std::nullopt;
    address.port = static_cast<int>(port);
    return address;
}

}  // namespace tevrak::sim
