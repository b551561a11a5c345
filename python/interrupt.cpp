// Ctrl-C inside calls that wait on the board, the link check's bound and
// the stop at exit: tevrak.set_link_timeout and tevrak._stop_moving.
#include <chrono>
#include <cmath>
#include <optional>

#include "bindings.h"
#include "cxx/link_wait.h"
#include "cxx/motion.h"

namespace tevrak::python {
namespace {

// Per thread: only the main thread ever takes a SIGINT.
thread_local bool took_interrupt = false;

std::optional<std::chrono::milliseconds> link_timeout(std::optional<double> seconds) {
    if (!seconds) return std::nullopt;
    if (!(*seconds > 0) || std::isinf(*seconds)) {
        throw py::value_error("the link time-out must be None or a number of seconds > 0");
    }
    return std::chrono::ceil<std::chrono::milliseconds>(std::chrono::duration<double>(*seconds));
}

}  // namespace

bool take_interrupt() {
    py::gil_scoped_acquire gil;
    // Takes the SIGINT without running Python's handler here: the handler
    // may itself use the robot, so it runs once the link is given up.
    if (PyOS_InterruptOccurred() != 0) took_interrupt = true;
    return took_interrupt;
}

void raise_if_interrupted() {
    if (!took_interrupt) return;
    took_interrupt = false;
    PyErr_SetInterrupt();
    if (PyErr_CheckSignals() != 0) throw py::error_already_set();
}

void bind_link(py::module_ &module) {
    {
        // The link's holder may ask for the GIL in the check.
        py::gil_scoped_release release;
        cxx::set_interrupt_check(&take_interrupt);
    }
    module.def(
        "set_link_timeout",
        [](std::optional<double> seconds) {
            const auto timeout = link_timeout(seconds);
            py::gil_scoped_release release;
            set_link_timeout(timeout);
        },
        py::arg("seconds"),
        "Bounds every later link check to `seconds` in all; None (the default) removes the bound.\n"
        "ValueError for a time-out that is not > 0.\n"
        "A command first checks the link: it sends a carriage return and waits up to 0.5 s for\n"
        "the board's '>'. Without a bound it tries up to 100 times (about 50 s against a silent\n"
        "board) before it raises LinkError; with one it stops trying when `seconds` have passed\n"
        "(about one probe per 0.5 s, at least one) and raises LinkError then.");
    module.def(
        "keep_moving",
        [](bool keep) {
            py::gil_scoped_release release;
            tevrak::keep_moving(keep);
        },
        py::arg("keep"),
        "keep_moving(True) turns off the stop on the program's death: when the program is\n"
        "killed or crashes (SIGKILL, a crash, the OOM killer), a guard process stops the drive\n"
        "and the motors it set moving within milliseconds. keep_moving(False) turns it on\n"
        "again; TEVRAK_KEEP_MOVING=1 in the environment starts the program with it off.\n"
        "The stop at a normal exit is tevrak.stop_on_exit's.");
    module.def(
        "_stop_moving",
        [](double seconds) {
            py::gil_scoped_release release;
            const auto deadline =
                std::chrono::steady_clock::now() +
                std::chrono::duration_cast<std::chrono::steady_clock::duration>(std::chrono::duration<double>(seconds));
            return cxx::stop_moving(&deadline);
        },
        py::arg("seconds"),
        "Stops the drive and the motors the program set moving (tevrak.stop_on_exit uses it);\n"
        "gives up when the link is not free within `seconds`. False when a stop failed.");
}

}  // namespace tevrak::python
