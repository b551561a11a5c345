#include "hdt_file.h"

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>

#include <sys/types.h>

#include "config/robot_files.h"
#include "config/startup_failure.h"

namespace tevrak::hdt {
namespace {

constexpr std::size_t kBlock = 64 * 1024;

}  // namespace

int to_int(std::string_view text) {
    std::size_t i = 0;
    auto is_space = [](char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r'; };
    while (i < text.size() && is_space(text[i])) ++i;
    bool negative = false;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) {
        negative = text[i] == '-';
        ++i;
    }
    long long value = 0;
    for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i) {
        value = value * 10 + (text[i] - '0');
        if (value > static_cast<long long>(INT_MAX) + 1) {
            value = static_cast<long long>(INT_MAX) + 1;
        }
    }
    if (negative) return static_cast<int>(-value);
    return value > INT_MAX ? INT_MAX : static_cast<int>(value);
}

bool FieldCursor::next(std::string_view &out) {
    auto is_separator = [](char c) { return c == ' ' || c == '\n'; };
    std::size_t start = 0;
    while (start < rest_.size() && is_separator(rest_[start])) ++start;
    if (start == rest_.size()) {
        rest_ = {};
        return false;
    }
    std::size_t end = start;
    while (end < rest_.size() && !is_separator(rest_[end])) ++end;
    out = rest_.substr(start, end - start);
    rest_.remove_prefix(end);
    return true;
}

Fields::Fields(std::string_view line) {
    FieldCursor cursor(line);
    std::string_view field;
    while (count_ < kMax && cursor.next(field)) field_[count_++] = field;
}

std::string_view Fields::text(std::size_t n) const {
    if (n == 0 || n > count_) return {};
    return field_[n - 1];
}

LineReader::LineReader(const char *path) {
    // A file another user could change is not read.
    if (const int refused = config::refuse_unsafe_robot_file(path); refused != 0) {
        config::note_startup_failure(config::StartupFailure::What::robot_file, path, refused);
        return;
    }
    file_ = std::fopen(path, "r");
    if (file_ == nullptr) config::note_startup_failure(config::StartupFailure::What::robot_file, path, errno);
}

LineReader::LineReader(std::FILE *stream) : file_(stream), owns_(false) {}

LineReader::~LineReader() {
    std::free(buffer_);
    if (file_ != nullptr && owns_) std::fclose(file_);
}

bool LineReader::fill() {
    if (at_end_) return false;
    if (begin_ > 0) {  // the unread bytes move to the front
        std::memmove(buffer_, buffer_ + begin_, end_ - begin_);
        end_ -= begin_;
        begin_ = 0;
    }
    if (end_ == capacity_) {  // a line longer than the buffer
        const std::size_t grown = capacity_ == 0 ? kBlock : capacity_ * 2;
        char *bigger = static_cast<char *>(std::realloc(buffer_, grown));
        if (bigger == nullptr) return false;
        buffer_ = bigger;
        capacity_ = grown;
    }
    const std::size_t got = std::fread(buffer_ + end_, 1, capacity_ - end_, file_);
    if (got == 0) at_end_ = true;
    end_ += got;
    return got > 0;
}

bool LineReader::next(std::string_view &line) {
    if (file_ == nullptr) return false;
    std::size_t searched = begin_;
    for (;;) {
        const void *newline = end_ > searched ? std::memchr(buffer_ + searched, '\n', end_ - searched) : nullptr;
        if (newline != nullptr) {
            const std::size_t stop = static_cast<std::size_t>(static_cast<const char *>(newline) - buffer_) + 1;
            line = std::string_view(buffer_ + begin_, stop - begin_);
            begin_ = stop;
            return true;
        }
        searched = end_ - begin_;  // where the search goes on once the bytes moved
        if (!fill()) break;
    }
    if (begin_ == end_) return false;
    line = std::string_view(buffer_ + begin_, end_ - begin_);  // the last line has no newline
    begin_ = end_;
    return true;
}

}  // namespace tevrak::hdt
