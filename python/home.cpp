// The robot folder from Python. Unlike the C++ set_home, which counts only
// before the first use of a unit, tevrak.set_home takes effect at once:
// notebooks and test suites point one process at one simulator after
// another, so the library forgets the robot it knew (port, discovery,
// started units) and every unit starts afresh on its next call.
#include <pybind11/stl/filesystem.h>

#include <mutex>

#include "actuators/actuators_state.h"
#include "bindings.h"
#include "cxx/locks.h"
#include "drive/drive_state.h"
#include "protocol/paths.h"
#include "rangers/rangers_state.h"
#include "serial/serial_state.h"
#include "tevrak/serial_link.h"

namespace tevrak::python {
namespace {

// Closes the board's port and clears the discovered device paths and the
// started flags of the units on the link. The units keep no other state
// that outlives their next start-up.
void forget_robot() {
    const std::lock_guard lock(cxx::link_lock());
    drive::VWInitialised = 0;
    actuators::SERVOInitialised = 0;
    actuators::MOTORInitialised = 0;
    rangers::PSDInitialised = 0;
    SERClose(protocol::kLinkInterface);
    serial::SERPathInit = 0;
}

void set_home(const std::filesystem::path &folder) {
    py::gil_scoped_release release;
    tevrak::set_home(folder);
    forget_robot();
}

}  // namespace

void bind_home(py::module_ &module) {
    module.def("set_home", &set_home, py::arg("robot_folder"),
               "Makes robot_folder (str or path) the folder of bin/hdt.txt, bin/usbSearch and\n"
               "bin/ir/; the default is default_home(). Takes effect at once: the serial port\n"
               "is closed and every unit starts afresh on its next call, reading hdt.txt and\n"
               "discovering the board below the new folder. Waits while another thread uses\n"
               "the link or the remote.\n"
               "Raises tevrak.Error (unit \"HDT\", code 1) for an empty or too long folder.");
    module.def(
        "home", [] { return std::string(paths::home()); },
        "The robot folder in use.");
    module.def(
        "default_home", [] { return std::string(TEVRAK_HOME_DEFAULT); },
        "The robot folder the library was built for (used until set_home).");
}

}  // namespace tevrak::python
