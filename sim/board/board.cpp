#include "sim/board/board.h"

#include <fcntl.h>
#include <poll.h>
#include <termios.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <stdexcept>
#include <utility>

#include "protocol/opcodes.h"

namespace tevrak::sim {
namespace {

using protocol::kProbe;

void write_all(int fd, const Bytes &bytes) {
    std::size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t n = ::write(fd, bytes.data() + done, bytes.size() - done);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return;  // unplugged meanwhile
        done += static_cast<std::size_t>(n);
    }
}

bool find_opcode_reply(std::uint8_t opcode) {
    const auto *info = protocol::find_opcode(opcode);
    return info != nullptr && info->reply_length > 0;
}

// A test's setting changes under the board's lock: the board's thread reads it.
template <typename Field, typename Value>
void set_locked(std::mutex &mutex, Field &field, Value &&value) {
    std::lock_guard lock(mutex);
    field = std::forward<Value>(value);
}

}  // namespace

Board::Board(std::string link_path) : Board(std::move(link_path), -1) {}

Board::Board(std::string link_path, int link_folder) : link_path_(std::move(link_path)), link_folder_(link_folder) {
    const auto slash = link_path_.rfind('/');
    link_name_ = link_folder_ >= 0 && slash != std::string::npos ? link_path_.substr(slash + 1) : link_path_;
    if (::pipe2(wake_, O_CLOEXEC) != 0) {
        if (link_folder_ >= 0) ::close(link_folder_);
        throw std::runtime_error("pipe2 failed");
    }
    if (const std::string problem = open_terminal(); !problem.empty()) {
        ::close(wake_[0]);
        ::close(wake_[1]);
        if (link_folder_ >= 0) ::close(link_folder_);
        throw std::runtime_error(problem);
    }
}

// Points the link at target, replacing what was there in one step.
bool Board::point_link(const std::string &target) {
    if (link_path_.empty()) return true;
    const int folder = link_folder_ >= 0 ? link_folder_ : AT_FDCWD;
    const std::string temporary = link_name_ + ".new";
    ::unlinkat(folder, temporary.c_str(), 0);
    return ::symlinkat(target.c_str(), folder, temporary.c_str()) == 0 &&
           ::renameat(folder, temporary.c_str(), folder, link_name_.c_str()) == 0;
}

Board::~Board() {
    close_terminal();
    ::close(wake_[0]);
    ::close(wake_[1]);
    if (!link_path_.empty()) ::unlinkat(link_folder_ >= 0 ? link_folder_ : AT_FDCWD, link_name_.c_str(), 0);
    if (link_folder_ >= 0) ::close(link_folder_);
}

std::string Board::open_terminal() {
    const int master = ::posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC);
    char name[128];
    if (master < 0 || ::grantpt(master) != 0 || ::unlockpt(master) != 0 ||
        ::ptsname_r(master, name, sizeof name) != 0) {
        const std::string reason = std::strerror(errno);
        if (master >= 0) ::close(master);
        return "cannot open a pseudo-terminal: " + reason;
    }
    master_ = master;
    terminal_path_ = name;
    // The board holds the terminal side open itself, so that the master
    // does not report a hang-up while the library has the port closed.
    held_ = ::open(name, O_RDWR | O_NOCTTY | O_CLOEXEC);
    struct termios tty;
    if (held_ >= 0 && ::tcgetattr(held_, &tty) == 0) {
        ::cfmakeraw(&tty);
        ::tcsetattr(held_, TCSANOW, &tty);
    }
    if (!point_link(terminal_path_)) {
        close_terminal();
        return "cannot make the board's link " + link_path_;
    }
    {
        std::lock_guard lock(mutex_);
        stopping_ = false;
        partial_.clear();
        expected_ = 0;
    }
    thread_ = std::thread([this] { run(); });
    return {};
}

void Board::close_terminal() {
    if (thread_.joinable()) {
        {
            std::lock_guard lock(mutex_);
            stopping_ = true;
        }
        const char wake = 1;
        (void)!::write(wake_[1], &wake, 1);
        thread_.join();
        char drain[16];
        while (::read(wake_[0], drain, sizeof drain) == static_cast<ssize_t>(sizeof drain)) {}
    }
    // After a hang-up of the board's own, the terminal is closed already.
    if (master_ >= 0) ::close(master_);
    if (held_ >= 0) ::close(held_);
    master_ = -1;
    held_ = -1;
}

// Called by the board's thread: the terminal disappears as if the cable
// were pulled. The thread ends; replug() starts a new one.
void Board::hang_up_from_board() {
    const int master = master_.exchange(-1);
    ::close(master);
    if (held_ >= 0) ::close(held_);
    held_ = -1;
    point_link(link_path_ + ".unplugged");
}

std::string Board::device_path() const { return link_path_.empty() ? terminal_path_ : link_path_; }

std::string Board::terminal_path() const { return terminal_path_; }

void Board::set_reply(std::uint8_t opcode, Bytes data) {
    std::lock_guard lock(mutex_);
    replies_[opcode] = std::move(data);
}

