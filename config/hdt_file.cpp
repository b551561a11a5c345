#include "hdt_file.h"

#include <cerrno>
#include <climits>
#include <cstdlib>

#include <sys/types.h>

#include "config/robot_files.h"
#include "config/startup_failure.h"

namespace tevrak::hdt {

int to_int(std::string_view text) {
    std::size_t i = 0;
    auto is_space = [](char c) {
        return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
    };
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

bool LineReader::next(std::string_view &line) {
    if (file_ == nullptr) return false;
    ssize_t length = getline(&buffer_, &capacity_, file_);
    if (length < 0) return false;
    line = std::string_view(buffer_, static_cast<std::size_t>(length));
    return true;
}

}  // namespace tevrak::hdt
