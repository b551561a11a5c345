// The compiled part of the Python package: tevrak._tevrak, re-exported by
// tevrak/__init__.py together with the pure-Python parts.
#include <cmath>
#include <cstring>

#include "bindings.h"

namespace tevrak::python {
namespace {

PythonTypes types;

}  // namespace

const PythonTypes &python_types() { return types; }

void load_python_types() {
    // Kept for the life of the process: results and exceptions are built
    // from them until the very end, exit handlers included.
    const py::module_ defined = py::module_::import("tevrak._types");
    const auto kept = [&defined](const char *name) { return py::object(defined.attr(name)).release(); };
    types.pose = kept("Pose");
    types.speed = kept("Speed");
    types.menu_item = kept("MenuItem");
    types.error = kept("Error");
    types.startup_error = kept("StartupError");
    types.link_error = kept("LinkError");
    types.stalled_error = kept("StalledError");
    types.real = py::object(py::module_::import("numbers").attr("Real")).release();
}

py::str character(char c) {
    return py::reinterpret_steal<py::str>(PyUnicode_FromOrdinal(static_cast<unsigned char>(c)));
}

py::str text(const char *c_text) {
    const auto length = static_cast<Py_ssize_t>(std::strlen(c_text));
    return py::reinterpret_steal<py::str>(PyUnicode_DecodeUTF8(c_text, length, "replace"));
}

std::optional<std::chrono::steady_clock::time_point> deadline_after(std::optional<double> seconds) {
    if (!seconds) return std::nullopt;
    if (std::isnan(*seconds) || *seconds < 0) throw py::value_error("timeout must be None or a number of seconds >= 0");
    // Beyond a year the wait is as good as unbounded, and the arithmetic stays in range.
    if (*seconds > 365.0 * 24 * 3600) return std::nullopt;
    return std::chrono::steady_clock::now() +
           std::chrono::duration_cast<std::chrono::steady_clock::duration>(std::chrono::duration<double>(*seconds));
}

}  // namespace tevrak::python

PYBIND11_MODULE(_tevrak, module) {
    using namespace tevrak::python;
    module.doc() = "The compiled part of the tevrak package (use it through `import tevrak`).";
    module.attr("__version__") = TEVRAK_VERSION;
    load_python_types();
    bind_errors(module);
    bind_link(module);
    bind_cycle(module);
    bind_home(module);
    bind_drive(module);
    bind_devices(module);
    bind_remote(module);
    bind_menu(module);
}
