// Reading rules of the hardware description file (hdt.txt), shared by port
// discovery, the drive start-up and the device loader:
//  - a line belongs to a key when the key stands at the very start of the line;
//  - fields are separated by runs of blanks, the line's newline ends the last
//    field, and a tab does not separate;
//  - numbers are read like atoi (leading digits count, anything else is 0);
//  - lines may be of any length.
#pragma once

#include <cstddef>
#include <cstdio>
#include <string_view>

namespace tevrak::hdt {

// True when the line begins with key.
constexpr bool has_key(std::string_view line, std::string_view key) { return line.substr(0, key.size()) == key; }

// atoi without its undefined behaviour: leading white space, an optional sign
// and the leading digits count; text that is not a number reads as 0; values
// beyond the int range are clamped to it.
int to_int(std::string_view text);

// Walks the fields of one line from left to right.
class FieldCursor {
public:
    explicit FieldCursor(std::string_view line) : rest_(line) {}
    // Stores the next field in out and returns true; false when none is left.
    bool next(std::string_view &out);

private:
    std::string_view rest_;
};

// The first kMax fields of a line, counted from 1 as the file's documentation
// does (field 1 is the key). A missing field is empty and reads as number 0.
class Fields {
public:
    static constexpr std::size_t kMax = 8;
    explicit Fields(std::string_view line);
    std::size_t count() const { return count_; }
    std::string_view text(std::size_t n) const;
    int number(std::size_t n) const { return to_int(text(n)); }

private:
    std::string_view field_[kMax]{};
    std::size_t count_ = 0;
};

// Reads a text file line by line through one heap buffer, filled a block at
// a time and grown only for a line longer than it; each line keeps its
// newline. The start-up of every unit reads the whole file: a block read
// and a memchr per line cost a fraction of one stdio call per line.
// Closes the file and frees the buffer when it goes out of scope.
class LineReader {
public:
    // Opens nothing (is_open() false, the start-up failure noted with
    // EPERM) when another user could change the file (robot_files.h).
    explicit LineReader(const char *path);
    // Reads from an already open stream (for example fmemopen) without taking
    // ownership of it.
    explicit LineReader(std::FILE *stream);
    ~LineReader();
    LineReader(const LineReader &) = delete;
    LineReader &operator=(const LineReader &) = delete;

    bool is_open() const { return file_ != nullptr; }
    // Stores the next line in line and returns true; false at end of file.
    // The view stays valid until the next call.
    bool next(std::string_view &line);

private:
    // Reads more of the file behind the unread bytes; false at its end.
    bool fill();

    std::FILE *file_ = nullptr;
    bool owns_ = true;
    char *buffer_ = nullptr;
    std::size_t capacity_ = 0;
    std::size_t begin_ = 0;  // the unread bytes: buffer_[begin_, end_)
    std::size_t end_ = 0;
    bool at_end_ = false;
};

}  // namespace tevrak::hdt
