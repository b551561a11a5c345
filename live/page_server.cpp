#include "live/page_server.h"

#include <httplib.h>
#include <netdb.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <charconv>
#include <chrono>
#include <cstring>
#include <optional>
#include <stdexcept>

#include "live/connection.h"
#include "live/guarded_stream.h"
#include "live/page_assets.h"

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

constexpr int kRequestsPerConnection = 5;

// Headers of every response: no other site may show the page in a frame
// (and trick a click onto "unplug" there), nor have its files taken for
// another type.
const httplib::Headers kEveryResponse = {
    {"Content-Security-Policy", "default-src 'self'; img-src 'self' data:; frame-ancestors 'none'"},
    {"X-Frame-Options", "DENY"},
    {"X-Content-Type-Options", "nosniff"},
    {"Cache-Control", "no-store"}};

// Set while a connection beyond the cap is handed over to be closed.
thread_local bool refuse_connection = false;

// A worker for every connection the server keeps open, and no more open
// connections than workers: the one beyond is closed as soon as it is
// accepted (by the accepting thread, at once). Slow clients never queue
// the page behind them, and a flood of connections never takes the
// descriptors the board needs to plug in again.
class ConnectionPool final : public httplib::TaskQueue {
public:
    ConnectionPool() : pool_(PageServer::kMostConnections) {}

    void enqueue(std::function<void()> serve) override {
        if (++open_ > PageServer::kMostConnections) {
            --open_;
            refuse_connection = true;
            serve();
            refuse_connection = false;
            return;
        }
        pool_.enqueue([this, serve = std::move(serve)] {
            serve();
            --open_;
        });
    }
    void shutdown() override { pool_.shutdown(); }

private:
    std::atomic<int> open_{0};
    httplib::ThreadPool pool_;
};

// The answer to a connection beyond the cap, sent without waiting.
void refuse_at_once(int fd) {
    std::string answer = "HTTP/1.1 503 Service Unavailable\r\nConnection: close\r\nContent-Type: text/plain\r\n";
    for (const auto &[name, value] : kEveryResponse) answer += name + ": " + value + "\r\n";
    answer += "Content-Length: 21\r\n\r\ntoo many connections\n";
    (void)!::send(fd, answer.data(), answer.size(), MSG_NOSIGNAL | MSG_DONTWAIT);
}

// The connection the calling worker serves.
thread_local GuardedStream *current_stream = nullptr;

// httplib's server with every connection read through a GuardedStream (the
// library lets a subclass serve its sockets, as its TLS server does).
class GuardedServer final : public httplib::Server {
public:
    // The library listens with a queue of 5: in a burst of connections the
    // kernel drops the rest and their clients retry seconds later, so the
    // cap above would rarely meet them. A queue as long as the system
    // allows lets every connection of a flood be accepted (and refused
    // beyond the cap) at once.
    void lengthen_queue() { (void)::listen(svr_sock_, SOMAXCONN); }

private:
    bool process_and_close_socket(socket_t fd) override {
        if (refuse_connection) {
            refuse_at_once(fd);
            ::shutdown(fd, SHUT_RDWR);
            ::close(fd);
            return false;
        }
        GuardedStream stream(fd, svr_sock_);
        current_stream = &stream;
        bool ok = true;
        for (int left = kRequestsPerConnection; ok && left > 0 && stream.next_request(); --left) {
            bool closed = false;
            ok = process_request(stream, left == 1, closed, [&](httplib::Request &) { stream.begin_body(); });
            if (closed || stream.closing()) break;
        }
        current_stream = nullptr;
        ::shutdown(fd, SHUT_RDWR);
        ::close(fd);
        return ok;
    }
};

void refuse(httplib::Response &response, int status, const std::string &why) {
    response.status = status;
    response.set_content(why + "\n", "text/plain");
    response.set_header("Connection", "close");
    if (current_stream != nullptr) current_stream->close_after();
}

