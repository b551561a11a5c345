// Control lines from a descriptor (standard input, the control FIFO): reads
// what is there without blocking and hands out complete lines.
#pragma once

#include <string>
#include <vector>

namespace tevrak::sim {

class LineInput {
public:
    enum class State { open, ended };

    // Reads once from fd (which poll reported readable) and appends the
    // complete lines to lines. ended: the writer closed (or an error).
    State read_from(int fd, std::vector<std::string> &lines);

private:
    static constexpr std::size_t kLongestLine = 4096;  // longer lines are cut
    std::string partial_;
};

}  // namespace tevrak::sim
