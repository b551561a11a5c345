// A simulated controller board on a pseudo-terminal. The library opens the
// terminal side as its serial port; the board plays the controller on the
// other side: it answers each link-check probe with '>', cuts the byte
// stream into frames by the opcode index, records them, and answers queries.
//
// Replies come, in this order of precedence, from a one-shot queue per
// opcode (raw bytes, marker included or not), from the responder hook (the
// data behind the marker), or from a fixed reply per opcode; a query with
// none of these is answered with the marker and zero bytes.
//
// Faults on request: a silent board, probe answers with stray bytes first,
// stray bytes before every reply marker, late replies, replies cut short or
// missing (through the one-shot queue), injected garbage, and unplugging
// (the terminal disappears) and plugging in again at the same link path.
#pragma once

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <functional>
#include <map>
#include <mutex>
#include <optional>
#include <random>
#include <span>
#include <string>
#include <thread>
#include <vector>

namespace tevrak::sim {

using Bytes = std::vector<std::uint8_t>;

// What the board saw, in arrival order.
struct Event {
    enum class Kind { probe, frame, stray };
    Kind kind;
    Bytes bytes;
};

class Board {
public:
    // Computes the data behind the marker for a query frame; nothing: fall
    // back to the fixed reply.
    using Responder = std::function<std::optional<Bytes>(std::span<const std::uint8_t> frame)>;
    // Sees every complete frame (commands and queries) as it arrives.
    using Observer = std::function<void(std::span<const std::uint8_t> frame)>;

    // Opens the terminal pair and starts the board. When link_path is given,
    // a symbolic link to the terminal is made there and kept across replug.
    explicit Board(std::string link_path = {});
    // The same, with the link made relative to link_folder (a descriptor of
    // link_path's folder, owned by the board from then on): a link swapped
    // in for that folder later does not move the board's link.
    Board(std::string link_path, int link_folder);
    ~Board();
    Board(const Board &) = delete;
    Board &operator=(const Board &) = delete;

    // The path a program opens: the link when there is one.
    std::string device_path() const;
    std::string terminal_path() const;

    // Replies.
    void set_reply(std::uint8_t opcode, Bytes data);
    void queue_reply(std::uint8_t opcode, Bytes raw);
    void set_responder(Responder responder);
    // With only: a query the responder leaves without data gets no answer
    // at all (a replay that has nothing recorded for it).
    void answer_only_from_responder(bool only);
    void set_observer(Observer observer);

    // Faults. replug() returns why no new terminal could be opened (empty
    // when it was): the board stays unplugged and can be replugged again.
    void set_silent(bool silent);
    void queue_probe_answer(Bytes raw);
    void set_reply_prefix(Bytes stray);
    void set_reply_delay(std::chrono::milliseconds delay);
    void send_raw(const Bytes &raw);
    void unplug();
    std::string replug();
    bool plugged() const;
    // Stops holding the terminal side open: from now on the program's close
    // of the port is a hang-up, after which the board's thread ends.
    void let_go();
    // True once the terminal hung up after let_go().
    bool hung_up() const;
    // Hangs up by itself, as a pulled cable, once it has received n more
    // bytes: with n inside a frame, in the middle of that frame.
    void hang_up_after_bytes(std::size_t n);
    // Hangs up by itself right after writing its next reply to a query
    // (with a reply cut short by queue_reply: in the middle of the reply).
    void hang_up_after_next_reply();
    // Random faults in about rate (0 to 1) of all exchanges: a probe left
    // unanswered; or for a query: stray bytes before the marker, a reply cut
    // short, no reply, a reply 0.6 s late, or garbage as reply data. The same
    // seed gives the same choices. A rate of 0 switches them off.
    void set_fault_rate(double rate, unsigned seed = 1);
    std::size_t faults_injected() const;

    // Observations.
    std::vector<Bytes> frames() const;
    std::vector<Event> events() const;
    Bytes wire() const;
    int probes() const;
    // Waits until at least n frames were seen; false on timeout.
    bool wait_for_frames(std::size_t n, std::chrono::milliseconds timeout = std::chrono::seconds(3)) const;
    // Waits until at least n events (probes, frames, stray bytes) were seen.
    bool wait_for_events(std::size_t n, std::chrono::milliseconds timeout = std::chrono::seconds(3)) const;
    void clear();

private:
    // Empty when the terminal is open and the board runs, else why not.
    std::string open_terminal();
    void close_terminal();
    bool point_link(const std::string &target);
    void run();
    // What one byte from the library led to: the frame it completed, and
    // the answer to write (for a query still to be built by reply_to).
    struct Exchange {
        Bytes frame;
        Bytes answer;
        bool query = false;
        Observer observer;
        Responder responder;
        std::chrono::milliseconds delay{0};
    };

    void handle_byte(std::uint8_t byte);
    void take_byte(std::uint8_t byte, Exchange &exchange);
    void answer_probe(Exchange &exchange);
    void finish_frame(Exchange &exchange);
    // nullopt: a board that answers only through its responder stays silent.
    std::optional<Bytes> reply_to(Exchange &exchange);
    void hang_up_from_board();
    bool fault_now();
    Bytes faulty_reply(const Bytes &data, std::chrono::milliseconds &delay);

    std::string link_path_;
    int link_folder_ = -1;   // owned; -1: link_path_ is used as it is
    std::string link_name_;  // relative to link_folder_ when there is one
    std::string terminal_path_;
    std::atomic<int> master_{-1};
    int held_ = -1;
    int wake_[2] = {-1, -1};
    bool stopping_ = false;
    std::thread thread_;

    mutable std::mutex mutex_;
    mutable std::condition_variable changed_;
    Bytes partial_;
    std::size_t expected_ = 0;
    std::vector<Event> events_;
    Bytes wire_;
    std::map<std::uint8_t, Bytes> replies_;
    std::map<std::uint8_t, std::deque<Bytes>> queued_;
    std::deque<Bytes> probe_answers_;
    Responder responder_;
    Observer observer_;
    Bytes reply_prefix_;
    std::chrono::milliseconds reply_delay_{0};
    bool silent_ = false;
    bool responder_only_ = false;
    std::atomic<bool> hung_up_{false};
    std::size_t hang_up_bytes_ = 0;  // 0: no hang-up pending
    bool hang_up_after_reply_ = false;
    bool hang_up_now_ = false;
    double fault_rate_ = 0;
    std::mt19937 random_;
    std::size_t faults_ = 0;
};

}  // namespace tevrak::sim
