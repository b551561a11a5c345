// The daemon connection as the C++ layer sees it: whether it is up, its
// descriptor to sleep on, and letting go of it. With remote/key_look.h and
// remote/daemon_wait.h, all the C++ layer reaches of the unit besides the
// public header.
#pragma once

namespace tevrak::rcin {

// True once the connection to the daemon is up.
bool connected();

// The connection's descriptor as the daemon's client library returned it.
int descriptor();

// Lets go of the daemon connection, if any, without the daemon's shell
// commands, and puts the key settings (hold delay, configuration number)
// back to those of a fresh program; the seams stay. The next call connects
// afresh, through the LIRC_SOCKET_PATH of that moment.
void disconnect();

}  // namespace tevrak::rcin
