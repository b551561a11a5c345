// Helpers for the fuzz targets: cutting one input into parts and reading a
// part as a file.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <string_view>
#include <utility>

namespace tevrak::fuzz {

inline std::string_view as_text(const std::uint8_t *data, std::size_t size) {
    return {reinterpret_cast<const char *>(data), size};
}

// Splits at the first byte 0x01: (before, after). No such byte: (all, "").
inline std::pair<std::string_view, std::string_view> split_once(std::string_view text) {
    const auto at = text.find('\x01');
    if (at == std::string_view::npos) return {text, {}};
    return {text.substr(0, at), text.substr(at + 1)};
}

// A read-only stream over the text; closed when it goes out of scope.
class MemoryFile {
public:
    explicit MemoryFile(std::string_view text)
            : file_(text.empty() ? std::fopen("/dev/null", "r")
                                 : fmemopen(const_cast<char *>(text.data()), text.size(), "r")) {}
    ~MemoryFile() {
        if (file_ != nullptr) std::fclose(file_);
    }
    MemoryFile(const MemoryFile &) = delete;
    MemoryFile &operator=(const MemoryFile &) = delete;
    std::FILE *get() const { return file_; }

private:
    std::FILE *file_;
};

}  // namespace tevrak::fuzz
