// The one writer of the library's fixed messages.
#pragma once

#include <cstdio>
#include <string>

namespace tevrak {

// Writes text to stream as it is (no newline added) and flushes stream at
// once, so that the message stands in order with everything else the
// program writes. While the calling thread holds its messages (below), text
// is kept back instead; text must then outlive the hold (the library's
// messages are literals).
void write_message(std::FILE *stream, const char *text);

// The C++ layer holds a thread's messages for the length of a call, so that
// a failure's exception can carry them instead of the terminal. Holds nest:
// the outermost release writes what is still held, in order. Plain C
// programs never hold: their messages are written as they come.
void hold_messages();
void release_messages();

// The held messages without their line ends, joined by "; ", and forgets
// them (nothing is written); empty when none is held.
std::string take_held_messages();

// Holds the calling thread's messages while it lives.
class MessageHold {
public:
    MessageHold() { hold_messages(); }
    ~MessageHold() { release_messages(); }
    MessageHold(const MessageHold &) = delete;
    MessageHold &operator=(const MessageHold &) = delete;
};

}  // namespace tevrak
