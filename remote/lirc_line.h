// One line handed over by the daemon's client library (lirc_nextcode, or
// the unit's event-reader seam), released with free when it goes.
#pragma once

#include <cstdlib>
#include <cstring>
#include <string_view>

#include "remote/state.h"

namespace tevrak::rcin {

class LircLine {
public:
    LircLine() = default;
    ~LircLine() { std::free(text_); }
    LircLine(const LircLine &) = delete;
    LircLine &operator=(const LircLine &) = delete;

    // Asks the client library for the next line: -1 on a library error, 0
    // otherwise; present() tells whether a complete line came.
    int next() {
        std::free(text_);
        text_ = nullptr;
        return state.event_reader(&text_);
    }

    bool present() const { return text_ != nullptr; }
    std::string_view view() const {
        return text_ != nullptr ? std::string_view(text_, std::strlen(text_)) : std::string_view();
    }

private:
    char *text_ = nullptr;
};

}  // namespace tevrak::rcin
