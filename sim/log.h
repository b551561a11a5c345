// The simulator's log: one line per frame or event, flushed at once.
// A line that repeats the one before (a program polling the drive status)
// is counted instead of written again; the count follows as
// "(last line repeated N more times)" before the next different line, or
// when flush() is called.
#pragma once

#include <cstdio>
#include <functional>
#include <mutex>
#include <string>
#include <string_view>

namespace tevrak::sim {

class Log {
public:
    // Sees every line as it is written (repeat counts included), under the
    // log's lock: it must not call back into the log.
    using Tap = std::function<void(std::string_view line)>;

    // The stream is not owned.
    explicit Log(std::FILE *out) : out_(out) {}
    Log(const Log &) = delete;
    Log &operator=(const Log &) = delete;

    void line(std::string_view text);
    // Writes a pending repeat count.
    void flush();
    void set_tap(Tap tap);

private:
    void write(std::string_view text);
    void write_repeats();

    std::FILE *out_;
    std::mutex mutex_;
    std::string last_;
    long repeats_ = 0;
    Tap tap_;
};

}  // namespace tevrak::sim
