#include "sim/world/log.h"

namespace tevrak::sim {

void Log::line(std::string_view text) {
    std::lock_guard lock(mutex_);
    if (text == last_) {
        ++repeats_;
        return;
    }
    write_repeats();
    last_.assign(text);
    std::fwrite(text.data(), 1, text.size(), out_);
    std::fputc('\n', out_);
    std::fflush(out_);
}

void Log::flush() {
    std::lock_guard lock(mutex_);
    write_repeats();
    last_.clear();
}

void Log::write_repeats() {
    if (repeats_ == 0) return;
    std::fprintf(out_, "(last line repeated %ld more times)\n", repeats_);
    std::fflush(out_);
    repeats_ = 0;
}

}  // namespace tevrak::sim
