#include "platform/message.h"

#include <cstring>
#include <string_view>

namespace tevrak {
namespace {

// A thread's held messages: pointers to the texts, no copies, no allocation.
struct Held {
    static constexpr int kMost = 8;
    int depth = 0;
    int count = 0;
    std::FILE *stream[kMost] = {};
    const char *text[kMost] = {};
};

thread_local Held held;

void write_now(std::FILE *stream, const char *text) {
    std::fputs(text, stream);
    std::fflush(stream);
}

}  // namespace

void write_message(std::FILE *stream, const char *text) {
    // More than a call's worth of messages: the oldest goes out, so none is lost.
    if (held.depth > 0 && held.count == Held::kMost) {
        write_now(held.stream[0], held.text[0]);
        std::memmove(held.stream, held.stream + 1, (Held::kMost - 1) * sizeof held.stream[0]);
        std::memmove(held.text, held.text + 1, (Held::kMost - 1) * sizeof held.text[0]);
        --held.count;
    }
    if (held.depth == 0) {
        write_now(stream, text);
        return;
    }
    held.stream[held.count] = stream;
    held.text[held.count] = text;
    ++held.count;
}

void hold_messages() { ++held.depth; }

void release_messages() {
    if (held.depth == 0 || --held.depth > 0) return;
    for (int i = 0; i < held.count; ++i) write_now(held.stream[i], held.text[i]);
    held.count = 0;
}

std::string take_held_messages() {
    std::string joined;
    for (int i = 0; i < held.count; ++i) {
        std::string_view text = held.text[i];
        while (!text.empty() && text.back() == '\n') text.remove_suffix(1);
        if (text.empty()) continue;
        if (!joined.empty()) joined += "; ";
        joined += text;
    }
    held.count = 0;
    return joined;
}

}  // namespace tevrak
