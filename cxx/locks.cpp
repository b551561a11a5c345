#include "cxx/locks.h"

namespace tevrak::cxx {

std::timed_mutex &link_mutex() {
    static std::timed_mutex mutex;
    return mutex;
}

std::mutex &remote_mutex() {
    static std::mutex mutex;
    return mutex;
}

}  // namespace tevrak::cxx
