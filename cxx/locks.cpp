#include "cxx/locks.h"

namespace tevrak::cxx {

TimedLock &link_lock() {
    static TimedLock lock;
    return lock;
}

std::mutex &remote_lock() {
    static std::mutex mutex;
    return mutex;
}

}  // namespace tevrak::cxx
