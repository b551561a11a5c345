#include <string>

#include "tevrak/tevrak.hpp"

namespace tevrak {

Error::Error(const char *unit, const char *function, int code, const char *reason)
    : std::runtime_error(std::string(function) + ": " + reason + " (code " + std::to_string(code) + ")"),
      unit_(unit),
      function_(function),
      code_(code) {}

}  // namespace tevrak
