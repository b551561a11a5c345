// The one writer of the library's fixed messages.
#pragma once

#include <cstdio>

namespace tevrak {

// Writes text to stream as it is (no newline added) and flushes stream at
// once, so that the message stands in order with everything else the
// program writes.
void write_message(std::FILE *stream, const char *text);

}  // namespace tevrak
