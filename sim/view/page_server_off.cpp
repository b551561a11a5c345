// The page server of a tevrak-sim built without an HTTP library (cross builds
// for the robot: Debian ships cpp-httplib only for the build machine there).
// The simulator and its remote's socket work as usual; --view is refused.
#include <stdexcept>

#include "page_server.h"

// Never made here; complete only so that the server's owner can be destroyed.
namespace httplib {
class Server {};
}  // namespace httplib

namespace tevrak::sim::view {

PageServer::PageServer(const ViewAddress &, Feed &feed, Handlers handlers) : feed_(feed), handlers_(std::move(handlers)) {
    throw std::runtime_error("this tevrak-sim was built without the live page");
}

PageServer::~PageServer() = default;

void PageServer::add_routes() {}

}  // namespace tevrak::sim::view
