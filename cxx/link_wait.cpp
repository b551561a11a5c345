#include "cxx/link_wait.h"

#include <mutex>

#include "cxx/locks.h"
#include "protocol/death_guard.h"
#include "serial/link_control.h"
#include "tevrak/tevrak.hpp"

namespace tevrak {

void set_link_timeout(std::optional<std::chrono::milliseconds> timeout) {
    if (timeout && timeout->count() <= 0)
        throw std::invalid_argument("tevrak::set_link_timeout: the time-out must be positive");
    const std::lock_guard lock(cxx::link_lock());
    serial::link_wait().check_limit = timeout.value_or(std::chrono::milliseconds::zero());
}

void keep_moving(bool keep) {
    const std::lock_guard lock(cxx::link_lock());
    protocol::death_guard::set_keep_moving(keep);
}

void cxx::set_interrupt_check(bool (*check)()) {
    const std::lock_guard lock(link_lock());
    serial::link_wait().interrupted = check;
}

}  // namespace tevrak
