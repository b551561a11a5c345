#include "tools/teleop/evdev_keyboard.h"

#include <dirent.h>
#include <fcntl.h>
#include <libevdev/libevdev.h>
#include <unistd.h>

#include <cerrno>

#include "tools/teleop/inputs.h"

namespace tevrak::teleop {
namespace {

// The loop waits on a few inputs only; more keyboards than this are left out.
constexpr std::size_t kMostKeyboards = 4;

// Which of held_ a key is: 0 forward, 1 backward, 2 left, 3 right; -1 none.
int motion_slot(unsigned code) {
    switch (code) {
    case KEY_UP:
    case KEY_W: return 0;
    case KEY_DOWN:
    case KEY_S: return 1;
    case KEY_LEFT:
    case KEY_A: return 2;
    case KEY_RIGHT:
    case KEY_D: return 3;
    default: return -1;
    }
}

}  // namespace

EvdevKeyboard::EvdevKeyboard(int fd, libevdev *device, TerminalKeys &terminal, Clock::duration lease)
        : fd_(fd), device_(device), terminal_(terminal), renew_(lease / 2) {}

EvdevKeyboard::~EvdevKeyboard() {
    libevdev_free(device_);
    ::close(fd_);
}

void EvdevKeyboard::on_readable(Clock::time_point now) {
    input_event event{};
    unsigned flag = LIBEVDEV_READ_FLAG_NORMAL;
    for (;;) {
        const int rc = libevdev_next_event(device_, flag, &event);
        if (rc == -EAGAIN) {
            if (flag == LIBEVDEV_READ_FLAG_NORMAL) return;
            flag = LIBEVDEV_READ_FLAG_NORMAL;  // the dropped events are made up
            continue;
        }
        if (rc == LIBEVDEV_READ_STATUS_SYNC)
            flag = LIBEVDEV_READ_FLAG_SYNC;
        else if (rc != LIBEVDEV_READ_STATUS_SUCCESS) {
            // Unplugged (ENODEV) or unreadable: the terminal's lease drives on
            // alone, so the robot still stops; this input is gone.
            mark_lost("the keyboard's device is gone");
            return;
        }
        if (event.type == EV_KEY) key(event.code, event.value, now);
    }
}

void EvdevKeyboard::key(unsigned code, int value, Clock::time_point now) {
    const int slot = motion_slot(code);
    if (slot < 0) return;
    held_[slot] = value != 0;
    if (value != 0) {
        terminal_.hold(now);
        next_renewal_ = now + renew_;
        return;
    }
    if (slot < 2 && !held_linear()) terminal_.release_linear(now);
    if (slot >= 2 && !held_angular()) terminal_.release_angular(now);
}

std::optional<Clock::time_point> EvdevKeyboard::deadline() const {
    if (held_linear() || held_angular()) return next_renewal_;
    return std::nullopt;
}

void EvdevKeyboard::on_time(Clock::time_point now) {
    terminal_.hold(now);
    next_renewal_ = now + renew_;
}

std::unique_ptr<EvdevKeyboard> open_keyboard(const std::string &path, TerminalKeys &terminal, Clock::duration lease) {
    const int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOFOLLOW);
    if (fd < 0) return nullptr;
    libevdev *device = nullptr;
    if (libevdev_new_from_fd(fd, &device) != 0) {
        ::close(fd);
        return nullptr;
    }
    for (unsigned code : {KEY_UP, KEY_DOWN, KEY_W, KEY_SPACE}) {
        if (!libevdev_has_event_code(device, EV_KEY, code)) {
            libevdev_free(device);
            ::close(fd);
            return nullptr;
        }
    }
    return std::make_unique<EvdevKeyboard>(fd, device, terminal, lease);
}

std::vector<std::unique_ptr<Input>> make_keyboards(const Options &options, TerminalKeys &terminal, std::string &note) {
    std::vector<std::unique_ptr<Input>> keyboards;
    if (!options.keyboard.empty()) {
        if (auto keyboard = open_keyboard(options.keyboard, terminal, options.lease)) {
            keyboards.push_back(std::move(keyboard));
        } else {
            note = options.keyboard + " cannot be read as a keyboard: keys stop by their lease only";
        }
        return keyboards;
    }
    DIR *folder = ::opendir("/dev/input");
    if (!folder) return keyboards;
    while (const dirent *entry = ::readdir(folder)) {
        const std::string name = entry->d_name;
        if (name.rfind("event", 0) != 0) continue;
        if (keyboards.size() >= kMostKeyboards) break;
        if (auto keyboard = open_keyboard("/dev/input/" + name, terminal, options.lease)) {
            keyboards.push_back(std::move(keyboard));
        }
    }
    ::closedir(folder);
    if (!keyboards.empty()) note = "key release read from the keyboard's device (/dev/input)";
    return keyboards;
}

}  // namespace tevrak::teleop
