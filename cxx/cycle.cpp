// tevrak::Cycle: the C cycle under the link lock, held for its whole life
// so that no other thread's command falls between its calls.
#include "tevrak/cycle.h"
#include "cxx/locks.h"
#include "tevrak/tevrak.hpp"

namespace tevrak {

Cycle::Cycle() {
    cxx::link_lock().lock();
    opened_ = CYCLEBegin() == 0;
}

Cycle::~Cycle() {
    if (opened_) CYCLEEnd();
    cxx::link_lock().unlock();
}

}  // namespace tevrak
