#include "page_server.h"

#include <httplib.h>
#include <unistd.h>

#include <charconv>
#include <chrono>
#include <stdexcept>

#include "connection.h"
#include "page_assets.h"

namespace tevrak::sim::view {
namespace {

// One viewer's event stream: its cursor, its wake descriptor and its
// connection. Lives as long as httplib keeps the stream's provider.
class Stream {
public:
    Stream(Feed &feed, std::atomic<int> &viewers, const httplib::Request &request)
        : feed_(feed),
          viewers_(viewers),
          wake_(feed.watch()),
          connection_(find_connection(request.local_port, request.remote_addr, request.remote_port)) {}
    ~Stream() {
        feed_.unwatch(wake_);
        --viewers_;
    }
    Stream(const Stream &) = delete;
    Stream &operator=(const Stream &) = delete;

    // Sends the next event once there is one; false when the viewer is gone.
    bool pump(httplib::DataSink &sink) {
        if (wake_ < 0) return false;
        for (;;) {
            Feed::clear_wake(wake_);
            if (feed_.closed()) {
                sink.done();
                return true;
            }
            if (const auto event = feed_.next_event(cursor_)) {
                // The browser reconnects by itself after a second when the
                // stream breaks.
                std::string text = first_ ? "retry: 1000\ndata: " : "data: ";
                first_ = false;
                text += *event;
                text += "\n\n";
                return sink.write(text.data(), text.size());
            }
            if (!wait_for_wake(wake_, connection_)) return false;
        }
    }

private:
    Feed &feed_;
    std::atomic<int> &viewers_;
    ViewerCursor cursor_;
    const int wake_;
    const int connection_;
    bool first_ = true;
};

bool from_page(const httplib::Request &request, httplib::Response &response) {
    if (request.get_header_value("X-Tevrak-View") == "1") return true;
    response.status = 403;
    response.set_content("requests come from the page\n", "text/plain");
    return false;
}

std::string url_of(const std::string &host, int port) {
    const bool ipv6 = host.find(':') != std::string::npos;
    return "http://" + (ipv6 ? "[" + host + "]" : host) + ":" + std::to_string(port) + "/";
}

}  // namespace

PageServer::PageServer(const ViewAddress &address, Feed &feed, Handlers handlers)
    : feed_(feed), handlers_(std::move(handlers)), server_(std::make_unique<httplib::Server>()) {
    server_->set_keep_alive_timeout(2);
    server_->set_payload_max_length(4096);
    server_->set_default_headers({{"Content-Security-Policy", "default-src 'self'; img-src 'self' data:"},
                                  {"X-Content-Type-Options", "nosniff"},
                                  {"Cache-Control", "no-store"}});
    add_routes();
    int port = address.port;
    if (port == 0) {
        port = server_->bind_to_any_port(address.host);
    } else if (!server_->bind_to_port(address.host, port)) {
        port = -1;
    }
    if (port <= 0) {
        throw std::runtime_error("cannot serve the view at " + address.host + ":" + std::to_string(address.port));
    }
    url_ = url_of(address.host, port);
    thread_ = std::thread([this] { server_->listen_after_bind(); });
    // A stop() before the server runs would be lost, and the destructor
    // would wait for ever: the page is served once the constructor returns.
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    while (!server_->is_running() && std::chrono::steady_clock::now() < deadline) {
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    if (!server_->is_running()) {
        server_->stop();
        thread_.join();
        throw std::runtime_error("the view's server did not start");
    }
}

PageServer::~PageServer() {
    feed_.close();
    server_->stop();
    thread_.join();
}

void PageServer::add_routes() {
    server_->Get("/events", [this](const httplib::Request &request, httplib::Response &response) {
        if (++viewers_ > kMostViewers) {
            --viewers_;
            response.status = 503;
            response.set_content("too many viewers\n", "text/plain");
            return;
        }
        auto stream = std::make_shared<Stream>(feed_, viewers_, request);
        response.set_chunked_content_provider(
            "text/event-stream", [stream](std::size_t, httplib::DataSink &sink) { return stream->pump(sink); });
    });
    server_->Get("/run.svg", [this](const httplib::Request &, httplib::Response &response) {
        response.set_header("Content-Disposition", "attachment; filename=\"run.svg\"");
        response.set_content(handlers_.picture(), "image/svg+xml");
    });
    server_->Get("/.*", [](const httplib::Request &request, httplib::Response &response) {
        const PageAsset *asset = find_page_asset(request.path);
        if (asset == nullptr) {
            response.status = 404;
            response.set_content("not found\n", "text/plain");
            return;
        }
        response.set_content(asset->body.data(), asset->body.size(), std::string(asset->content_type));
    });
    server_->Post("/control", [this](const httplib::Request &request, httplib::Response &response) {
        if (!from_page(request, response)) return;
        const std::string error = handlers_.control(request.body);
        if (error.empty()) {
            response.status = 204;
        } else {
            response.status = 400;
            response.set_content(error + "\n", "text/plain");
        }
    });
    server_->Post("/key", [this](const httplib::Request &request, httplib::Response &response) {
        if (!from_page(request, response)) return;
        const std::string button = request.get_param_value("button");
        const std::string repeat_text = request.get_param_value("repeat");
        int repeat = -1;
        const auto *end = repeat_text.data() + repeat_text.size();
        if (std::from_chars(repeat_text.data(), end, repeat).ptr != end) repeat = -1;
        if (handlers_.key(button, repeat)) {
            response.status = 204;
        } else {
            response.status = 400;
            response.set_content("no such key or repeat count, or the remote is off\n", "text/plain");
        }
    });
}

}  // namespace tevrak::sim::view