void Board::queue_reply(std::uint8_t opcode, Bytes raw) {
    std::lock_guard lock(mutex_);
    queued_[opcode].push_back(std::move(raw));
}

void Board::set_responder(Responder responder) { set_locked(mutex_, responder_, std::move(responder)); }

void Board::answer_only_from_responder(bool only) { set_locked(mutex_, responder_only_, only); }

void Board::let_go() {
    if (held_ >= 0) ::close(held_);
    held_ = -1;
}

bool Board::hung_up() const { return hung_up_; }

void Board::set_observer(Observer observer) { set_locked(mutex_, observer_, std::move(observer)); }

void Board::set_silent(bool silent) { set_locked(mutex_, silent_, silent); }

void Board::queue_probe_answer(Bytes raw) {
    std::lock_guard lock(mutex_);
    probe_answers_.push_back(std::move(raw));
}

void Board::set_reply_prefix(Bytes stray) { set_locked(mutex_, reply_prefix_, std::move(stray)); }

void Board::set_reply_delay(std::chrono::milliseconds delay) { set_locked(mutex_, reply_delay_, delay); }

void Board::send_raw(const Bytes &raw) {
    if (master_ >= 0) write_all(master_, raw);
}

void Board::unplug() {
    close_terminal();
    // A dangling link: opening the board's path fails until replug, and can
    // never reach a terminal that another program got meanwhile.
    point_link(link_path_ + ".unplugged");
}

std::string Board::replug() {
    if (master_ >= 0) return {};
    close_terminal();  // collects the thread of a hang-up of the board's own
    return open_terminal();
}

void Board::hang_up_after_bytes(std::size_t n) { set_locked(mutex_, hang_up_bytes_, n); }

void Board::hang_up_after_next_reply() { set_locked(mutex_, hang_up_after_reply_, true); }

void Board::set_fault_rate(double rate, unsigned seed) {
    std::lock_guard lock(mutex_);
    fault_rate_ = rate;
    random_.seed(seed);
}

std::size_t Board::faults_injected() const {
    std::lock_guard lock(mutex_);
    return faults_;
}

// Under the lock: whether this exchange gets a fault.
bool Board::fault_now() {
    if (fault_rate_ <= 0) return false;
    if (std::uniform_real_distribution<double>(0, 1)(random_) >= fault_rate_) return false;
    ++faults_;
    return true;
}

// Under the lock: a damaged answer to a query whose data would be data.
Bytes Board::faulty_reply(const Bytes &data, std::chrono::milliseconds &delay) {
    Bytes raw;
    switch (random_() % 5) {
    case 0:  // stray bytes before the marker
        raw = {0x00, 0x0D, 0x41};
        raw.push_back(protocol::kReplyMarker);
        raw.insert(raw.end(), data.begin(), data.end());
        break;
    case 1:  // cut short
        raw.push_back(protocol::kReplyMarker);
        raw.insert(raw.end(), data.begin(), data.begin() + static_cast<long>(data.size() / 2));
        break;
    case 2:  // no reply at all
        break;
    case 3:  // late
        delay = std::chrono::milliseconds(600);
        raw.push_back(protocol::kReplyMarker);
        raw.insert(raw.end(), data.begin(), data.end());
        break;
    default:  // garbage as data
        raw.push_back(protocol::kReplyMarker);
        for (std::size_t i = 0; i < data.size(); ++i) raw.push_back(static_cast<std::uint8_t>(random_()));
        break;
    }
    return raw;
}

bool Board::plugged() const { return master_ >= 0; }

std::vector<Bytes> Board::frames() const {
    std::lock_guard lock(mutex_);
    std::vector<Bytes> result;
    for (const auto &event : events_) {
        if (event.kind == Event::Kind::frame) result.push_back(event.bytes);
    }
    return result;
}

std::vector<Event> Board::events() const {
    std::lock_guard lock(mutex_);
    return events_;
}

Bytes Board::wire() const {
    std::lock_guard lock(mutex_);
    return wire_;
}

int Board::probes() const {
    std::lock_guard lock(mutex_);
    int count = 0;
    for (const auto &event : events_) count += event.kind == Event::Kind::probe;
    return count;
}

bool Board::wait_for_frames(std::size_t n, std::chrono::milliseconds timeout) const {
    std::unique_lock lock(mutex_);
    return changed_.wait_for(lock, timeout, [&] {
        std::size_t count = 0;
        for (const auto &event : events_) count += event.kind == Event::Kind::frame;
        return count >= n;
    });
}

bool Board::wait_for_events(std::size_t n, std::chrono::milliseconds timeout) const {
    std::unique_lock lock(mutex_);
    return changed_.wait_for(lock, timeout, [&] { return events_.size() >= n; });
}

void Board::clear() {
    std::lock_guard lock(mutex_);
    events_.clear();
    wire_.clear();
}

