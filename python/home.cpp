// The robot folder from Python. Unlike the C++ set_home, which counts only
// before the first use of a unit, tevrak.set_home takes effect at once:
// notebooks and test suites point one process at one simulator after
// another, so the library forgets the robot it knew (port, discovery,
// started units) and every unit starts afresh on its next call.
#include <pybind11/stl/filesystem.h>

#include "bindings.h"
#include "config/paths.h"
#include "cxx/home.h"

namespace tevrak::python {
namespace {

void set_home(const std::filesystem::path &folder) {
    py::gil_scoped_release release;
    cxx::move_home(folder);
}

}  // namespace

void bind_home(py::module_ &module) {
    module.def("set_home", &set_home, py::arg("robot_folder"),
               "Makes robot_folder (str or path) the folder of bin/hdt.txt, bin/usbSearch and\n"
               "bin/ir/; without it the folder is $TEVRAK_HOME when set, else default_home().\n"
               "Takes effect at once: the serial port\n"
               "is closed and every unit starts afresh on its next call, reading hdt.txt and\n"
               "discovering the board below the new folder. Waits while another thread uses\n"
               "the link or the remote.\n"
               "Raises tevrak.Error (unit \"HDT\", code 1) for an empty or too long folder.");
    module.def(
        "home", [] { return std::string(paths::home()); }, "The robot folder in use.");
    module.def(
        "default_home", [] { return std::string(TEVRAK_HOME_DEFAULT); },
        "The robot folder the library was built for (used when neither set_home nor\n"
        "the environment variable TEVRAK_HOME names one).");
}

}  // namespace tevrak::python
