// The live page's HTTP server (cpp-httplib): the page's files, the event
// stream of the robot's state, the picture of the run, and the page's
// fault, key and joystick requests. It serves nothing else: every other path is 404.
//
//   GET  /, /view.js, /view.css   the page
//   GET  /events                  server-sent events: one JSON object per
//                                 change, at most one per publication
//   GET  /run.svg                 the picture of the run so far
//   POST /control                 body: a fault control line ("unplug")
//   POST /key?button=B&repeat=N   one event of the remote's button B
//   POST /drive?linear=L&angular=A  the joystick: mm/s and degrees/s
//
// Every request must name this server in its Host header (the bound
// address, the address the connection came to, or localhost, with the
// port): a page of another site whose name was made to point here (DNS
// rebinding) names that site and is refused (421). POST requests must carry
// the header "X-Tevrak-View: 1", which a page of another site cannot send
// without the browser asking first (which this server never allows), and an
// Origin, when they have one, of this server. With a drive token, every
// /drive request must also carry it in "X-Tevrak-Token" (else 403).
//
// Each request is read within limits: 8 KiB of request line and headers, a
// body of at most 4 KiB with a Content-Length (no Transfer-Encoding or
// Content-Encoding), all of it within 5 s. Every response forbids framing
// the page (Content-Security-Policy frame-ancestors 'none', X-Frame-Options
// DENY). At most kMostConnections connections are open at once, each served
// by a worker of its own (the viewers' streams hold one each).
#pragma once

#include <atomic>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <thread>

#include "live/address.h"
#include "live/feed.h"

namespace httplib {
class Server;
struct Request;
struct Response;
}  // namespace httplib

namespace tevrak::sim::view {

class PageServer {
public:
    struct Handlers {
        std::function<std::shared_ptr<const std::string>()> picture;
        // Takes a control line from the page: an error text, empty when taken.
        std::function<std::string(std::string_view line)> control;
        std::function<bool(std::string_view button, int repeat)> key;
        // Takes the joystick's speeds: an error text, empty when taken.
        std::function<std::string(int linear, int angular)> drive;
        // When not empty, the token every /drive request must carry.
        std::string drive_token;
    };

    // Viewers streaming at once; more are refused until one leaves.
    static constexpr int kMostViewers = 4;
    // Connections open at once, each with a worker of its own; the ones
    // beyond are answered 503 and closed as soon as they are accepted.
    static constexpr int kMostConnections = 64;

    // Listens at the address (port 0: a free one) and serves from a thread
    // pool of its own. Throws std::runtime_error when it cannot listen.
    PageServer(const ViewAddress &address, Feed &feed, Handlers handlers);
    // Ends every stream (the feed is closed), stops listening and joins the
    // server's threads.
    ~PageServer();
    PageServer(const PageServer &) = delete;
    PageServer &operator=(const PageServer &) = delete;

    // "http://127.0.0.1:8080/"
    const std::string &url() const { return url_; }

private:
    void add_routes();
    // False, with the refusal in the response, for a request this server
    // does not take (its Host, its method, its body's framing, its Origin).
    bool admit(const httplib::Request &request, httplib::Response &response) const;

    Feed &feed_;
    Handlers handlers_;
    std::unique_ptr<httplib::Server> server_;
    std::atomic<int> viewers_{0};
    int port_ = 0;
    std::string bound_;  // "127.0.0.1:8080", as a Host header names it
    std::string url_;
    std::thread thread_;
};

}  // namespace tevrak::sim::view
