// tevrak.Remote: keys of the infrared remote control.
#include "bindings.h"

namespace tevrak::python {
namespace {

py::object key_or_none(std::optional<char> key) {
    if (!key) return py::none();
    return character(*key);
}

}  // namespace

void bind_remote(py::module_ &module) {
    using tevrak::Remote;
    public_class<Remote>(module, "Remote", R"(Keys of the infrared remote control, one character each.

The infrared daemon (lircd) decodes the signals; a key is the fifth
character of the lirc button name ("KEY_1" gives '1', "KEY_UP" 'U',
"KEY_RED" 'R', "KEY_RIGHT" '>'). The client library finds the daemon's
socket through LIRC_SOCKET_PATH when that is set.

Remote() connects to the daemon when not connected; tevrak.StartupError
(code 3) when it cannot be reached: then "Unable to initialise IR input" goes
to stderr and "sudo /etc/init.d/lirc stop" is run, as the C function does.
tevrak.LinkError (code -1) when the client library fails or the daemon
closes the connection. Waits use no CPU and let other Python threads run.)")
        .def(made_without_gil<Remote>())
        .def(
            "get",
            [](Remote &remote, std::optional<double> timeout) {
                return key_or_none(sliced(&Remote::get_for)(remote, timeout));
            },
            py::arg("timeout") = py::none(),
            "Waits for the next key and returns it as a one-character str; None when timeout\n"
            "seconds (None: no limit) passed without one. While a key is held, its repeats 1 to\n"
            "hold delay - 1 are skipped. Ctrl-C ends the wait with KeyboardInterrupt.\n"
            "ValueError for a negative timeout.")
        .def(
            "poll",
            [](Remote &remote) {
                std::optional<char> key;
                {
                    py::gil_scoped_release release;
                    key = remote.poll();
                }
                return key_or_none(key);
            },
            "A pending key without waiting, or None. No hold delay: every repeat of a held\n"
            "key comes through like a first press.")
        .def("set_hold_delay", without_gil(&Remote::set_hold_delay), py::arg("repeats"),
             "Sets the hold delay of get() (5 at program start): repeats 1 to repeats - 1 of a\n"
             "held key are skipped. 1 or less skips none.")
        .def("use_configuration", without_gil(&Remote::use_configuration), py::arg("number"),
             "Installs remote configuration number (<home>/bin/ir/<number>_lircd.conf) and\n"
             "restarts the daemon, both through sudo; the connection is left as it is.")
        .def_property_readonly("configuration", without_gil(&Remote::configuration),
                               "The number of the remote configuration last installed (0 before any).")
        .def("__repr__", [](const Remote &) { return "tevrak.Remote()"; });
}

}  // namespace tevrak::python
