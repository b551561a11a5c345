// Shared pieces of the compiled module tevrak._tevrak: the Python types it
// builds results from, conversions of Pose and Speed, and the two ways a
// call leaves the interpreter (a plain call, a wait in slices).
//
// Every call that can block (on the serial link, on its lock, or on the
// infrared daemon) releases the GIL in an inner scope around the C++ call
// only: arguments are converted and results built while the GIL is held.
#pragma once

#include <pybind11/pybind11.h>
#include <pybind11/stl.h>

#include <algorithm>
#include <chrono>
#include <optional>
#include <stdexcept>
#include <tuple>
#include <type_traits>

#include "tevrak/tevrak.hpp"

namespace tevrak::python {

namespace py = pybind11;

// Classes of tevrak._types, looked up once when the module loads.
struct PythonTypes {
    py::handle pose, speed, menu_item;
    py::handle error, startup_error, link_error, stalled_error;
    py::handle real;  // numbers.Real
};
const PythonTypes &python_types();
void load_python_types();

// One-character text of a key or byte value (0 to 255, Latin-1).
py::str character(char c);
// A C text that may have been cut inside a UTF-8 sequence.
py::str text(const char *c_text);

// An int argument of a C call as Python gives it: any real number, rounded
// half away from zero (12.5 -> 13, -12.5 -> -13). ValueError for NaN and
// the infinities, OverflowError beyond the C int.
struct Number {
    int value;
    operator int() const { return value; }
};
template <typename A>
using python_arg = std::conditional_t<std::is_same_v<A, int>, Number, A>;

// Ctrl-C during a call that waits on the board. The check, installed for
// the C++ layer's waits, takes a pending SIGINT from Python (on the main
// thread) and cancels the call; raise_if_interrupted, back with the GIL and
// the link given up, hands the SIGINT back to Python, whose handler runs
// (by default: KeyboardInterrupt).
bool take_interrupt();
void raise_if_interrupted();

// Runs call with the GIL released; then, or when it threw a tevrak::Error,
// raises a Ctrl-C that cancelled it.
template <typename Call>
auto interruptible(Call call) -> decltype(call()) {
    try {
        if constexpr (std::is_void_v<decltype(call())>) {
            {
                py::gil_scoped_release release;
                call();
            }
            raise_if_interrupted();
        } else {
            auto result = [&] {
                py::gil_scoped_release release;
                return call();
            }();
            raise_if_interrupted();
            return result;
        }
    } catch (const tevrak::Error &) {
        raise_if_interrupted();
        throw;
    }
}

void bind_errors(py::module_ &module);
void bind_link(py::module_ &module);
void bind_cycle(py::module_ &module);
void bind_home(py::module_ &module);
void bind_drive(py::module_ &module);
void bind_devices(py::module_ &module);
void bind_remote(py::module_ &module);
void bind_menu(py::module_ &module);

// A class shown as tevrak.<name> (help, signatures, repr of the type), as
// the package re-exports it.
template <typename T>
py::class_<T> public_class(py::module_ &module, const char *name, const char *doc) {
    py::class_<T> bound(module, name, doc);
    bound.attr("__module__") = "tevrak";
    return bound;
}

// Wraps a member function so that it runs with the GIL released, takes
// real numbers for its ints and ends on Ctrl-C.
template <typename T, typename R, typename... A>
auto without_gil(R (T::*method)(A...)) {
    return [method](T &self, python_arg<A>... args) -> R {
        return interruptible([&]() -> R { return (self.*method)(static_cast<A>(args)...); });
    };
}

// Makes a T with the GIL released (constructors start their unit). A
// device number the robot does not have raises ValueError.
template <typename T, typename... A>
auto made_without_gil() {
    return py::init([](python_arg<A>... args) {
        try {
            return interruptible([&] { return T(static_cast<A>(args)...); });
        } catch (const std::out_of_range &wrong_number) {
            throw py::value_error(wrong_number.what());
        }
    });
}

// A device as a context manager: `with` stops it when the block ends,
// also when an exception leaves it.
template <typename T>
void stops_on_leaving(py::class_<T> &bound, const char *doc) {
    bound.def("__enter__", [](py::object self) { return self; })
        .def(
            "__exit__", [](T &device, const py::args &) { interruptible([&] { device.stop(); }); }, doc);
}

// Longest time one slice of a wait keeps the GIL released and signals
// unhandled: Ctrl-C ends a wait within a slice and one query.
inline constexpr std::chrono::milliseconds kWaitSlice{50};

// The deadline of a timeout in seconds from Python; none for None (or one
// too long to matter). ValueError for a negative or NaN timeout.
std::optional<std::chrono::steady_clock::time_point> deadline_after(std::optional<double> seconds);

// Calls attempt(slice) with the GIL released, slice after slice, until it
// gives a result (true, a value) or the deadline has passed, and returns its
// last result. Between slices, with the GIL, Python's signal handlers run:
// Ctrl-C raises KeyboardInterrupt out of the wait at once.
template <typename Attempt>
auto wait_in_slices(std::optional<double> seconds, Attempt attempt) {
    using namespace std::chrono;
    const auto deadline = deadline_after(seconds);
    for (;;) {
        auto slice = kWaitSlice;
        if (deadline) {
            slice =
                std::clamp(duration_cast<milliseconds>(*deadline - steady_clock::now()), milliseconds{0}, kWaitSlice);
        }
        const auto result = interruptible([&] { return attempt(slice); });
        if (result) return result;
        if (PyErr_CheckSignals() != 0) throw py::error_already_set();
        if (deadline && steady_clock::now() >= *deadline) return result;
    }
}

// The wait of a bounded member wait (wait_for, get_for) with a timeout in
// seconds from Python, in slices as above.
template <typename T, typename R>
auto sliced(R (T::*bounded_wait)(std::chrono::milliseconds)) {
    return [bounded_wait](T &self, std::optional<double> seconds) {
        return wait_in_slices(
            seconds, [&self, bounded_wait](std::chrono::milliseconds slice) { return (self.*bounded_wait)(slice); });
    };
}

}  // namespace tevrak::python

namespace pybind11::detail {

template <>
struct type_caster<tevrak::python::Number> {
    PYBIND11_TYPE_CASTER(tevrak::python::Number, const_name("float"));
    bool load(handle source, bool convert);
};

// tevrak::Pose <-> tevrak.Pose (any sequence of three real numbers is taken).
template <>
struct type_caster<tevrak::Pose> {
    PYBIND11_TYPE_CASTER(tevrak::Pose, const_name("tevrak.Pose"));
    bool load(handle source, bool convert) {
        using tevrak::python::Number;
        make_caster<std::tuple<Number, Number, Number>> fields;
        if (!fields.load(source, convert)) return false;
        const auto [x, y, heading] = cast_op<std::tuple<Number, Number, Number>>(std::move(fields));
        value = tevrak::Pose{x, y, heading};
        return true;
    }
    static handle cast(const tevrak::Pose &pose, return_value_policy, handle) {
        return tevrak::python::python_types().pose(pose.x, pose.y, pose.heading).release();
    }
};

// tevrak::Speed -> tevrak.Speed.
template <>
struct type_caster<tevrak::Speed> {
    PYBIND11_TYPE_CASTER(tevrak::Speed, const_name("tevrak.Speed"));
    bool load(handle, bool) { return false; }
    static handle cast(const tevrak::Speed &speed, return_value_policy, handle) {
        return tevrak::python::python_types().speed(speed.linear, speed.angular).release();
    }
};

}  // namespace pybind11::detail