bool from_page(const httplib::Request &request, httplib::Response &response) {
    if (request.get_header_value("X-Tevrak-View") == "1") return true;
    response.status = 403;
    response.set_content("requests come from the page\n", "text/plain");
    return false;
}

// Compares in a time that does not tell how much of the token was right.
bool same_token(std::string_view given, std::string_view token) {
    unsigned difference = given.size() ^ token.size();
    for (std::size_t i = 0; i < token.size(); ++i) {
        difference |=
            static_cast<unsigned char>(i < given.size() ? given[i] : ~token[i]) ^ static_cast<unsigned char>(token[i]);
    }
    return difference == 0;
}

// A whole decimal number, or nothing.
std::optional<int> whole_number(const std::string &text) {
    int value = 0;
    const auto *end = text.data() + text.size();
    const auto parsed = std::from_chars(text.data(), end, value);
    if (text.empty() || parsed.ec != std::errc() || parsed.ptr != end) return std::nullopt;
    return value;
}

std::string lower(std::string text) {
    std::transform(text.begin(), text.end(), text.begin(), [](unsigned char c) { return std::tolower(c); });
    return text;
}

// "host:port", an IPv6 address in brackets.
std::string authority(std::string host, int port) {
    if (host.rfind("::ffff:", 0) == 0 && host.find('.') != std::string::npos) host.erase(0, 7);
    if (host.find(':') != std::string::npos) host = "[" + host + "]";
    return lower(host) + ":" + std::to_string(port);
}

// The port 80 goes without saying in a Host header and an origin.
std::string with_port(const std::string &host, int port) {
    const auto colon = host.rfind(':');
    const bool has_port = colon != std::string::npos && (host.find(']') == std::string::npos || colon > host.find(']'));
    return has_port || port != 80 ? host : host + ":80";
}

std::string url_of(const std::string &host, int port) {
    const bool ipv6 = host.find(':') != std::string::npos;
    return "http://" + (ipv6 ? "[" + host + "]" : host) + ":" + std::to_string(port) + "/";
}

}  // namespace