void Board::run() {
    std::uint8_t chunk[256];
    for (;;) {
        pollfd fds[2] = {{master_, POLLIN, 0}, {wake_[0], POLLIN, 0}};
        if (::poll(fds, 2, -1) < 0) {
            if (errno == EINTR) continue;
            return;
        }
        if (fds[1].revents != 0) return;
        if ((fds[0].revents & POLLIN) == 0) {
            // Hang-up without data cannot happen while the board holds the
            // terminal side; leave rather than spin if it does.
            if (fds[0].revents != 0) {
                hung_up_ = true;
                return;
            }
            continue;
        }
        const ssize_t n = ::read(master_, chunk, sizeof chunk);
        if (n <= 0) {
            if (n < 0 && errno == EINTR) continue;
            hung_up_ = true;
            return;
        }
        for (ssize_t i = 0; i < n; ++i) {
            handle_byte(chunk[i]);
            bool hang_up = false;
            {
                std::lock_guard lock(mutex_);
                if (hang_up_bytes_ > 0 && --hang_up_bytes_ == 0) hang_up_now_ = true;
                hang_up = hang_up_now_;
                hang_up_now_ = false;
            }
            if (hang_up) {
                hang_up_from_board();
                return;
            }
        }
    }
}

// Under the lock: the probe's answer, from the queue of probe answers, else
// the marker (unless a fault leaves the probe unanswered).
void Board::answer_probe(Exchange &exchange) {
    events_.push_back({Event::Kind::probe, {kProbe}});
    if (!probe_answers_.empty()) {
        exchange.answer = std::move(probe_answers_.front());
        probe_answers_.pop_front();
    } else if (!fault_now()) {
        exchange.answer = {protocol::kReplyMarker};
    }
}

// Under the lock: a byte between frames is a probe, an opcode that starts a
// frame, or a stray byte; a byte inside a frame belongs to it.
void Board::take_byte(std::uint8_t byte, Exchange &exchange) {
    if (expected_ != 0) {
        partial_.push_back(byte);
    } else if (byte == kProbe) {
        answer_probe(exchange);
    } else if (const auto *info = protocol::find_opcode(byte)) {
        partial_ = {byte};
        expected_ = info->frame_length;
    } else {
        events_.push_back({Event::Kind::stray, {byte}});
    }
    if (expected_ != 0 && partial_.size() == expected_) finish_frame(exchange);
}

// Under the lock: records the complete frame and decides how a query is
// answered: by its queued raw answer, else by a reply built afterwards.
void Board::finish_frame(Exchange &exchange) {
    exchange.frame = std::move(partial_);
    partial_.clear();
    expected_ = 0;
    events_.push_back({Event::Kind::frame, exchange.frame});
    exchange.observer = observer_;
    if (protocol::find_opcode(exchange.frame[0])->reply_length > 0) {
        auto queued = queued_.find(exchange.frame[0]);
        if (queued != queued_.end() && !queued->second.empty()) {
            exchange.answer = std::move(queued->second.front());
            queued->second.pop_front();
        } else {
            exchange.query = true;
            exchange.responder = responder_;
        }
    }
    exchange.delay = reply_delay_;
}

// The raw answer to a query: the responder's data (asked without the lock),
// else the fixed reply, else zeros; behind the marker and the stray prefix,
// or damaged when a fault is due.
std::optional<Bytes> Board::reply_to(Exchange &exchange) {
    std::optional<Bytes> data;
    if (exchange.responder) data = exchange.responder(exchange.frame);
    std::lock_guard lock(mutex_);
    if (!data && responder_only_) return std::nullopt;
    if (!data) {
        auto fixed = replies_.find(exchange.frame[0]);
        const auto *info = protocol::find_opcode(exchange.frame[0]);
        data = fixed != replies_.end() ? fixed->second : Bytes(info->reply_length, 0);
    }
    if (fault_now()) return faulty_reply(*data, exchange.delay);
    Bytes raw = reply_prefix_;
    raw.push_back(protocol::kReplyMarker);
    raw.insert(raw.end(), data->begin(), data->end());
    return raw;
}

void Board::handle_byte(std::uint8_t byte) {
    Exchange exchange;
    {
        std::lock_guard lock(mutex_);
        wire_.push_back(byte);
        take_byte(byte, exchange);
        if (silent_) {
            exchange.answer.clear();
            exchange.query = false;
        }
        changed_.notify_all();
    }
    const bool frame = !exchange.frame.empty();
    if (frame && exchange.observer) exchange.observer(exchange.frame);
    if (exchange.query) {
        auto answer = reply_to(exchange);
        if (!answer) return;  // a replay answers only what was recorded
        exchange.answer = std::move(*answer);
    }
    if (frame && find_opcode_reply(exchange.frame[0])) {
        std::lock_guard lock(mutex_);
        if (hang_up_after_reply_) {
            hang_up_after_reply_ = false;
            hang_up_now_ = true;
        }
    }
    if (exchange.answer.empty()) return;
    if (frame && exchange.delay.count() > 0) std::this_thread::sleep_for(exchange.delay);
    write_all(master_, exchange.answer);
}

}  // namespace tevrak::sim
