// tevrak.Drive: the chassis.
#include "bindings.h"

namespace tevrak::python {
namespace {

constexpr const char *kDriveDoc = R"doc(The chassis: drives straight, turns, drives arcs and at set speeds.

Units: lengths in mm, linear speeds in mm/s, angles in degrees (positive:
left), angular speeds in degrees/s. The board runs each manoeuvre by itself:
straight(), turn(), curve() and drive_to() return at once; wait() waits for
the end and raises tevrak.StalledError when something blocks the chassis.

    with tevrak.Drive() as drive:     # stops the chassis when the block ends
        drive.straight(500, 200)
        drive.wait()

Drive() starts the drive unit when it is not started (reads the ENCODER,
DRIVE and KINEMA lines of <home>/bin/hdt.txt, opens the board's port,
configures the board); every Drive is a handle to the one drive of the
process. A program that ends while the chassis moves stops it (see
tevrak.stop_on_exit).

Raises tevrak.StartupError (hdt.txt cannot be read, the port cannot be
opened) and tevrak.LinkError (the board did not answer); their .code is the
C call's (1, or -1 for remaining/status/done/stalled/wait when the unit
cannot start). Safe from several threads; Ctrl-C ends every call.

wire: each command is the link check (carriage returns until the board
answers '>'), then the frame; queries then read their reply. Angles travel
in hundredths of a radian (value * 314 / 180 out, value * 180 / 314 in,
truncated: 45 degrees go out as 78 and come back as 44); word fields carry
the low 16 bits of a value.)doc";

}  // namespace

void bind_drive(py::module_ &module) {
    using tevrak::Drive;
    py::class_<Drive> bound = public_class<Drive>(module, "Drive", kDriveDoc);
    stops_on_leaving(bound, "Stops the chassis on leaving the with block, also when an exception leaves it.");
    bound.def(made_without_gil<Drive>(), "Starts the drive unit when it is not started (see the class).")
        .def("set_speed", without_gil(&Drive::set_speed), py::arg("linear"), py::arg("angular"),
             "Drives on at linear mm/s and angular degrees/s (positive: left) until the next command;\n"
             "(0, 0) stands still. Raises StartupError, LinkError.\n"
             "wire: F8, linear word, converted angular word.")
        .def("straight", without_gil(&Drive::straight), py::arg("distance"), py::arg("speed"),
             "Drives distance mm straight (negative: backwards) at speed mm/s; returns at once, wait()\n"
             "waits for the end. Raises StartupError, LinkError.\n"
             "wire: F9, speed word, distance word.")
        .def("turn", without_gil(&Drive::turn), py::arg("angle"), py::arg("angular_speed"),
             "Turns on the spot by angle degrees (positive: left) at angular_speed degrees/s; returns\n"
             "at once. Raises StartupError, LinkError.\n"
             "wire: D9, converted speed word, converted angle word.")
        .def("curve", without_gil(&Drive::curve), py::arg("length"), py::arg("angle"), py::arg("speed"),
             "Drives an arc length mm long that turns the heading by angle degrees, at speed mm/s;\n"
             "returns at once. Raises StartupError, LinkError.\n"
             "wire: C3, length word, converted angle word, speed word.")
        .def("drive_to", without_gil(&Drive::drive_to), py::arg("dx"), py::arg("dy"), py::arg("speed"),
             "Drives the arc to the point dx mm ahead and dy mm to the left at speed mm/s (straight\n"
             "for a point ahead or behind); returns at once. Raises StartupError, LinkError.\n"
             "wire: C3 with the arc's length and heading change (twice the bearing atan2(dy, dx)).")
        .def("stop", without_gil(&Drive::stop),
             "Stops the chassis: ends the running manoeuvre and stands still. Raises StartupError,\n"
             "LinkError.\n"
             "wire: F8, 0000, 0000 (set_speed(0, 0)).")
        .def("set_position", without_gil(&Drive::set_position), py::arg("pose"),
             "Tells the board where the chassis stands: a tevrak.Pose or (x mm, y mm, heading degrees);\n"
             "moves nothing. Raises StartupError, LinkError.\n"
             "wire: D1, x word, y word, converted heading word.")
        .def_property_readonly("position", without_gil(&Drive::position),
                               "Where the chassis stands: tevrak.Pose(x mm, y mm, heading degrees). Raises\n"
                               "StartupError, LinkError.\n"
                               "wire: F1, three signed words back.")
        .def_property_readonly("speed", without_gil(&Drive::speed),
                               "How fast the chassis moves: tevrak.Speed(linear mm/s, angular degrees/s).\n"
                               "Raises StartupError, LinkError.\n"
                               "wire: D8, two signed words back.")
        .def_property_readonly("remaining", without_gil(&Drive::remaining),
                               "What is left of the running manoeuvre, mm or degrees (0 to 65535; 0 when none\n"
                               "runs). Raises StartupError, LinkError.\n"
                               "wire: FA, one unsigned word back.")
        .def_property_readonly("status", without_gil(&Drive::status),
                               "The drive status: 0 running, 1 finished (also idle or at a set speed), 2 stalled.\n"
                               "Raises StartupError, LinkError.\n"
                               "wire: DA, one byte back.")
        .def_property_readonly("done", without_gil(&Drive::done),
                               "True when the manoeuvre is finished (status 1). Raises StartupError, LinkError.\n"
                               "wire: DA.")
        .def_property_readonly("stalled", without_gil(&Drive::stalled),
                               "True when something blocks the chassis (status 2). Raises StartupError,\n"
                               "LinkError.\n"
                               "wire: DA.")
        .def("wait", sliced<Drive, bool>(&Drive::wait_for), py::arg("timeout") = py::none(),
             "Waits until the manoeuvre is finished: True then, False when timeout seconds (None: no\n"
             "limit) passed first. Raises StalledError when the chassis stalls, StartupError,\n"
             "LinkError, ValueError for a negative timeout; Ctrl-C ends it with KeyboardInterrupt.\n"
             "wire: DA every 10 ms.")
        .def("control", without_gil(&Drive::control), py::arg("k1"), py::arg("k2"), py::arg("k3"), py::arg("k4"),
             "Loads the velocity controller's four gains. Raises StartupError, LinkError.\n"
             "wire: C1 and the four gains, each as its low 8 bits.")
        .def("control_off", without_gil(&Drive::control_off),
             "Switches the velocity controller off. Raises StartupError, LinkError.\n"
             "wire: D7.")
        .def("__repr__", [](const Drive &) { return "tevrak.Drive()"; });
}

}  // namespace tevrak::python