PageServer::PageServer(const ViewAddress &address, Feed &feed, Handlers handlers)
        : feed_(feed), handlers_(std::move(handlers)), server_(std::make_unique<GuardedServer>()) {
    server_->new_task_queue = [] { return new ConnectionPool(); };
    server_->set_keep_alive_timeout(std::chrono::duration_cast<std::chrono::seconds>(kKeepAlive).count());
    server_->set_payload_max_length(kMostBodyBytes);
    server_->set_default_headers(kEveryResponse);
    server_->set_pre_routing_handler(
        httplib::Server::HandlerWithResponse([this](const httplib::Request &request, httplib::Response &response) {
            return admit(request, response) ? httplib::Server::HandlerResponse::Unhandled
                                            : httplib::Server::HandlerResponse::Handled;
        }));
    // A client that waits for "100 Continue" before its body hears the
    // refusal instead.
    server_->set_expect_100_continue_handler([this](const httplib::Request &request, httplib::Response &response) {
        return admit(request, response) ? 100 : response.status;
    });
    // A request cut while it was read: the library answers 400, this says why.
    server_->set_error_handler(
        httplib::Server::HandlerWithResponse([](const httplib::Request &, httplib::Response &response) {
            const auto cut = current_stream != nullptr ? current_stream->cut() : GuardedStream::Cut::none;
            if (cut == GuardedStream::Cut::none) return httplib::Server::HandlerResponse::Unhandled;
            if (cut == GuardedStream::Cut::head) refuse(response, 431, "the request's headers exceed 8 KiB");
            if (cut == GuardedStream::Cut::body) refuse(response, 413, "the request's body exceeds 4 KiB");
            if (cut == GuardedStream::Cut::time) refuse(response, 408, "the request took more than 5 s");
            return httplib::Server::HandlerResponse::Handled;
        }));
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
    static_cast<GuardedServer &>(*server_).lengthen_queue();
    port_ = port;
    bound_ = authority(address.host, port);
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

bool PageServer::admit(const httplib::Request &request, httplib::Response &response) const {
    // DNS rebinding: a page of another site whose name was made to point
    // here is same-origin to the browser, but its requests name that site.
    const std::string host = with_port(lower(request.get_header_value("Host")), port_);
    if (host != bound_ && host != "localhost:" + std::to_string(port_) &&
        host != authority(request.local_addr, port_)) {
        refuse(response, 421, "this server answers to " + bound_ + " and localhost:" + std::to_string(port_));
        return false;
    }
    const bool post = request.method == "POST";
    if (!post && request.method != "GET" && request.method != "HEAD") {
        refuse(response, 405, "GET and POST only");
        return false;
    }
    // Bodies come with their length, small, and as they are.
    if (request.has_header("Transfer-Encoding")) {
        refuse(response, 411, "no Transfer-Encoding: send a Content-Length");
        return false;
    }
    if (request.has_header("Content-Encoding")) {
        refuse(response, 415, "no Content-Encoding");
        return false;
    }
    const std::string length_text = request.get_header_value("Content-Length");
    std::size_t length = 0;
    const auto *end = length_text.data() + length_text.size();
    if (request.get_header_value_count("Content-Length") > 1 ||
        std::from_chars(length_text.data(), end, length).ptr != end || (length_text.empty() && post)) {
        refuse(response, 411, "a POST needs one Content-Length");
        return false;
    }
    if (length > (post ? kMostBodyBytes : 0)) {
        refuse(response, 413, post ? "the body exceeds 4 KiB" : "GET takes no body");
        return false;
    }
    if (post && request.has_header("Origin")) {
        const std::string origin = lower(request.get_header_value("Origin"));
        if (origin.rfind("http://", 0) != 0 || with_port(origin.substr(7), port_) != host) {
            refuse(response, 403, "requests come from the page");
            return false;
        }
    }
    return true;
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
    // A source without a picture, controls or keys (the real robot's) has
    // no such routes: they are 404 as every other path.
    if (handlers_.picture)
        server_->Get("/run.svg", [this](const httplib::Request &, httplib::Response &response) {
            response.set_header("Content-Disposition", "attachment; filename=\"run.svg\"");
            // Sent from the picture as it is: a large one is not copied again.
            const auto picture = handlers_.picture();
            response.set_content_provider(picture->size(), "image/svg+xml",
                                          [picture](std::size_t offset, std::size_t length, httplib::DataSink &sink) {
                                              return sink.write(picture->data() + offset,
                                                                std::min<std::size_t>(length, 1 << 16));
                                          });
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
    if (handlers_.control)
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
    if (handlers_.key)
        server_->Post("/key", [this](const httplib::Request &request, httplib::Response &response) {
            if (!from_page(request, response)) return;
            const std::string button = request.get_param_value("button");
            const std::string repeat_text = request.get_param_value("repeat");
            if (handlers_.key(button, whole_number(repeat_text).value_or(-1))) {
                response.status = 204;
            } else {
                response.status = 400;
                response.set_content("no such key or repeat count, or the remote is off\n", "text/plain");
            }
        });
    if (handlers_.drive)
        server_->Post("/drive", [this](const httplib::Request &request, httplib::Response &response) {
            if (!from_page(request, response)) return;
            if (!handlers_.drive_token.empty() &&
                !same_token(request.get_header_value("X-Tevrak-Token"), handlers_.drive_token)) {
                response.status = 403;
                response.set_content("the drive wants the token tevrak-view printed\n", "text/plain");
                return;
            }
            const auto linear = whole_number(request.get_param_value("linear"));
            const auto angular = whole_number(request.get_param_value("angular"));
            const std::string error =
                linear && angular ? handlers_.drive(*linear, *angular) : "linear and angular, whole numbers";
            if (error.empty()) {
                response.status = 204;
            } else {
                response.status = 400;
                response.set_content(error + "\n", "text/plain");
            }
        });
}

}  // namespace tevrak::sim::view
