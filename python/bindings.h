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
#include <tuple>

#include "tevrak/tevrak.hpp"

namespace tevrak::python {

namespace py = pybind11;

// Classes of tevrak._types, looked up once when the module loads.
struct PythonTypes {
    py::handle pose, speed, menu_item;
    py::handle error, startup_error, link_error;
};
const PythonTypes &python_types();
void load_python_types();

// One-character text of a key or byte value (0 to 255, Latin-1).
py::str character(char c);
// A C text that may have been cut inside a UTF-8 sequence.
py::str text(const char *c_text);

void bind_errors(py::module_ &module);
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

// Wraps a member function so that it runs with the GIL released.
template <typename T, typename R, typename... A>
auto without_gil(R (T::*method)(A...)) {
    return [method](T &self, A... args) -> R {
        py::gil_scoped_release release;
        return (self.*method)(args...);
    };
}

// Makes a T with the GIL released (constructors start their unit).
template <typename T, typename... A>
auto made_without_gil() {
    return py::init([](A... args) {
        py::gil_scoped_release release;
        return T(args...);
    });
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
            slice = std::clamp(duration_cast<milliseconds>(*deadline - steady_clock::now()), milliseconds{0},
                               kWaitSlice);
        }
        decltype(attempt(slice)) result{};
        {
            py::gil_scoped_release release;
            result = attempt(slice);
        }
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
        return wait_in_slices(seconds, [&self, bounded_wait](std::chrono::milliseconds slice) {
            return (self.*bounded_wait)(slice);
        });
    };
}

}  // namespace tevrak::python

namespace pybind11::detail {

// tevrak::Pose <-> tevrak.Pose (any sequence of three ints is taken).
template <>
struct type_caster<tevrak::Pose> {
    PYBIND11_TYPE_CASTER(tevrak::Pose, const_name("tevrak.Pose"));
    bool load(handle source, bool convert) {
        make_caster<std::tuple<int, int, int>> fields;
        if (!fields.load(source, convert)) return false;
        const auto [x, y, heading] = cast_op<std::tuple<int, int, int>>(std::move(fields));
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
