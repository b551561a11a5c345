#include <string>

#include "cxx/locks.h"
#include "tevrak/home.h"
#include "tevrak/tevrak.hpp"

namespace tevrak {

Error::Error(const char *unit, const char *function, int code, const char *reason)
    : std::runtime_error(std::string(function) + ": " + reason + " (code " + std::to_string(code) + ")"),
      unit_(unit),
      function_(function),
      code_(code) {}

void set_home(const std::filesystem::path &robot_folder) {
    // Every unit reads the folder's paths while it holds one of the locks.
    // Nothing else takes both, so their order cannot deadlock.
    const std::lock_guard link(cxx::link_lock());
    const std::lock_guard remote(cxx::remote_lock());
    const int result = HDTSetHome(robot_folder.c_str());
    if (result != 0) throw Error("HDT", "HDTSetHome", result, "the folder is empty or too long");
}

}  // namespace tevrak
