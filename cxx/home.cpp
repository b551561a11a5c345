#include "cxx/home.h"

#include <mutex>

#include "cxx/link.h"
#include "cxx/locks.h"
#include "remote/connection.h"
#include "serial/link_control.h"
#include "tevrak/home.h"
#include "tevrak/tevrak.hpp"

namespace tevrak {
namespace {

void set_home_locked(const std::filesystem::path &robot_folder) {
    const int result = HDTSetHome(robot_folder.c_str());
    if (result != 0) throw Error("HDT", "HDTSetHome", result, "the folder is empty or too long");
}

}  // namespace

void set_home(const std::filesystem::path &robot_folder) {
    // Every unit reads the folder's paths while it holds one of the locks.
    // Nothing else takes both, so their order cannot deadlock.
    const std::lock_guard link(cxx::link_lock());
    const std::lock_guard remote(cxx::remote_lock());
    set_home_locked(robot_folder);
}

void cxx::move_home(const std::filesystem::path &robot_folder) {
    const std::lock_guard link(link_lock());
    const std::lock_guard remote(remote_lock());
    set_home_locked(robot_folder);
    // The units keep no other state that outlives their next start-up.
    for (const LinkUnit *unit : kLinkUnits) *unit->initialised = 0;
    rcin::disconnect();
    // Only a port that is open is closed: interface 1's default port may be
    // a real board the new folder knows nothing of.
    serial::forget_port();
}

}  // namespace tevrak
