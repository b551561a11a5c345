#include "tap/listener.h"

#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <stdexcept>

#include "protocol/command.h"

namespace tevrak::tap {
namespace {

bool ours(const struct stat &status) { return S_ISSOCK(status.st_mode) && status.st_uid == ::geteuid(); }

// Only a stale socket of this user may go; bind() itself never follows a
// link put in its place (it fails on anything that exists).
void clear_place(const std::string &path) {
    struct stat status {};
    if (::lstat(path.c_str(), &status) != 0) return;
    if (!ours(status)) throw std::runtime_error(path + " exists and is no socket of this user; not replaced");
    ::unlink(path.c_str());
}

}  // namespace

Listener::Listener(std::string path) : path_(std::move(path)) {
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    if (path_.size() >= sizeof address.sun_path) throw std::runtime_error("the tap's path is too long: " + path_);
    std::memcpy(address.sun_path, path_.c_str(), path_.size() + 1);
    clear_place(path_);
    fd_ = ::socket(AF_UNIX, SOCK_DGRAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
    if (fd_ < 0) throw std::runtime_error(std::string("cannot make the tap's socket: ") + std::strerror(errno));
    // The socket is made with mode 0600 from the start: no moment where
    // another user could connect.
    const mode_t mask = ::umask(0177);
    const int bound = ::bind(fd_, reinterpret_cast<const sockaddr *>(&address), sizeof address);
    const int bind_error = errno;
    ::umask(mask);
    struct stat status {};
    if (bound != 0 || ::lstat(path_.c_str(), &status) != 0 || !ours(status) || (status.st_mode & 0777) != 0600) {
        ::close(fd_);
        throw std::runtime_error("cannot listen at " + path_ + ": " + std::strerror(bound != 0 ? bind_error : EPERM));
    }
}

Listener::~Listener() {
    ::close(fd_);
    struct stat status {};
    if (::lstat(path_.c_str(), &status) == 0 && ours(status)) ::unlink(path_.c_str());
}

bool Listener::valid(const Record &record) const {
    if (record.magic != protocol::tap::kMagic) return false;
    if (record.outcome > static_cast<std::uint8_t>(protocol::Outcome::short_reply)) return false;
    if (record.frame_length == 0 || record.frame_length > sizeof record.frame) return false;
    const auto *info = protocol::find_opcode(record.frame[0]);
    return info != nullptr && info->frame_length == record.frame_length && record.reply_length <= info->reply_length;
}

std::optional<Record> Listener::receive() {
    for (;;) {
        // One byte more than a record: a longer datagram shows as such.
        alignas(Record) unsigned char buffer[sizeof(Record) + 1];
        const ssize_t n = ::recv(fd_, buffer, sizeof buffer, MSG_DONTWAIT | MSG_TRUNC);
        if (n < 0) {
            if (errno == EINTR) continue;
            return std::nullopt;
        }
        Record record;
        if (static_cast<std::size_t>(n) != sizeof record) {
            ++rejected_;
            continue;
        }
        std::memcpy(&record, buffer, sizeof record);
        if (!valid(record)) {
            ++rejected_;
            continue;
        }
        // A count lower than the last one is a new sender's.
        dropped_ += record.dropped >= sender_dropped_ ? record.dropped - sender_dropped_ : record.dropped;
        sender_dropped_ = record.dropped;
        return record;
    }
}

}  // namespace tevrak::tap
