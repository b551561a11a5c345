#include "platform/message.h"

namespace tevrak {

void write_message(std::FILE *stream, const char *text) {
    std::fputs(text, stream);
    std::fflush(stream);
}

}  // namespace tevrak
