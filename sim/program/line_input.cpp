#include "sim/program/line_input.h"

#include <unistd.h>

#include <cerrno>

namespace tevrak::sim {

LineInput::State LineInput::read_from(int fd, std::vector<std::string> &lines) {
    char chunk[512];
    const ssize_t n = ::read(fd, chunk, sizeof chunk);
    if (n < 0 && (errno == EINTR || errno == EAGAIN)) return State::open;
    if (n <= 0) {
        if (!partial_.empty()) lines.push_back(std::move(partial_));
        partial_.clear();
        return State::ended;
    }
    for (ssize_t i = 0; i < n; ++i) {
        if (chunk[i] == '\n') {
            lines.push_back(std::move(partial_));
            partial_.clear();
        } else if (partial_.size() < kLongestLine) {
            partial_ += chunk[i];
        }
    }
    return State::open;
}

}  // namespace tevrak::sim
