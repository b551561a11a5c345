#include "log.h"

#include <string>

namespace tevrak::sim {

void Log::line(std::string_view text) {
    std::lock_guard lock(mutex_);
    if (text == last_) {
        ++repeats_;
        return;
    }
    write_repeats();
    last_.assign(text);
    write(text);
}

void Log::flush() {
    std::lock_guard lock(mutex_);
    write_repeats();
    last_.clear();
}

void Log::write_repeats() {
    if (repeats_ == 0) return;
    write("(last line repeated " + std::to_string(repeats_) + " more times)");
    repeats_ = 0;
}

void Log::set_tap(Tap tap) {
    std::lock_guard lock(mutex_);
    tap_ = std::move(tap);
}

void Log::write(std::string_view text) {
    std::fwrite(text.data(), 1, text.size(), out_);
    std::fputc('\n', out_);
    std::fflush(out_);
    if (tap_) tap_(text);
}

}  // namespace tevrak::sim
