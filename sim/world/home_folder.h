// The robot folder as the simulator writes in it: opened once, walking each
// component of its path without following a link, its owner checked on the
// open descriptor, and every file made relative to that descriptor. A link
// planted or swapped in later changes nothing the simulator writes.
#pragma once

#include <string>
#include <string_view>

namespace tevrak::sim {

// An owned descriptor, closed with its owner.
class FolderDescriptor {
public:
    explicit FolderDescriptor(int fd = -1) : fd_(fd) {}
    ~FolderDescriptor();
    FolderDescriptor(FolderDescriptor &&other) noexcept : fd_(other.release()) {}
    FolderDescriptor &operator=(FolderDescriptor &&other) noexcept;
    int get() const { return fd_; }
    int release();

private:
    int fd_;
};

struct HomeFolder {
    FolderDescriptor fd;  // the folder itself
    std::string path;     // its path without links, for messages and listings
};

// Opens the robot folder, making the parts that are missing (0755). The
// path is resolved once (its links followed as the user meant them), then
// walked from "/" component by component with O_NOFOLLOW: a link put in
// between is refused. Run as root, the folder's owner is the deepest owner
// other than root among the folders walked: such a folder is refused
// unless as_owner is set, and then the process becomes that user (groups,
// group, user; checked that it cannot go back) before it makes anything.
// Returns an error text, empty on success.
std::string open_home_folder(const std::string &home, bool as_owner, HomeFolder &folder);

// Opens the folder name inside folder_fd (made 0755 when missing), not
// through a link, and only when it is this process's user's. -1 on failure.
int open_subfolder(int folder_fd, const char *name);

// Writes text to a fresh file in folder_fd (O_EXCL, O_NOFOLLOW: never
// through a link or into a file that was there), sets its mode on the open
// file, and renames it to name: a link at name gives way, and what it
// pointed to stays as it was. False when any step fails.
bool replace_file_at(int folder_fd, const std::string &name, std::string_view text, unsigned mode);

}  // namespace tevrak::sim
