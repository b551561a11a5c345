// The listening end of the library's tap: a datagram socket at
// <home>/tap.sock, mode 0600, of this user. Records are what another
// program sent: each is checked (size, lengths, a known opcode with its
// frame length) before it is taken.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "protocol/tap_record.h"

namespace tevrak::tap {

using protocol::tap::Record;

class Listener {
public:
    // Makes the socket at path. A stale socket of this user there is
    // replaced; anything else there (a link, a file, another user's socket)
    // is left alone and refused. Throws std::runtime_error with a one-line
    // explanation.
    explicit Listener(std::string path);
    // Removes the socket.
    ~Listener();
    Listener(const Listener &) = delete;
    Listener &operator=(const Listener &) = delete;

    // Readable while records wait (for poll()).
    int fd() const { return fd_; }
    const std::string &path() const { return path_; }

    // The next waiting record that passes the checks; nothing when none
    // waits. Records that fail them are counted and skipped.
    std::optional<Record> receive();

    // Records the senders dropped because this end did not keep up.
    std::uint64_t dropped() const { return dropped_; }
    // Datagrams refused as no record.
    std::uint64_t rejected() const { return rejected_; }

private:
    bool valid(const Record &record) const;

    std::string path_;
    int fd_ = -1;
    std::uint64_t dropped_ = 0;
    std::uint32_t sender_dropped_ = 0;
    std::uint64_t rejected_ = 0;
};

}  // namespace tevrak::tap
