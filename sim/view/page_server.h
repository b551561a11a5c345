// The live page's HTTP server (cpp-httplib): the page's files, the event
// stream of the robot's state, the picture of the run, and the page's
// fault and key requests. It serves nothing else: every other path is 404.
//
//   GET  /, /view.js, /view.css   the page
//   GET  /events                  server-sent events: one JSON object per
//                                 change, at most one per publication
//   GET  /run.svg                 the picture of the run so far
//   POST /control                 body: a fault control line ("unplug")
//   POST /key?button=B&repeat=N   one event of the remote's button B
//
// POST requests must carry the header "X-Tevrak-View: 1": a page of another
// site cannot send it without the browser asking first, which this server
// never allows.
#pragma once

#include <atomic>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <thread>

#include "feed.h"
#include "options.h"

namespace httplib {
class Server;
}

namespace tevrak::sim::view {

class PageServer {
public:
    struct Handlers {
        std::function<std::string()> picture;
        // Takes a control line from the page: an error text, empty when taken.
        std::function<std::string(std::string_view line)> control;
        std::function<bool(std::string_view button, int repeat)> key;
    };

    // Viewers streaming at once; more are refused until one leaves.
    static constexpr int kMostViewers = 4;

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

    Feed &feed_;
    Handlers handlers_;
    std::unique_ptr<httplib::Server> server_;
    std::atomic<int> viewers_{0};
    std::string url_;
    std::thread thread_;
};

}  // namespace tevrak::sim::view
