#include "sim/world/home_folder.h"

#include <fcntl.h>
#include <grp.h>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstring>
#include <filesystem>
#include <vector>

namespace tevrak::sim {
namespace {

constexpr int kFolderFlags = O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC;

// The user's name, or its number when it has none.
std::string user_name(uid_t uid) {
    const passwd *user = ::getpwuid(uid);
    return user != nullptr ? user->pw_name : "user " + std::to_string(uid);
}

// Becomes the user for good: groups first, while still allowed.
bool become(uid_t uid, gid_t fallback_gid) {
    const passwd *user = ::getpwuid(uid);
    const gid_t gid = user != nullptr ? user->pw_gid : fallback_gid;
    const bool groups = user != nullptr ? ::initgroups(user->pw_name, gid) == 0 : ::setgroups(0, nullptr) == 0;
    return groups && ::setgid(gid) == 0 && ::setuid(uid) == 0 && ::getuid() == uid && ::geteuid() == uid &&
           ::getegid() == gid && ::setuid(0) != 0;
}

// The folder's owner when it is not root, as the deepest folder walked so
// far that root does not own.
struct Owner {
    uid_t uid = 0;
    gid_t gid = 0;
    std::string folder;
};

// Run as root, writes only as the owner found: refused without as_owner.
std::string take_owner(const Owner &owner, bool as_owner) {
    if (::geteuid() != 0 || owner.uid == 0) return {};
    const std::string name = user_name(owner.uid);
    if (!as_owner) {
        return "running as root, and " + owner.folder + " belongs to " + name +
               ", who could make root write through links planted there: run tevrak-sim as " + name +
               ", or add --as-owner to run it as " + name;
    }
    if (!become(owner.uid, owner.gid)) return "cannot run as " + name + ", the owner of " + owner.folder;
    return {};
}

}  // namespace

FolderDescriptor::~FolderDescriptor() {
    if (fd_ >= 0) ::close(fd_);
}

FolderDescriptor &FolderDescriptor::operator=(FolderDescriptor &&other) noexcept {
    if (this != &other) {
        if (fd_ >= 0) ::close(fd_);
        fd_ = other.release();
    }
    return *this;
}

int FolderDescriptor::release() {
    const int fd = fd_;
    fd_ = -1;
    return fd;
}

// The root folder the walk starts from. /proc/self/root is this process's
// root by its kernel's own account: under qemu-user with a sysroot (-L) an
// absolute path such as "/" is looked up in the sysroot first, and the walk
// would make the robot folder inside the sysroot.
static int open_root() {
    const int root = ::open("/proc/self/root", O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    return root >= 0 ? root : ::open("/", kFolderFlags);
}

std::string open_home_folder(const std::string &home, bool as_owner, HomeFolder &folder) {
    namespace fs = std::filesystem;
    std::error_code error;
    fs::path resolved = fs::weakly_canonical(fs::absolute(home), error);
    if (error) resolved = fs::absolute(home).lexically_normal();
    std::vector<std::string> parts;
    for (const auto &part : resolved.relative_path()) {
        if (!part.empty() && part != ".") parts.push_back(part.string());
    }
    FolderDescriptor current(open_root());
    if (current.get() < 0) return "cannot open /";
    std::string walked;
    Owner owner;
    std::size_t next = 0;
    // The folders that exist: opened one below the other, never through a link.
    for (; next < parts.size(); ++next) {
        const int fd = ::openat(current.get(), parts[next].c_str(), kFolderFlags);
        if (fd < 0 && errno == ENOENT) break;
        walked += "/" + parts[next];
        if (fd < 0) {
            return "cannot open the robot folder's part " + walked + ": " +
                   (errno == ELOOP || errno == ENOTDIR ? "a link or not a folder (changed while it was opened)"
                                                       : std::strerror(errno));
        }
        current = FolderDescriptor(fd);
        struct stat status {};
        if (::fstat(fd, &status) != 0) return "cannot look at " + walked;
        if (status.st_uid != 0) owner = {status.st_uid, status.st_gid, walked};
    }
    if (auto problem = take_owner(owner, as_owner); !problem.empty()) return problem;
    // The rest is made by whoever the simulator runs as now.
    for (; next < parts.size(); ++next) {
        walked += "/" + parts[next];
        const int fd = open_subfolder(current.get(), parts[next].c_str());
        if (fd < 0) return "cannot create " + walked + ": " + std::strerror(errno);
        current = FolderDescriptor(fd);
    }
    folder.fd = std::move(current);
    folder.path = walked.empty() ? "/" : walked;
    return {};
}

int open_subfolder(int folder_fd, const char *name) {
    if (::mkdirat(folder_fd, name, 0755) != 0 && errno != EEXIST) return -1;
    const int fd = ::openat(folder_fd, name, kFolderFlags);
    struct stat status {};
    if (fd >= 0 && (::fstat(fd, &status) != 0 || status.st_uid != ::geteuid())) {
        ::close(fd);
        errno = EPERM;
        return -1;
    }
    return fd;
}

bool replace_file_at(int folder_fd, const std::string &name, std::string_view text, unsigned mode) {
    // A fresh name of this process's own; one that is taken (a planted
    // link) is passed over.
    static std::atomic<unsigned> counter{0};
    std::string fresh;
    int fd = -1;
    for (int attempt = 0; fd < 0 && attempt < 16; ++attempt) {
        fresh = "." + name + "." + std::to_string(::getpid()) + "." + std::to_string(counter++);
        fd = ::openat(folder_fd, fresh.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600);
        if (fd < 0 && errno != EEXIST) return false;
    }
    if (fd < 0) return false;
    bool written = ::fchmod(fd, static_cast<mode_t>(mode)) == 0;
    while (written && !text.empty()) {
        const ssize_t n = ::write(fd, text.data(), text.size());
        if (n < 0 && errno == EINTR) continue;
        written = n > 0;
        if (written) text.remove_prefix(static_cast<std::size_t>(n));
    }
    written = ::close(fd) == 0 && written;
    if (written && ::renameat(folder_fd, fresh.c_str(), folder_fd, name.c_str()) == 0) return true;
    ::unlinkat(folder_fd, fresh.c_str(), 0);
    return false;
}

}  // namespace tevrak::sim
