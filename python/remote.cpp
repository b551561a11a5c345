// tevrak.Remote: keys of the infrared remote control.
#include "bindings.h"

namespace tevrak::python {
namespace {

py::object key_or_none(std::optional<char> key) {
    if (!key) return py::none();
    return character(*key);
}

py::object next_key(Remote &remote, std::optional<double> timeout) {
    return key_or_none(sliced<Remote, std::optional<char>>(&Remote::get_for)(remote, timeout));
}

// remote.keys(timeout): the keys as they come, until none came for timeout.
struct KeyStream {
    Remote remote;
    std::optional<double> timeout;
};

}  // namespace

void bind_remote(py::module_ &module) {
    using tevrak::Remote;
    py::class_<KeyStream>(module, "_KeyStream")
        .def("__iter__", [](py::object self) { return self; })
        .def("__next__", [](KeyStream &stream) {
            py::object key = next_key(stream.remote, stream.timeout);
            if (key.is_none()) throw py::stop_iteration();
            return key;
        });
    public_class<Remote>(module, "Remote", R"doc(Keys of the infrared remote control, one character each.

Each key is a one-character str; tevrak.Key names them (tevrak.Key.UP is
"U", tevrak.Key(key).name gives "UP"):

    for key in remote.keys(timeout=10):   # ends after 10 s without a key
        if key == tevrak.Key.UP: ...

The infrared daemon (lircd) decodes the signals. Remote() connects to it
when not connected; tevrak.StartupError (code 3) when it cannot be reached:
then "Unable to initialise IR input" goes to stderr and "sudo
/etc/init.d/lirc stop" is run, as the C function does. tevrak.LinkError
(code -1) when the client library fails or the daemon closes the connection.
Waits use no CPU, let other Python threads run and end on Ctrl-C.

wire: a key is the fifth character of the lirc button name ("KEY_1" gives
'1', "KEY_UP" 'U', "KEY_RED" 'R', "KEY_RIGHT" '>'). The client library finds
the daemon's socket through LIRC_SOCKET_PATH when that is set.)doc")
        .def(made_without_gil<Remote>())
        .def("get", &next_key, py::arg("timeout") = py::none(),
             "Waits for the next key and returns it; None when timeout seconds (None: no limit) passed\n"
             "without one. While a key is held, its repeats 1 to hold delay - 1 are skipped. Raises\n"
             "LinkError, ValueError for a negative timeout; Ctrl-C ends it with KeyboardInterrupt.")
        .def(
            "keys",
            [](Remote &remote, std::optional<double> timeout) {
                deadline_after(timeout);  // ValueError now rather than at the first key
                return KeyStream{remote, timeout};
            },
            py::arg("timeout") = py::none(),
            "An iterator over the keys as they come (as get() returns them); it ends when no key came\n"
            "for timeout seconds (None: never). Raises LinkError, ValueError for a negative timeout.")
        .def(
            "poll", [](Remote &remote) { return key_or_none(interruptible([&] { return remote.poll(); })); },
            "A pending key without waiting, or None. No hold delay: every repeat of a held key comes\n"
            "through like a first press. Raises LinkError.")
        .def("fileno", without_gil(&Remote::native_handle),
             "The daemon connection's descriptor, for select() or asyncio's loop.add_reader(): readable\n"
             "when a key may be pending (then poll() it). The remote owns it: do not close it.")
        .def("set_hold_delay", without_gil(&Remote::set_hold_delay), py::arg("repeats"),
             "Skips repeats 1 to repeats - 1 of a held key in get() (5 at program start; 1 or less\n"
             "skips none).")
        .def("use_configuration", without_gil(&Remote::use_configuration), py::arg("number"),
             "Installs remote configuration number (<home>/bin/ir/<number>_lircd.conf) and restarts\n"
             "the daemon, both through sudo; the connection is left as it is.")
        .def_property_readonly("configuration", without_gil(&Remote::configuration),
                               "The number of the remote configuration last installed (0 before any).")
        .def("__repr__", [](const Remote &) { return "tevrak.Remote()"; });
}

}  // namespace tevrak::python
