// tevrak.Drive: the chassis.
#include "bindings.h"

namespace tevrak::python {
namespace {

constexpr const char *kDriveDoc = R"(The chassis: drive by linear and angular speed.

The controller board runs the motions, keeps the chassis position and runs
the velocity controller; a Drive configures it and sends it commands over
the serial link. Each command is the link check (carriage returns until the
board answers '>'), then the frame; queries then read their reply.

Units: angles and angular speeds are degrees here and hundredths of a radian
on the wire, converted as value * 314 / 180 going out and value * 180 / 314
coming in, truncating toward zero (45 degrees go out as 78 and come back as
44). Lengths and linear speeds are the board's units. Word fields carry the
low 16 bits of a value.

Drive() starts the drive unit when it is not started: reads the ENCODER,
DRIVE and KINEMA lines of <home>/bin/hdt.txt, opens the board's port, sends
the drive set-up frame (F7) and the controller gains. Every Drive is a handle
to the one drive unit of the process.

Failures raise tevrak.StartupError (hdt.txt cannot be read, the port cannot
be opened; code 1, or -1 for remaining/status/done/stalled/wait) or
tevrak.LinkError (the board did not answer; code 1, or -1 for a short reply
of remaining). Safe from several threads; every call lets other Python
threads run while it waits for the board.)";

}  // namespace

void bind_drive(py::module_ &module) {
    using tevrak::Drive;
    public_class<Drive>(module, "Drive", kDriveDoc)
        .def(made_without_gil<Drive>(), "Starts the drive unit when it is not started (see the class).")
        .def("set_speed", without_gil(&Drive::set_speed), py::arg("linear"), py::arg("angular"),
             "Drives on at a linear speed and an angular speed (degrees per second) until the next\n"
             "drive command: sends F8, linear word, converted angular word.")
        .def("straight", without_gil(&Drive::straight), py::arg("distance"), py::arg("speed"),
             "Drives straight for distance (backwards when negative): sends F9, speed word,\n"
             "distance word. Returns at once; wait() waits for the end.")
        .def("turn", without_gil(&Drive::turn), py::arg("angle"), py::arg("angular_speed"),
             "Turns on the spot by angle degrees (positive: left) at angular_speed degrees per\n"
             "second: sends D9, converted speed word, converted angle word.")
        .def("curve", without_gil(&Drive::curve), py::arg("length"), py::arg("angle"), py::arg("speed"),
             "Drives a circular arc of the given length, turning by angle degrees: sends C3,\n"
             "length word, converted angle word, speed word.")
        .def("drive_to", without_gil(&Drive::drive_to), py::arg("dx"), py::arg("dy"), py::arg("speed"),
             "Drives the circular arc that starts tangent to the current heading and ends dx\n"
             "ahead and dy to the left: sends C3 with the arc's length and heading change (twice\n"
             "the bearing atan2(dy, dx)). A point straight ahead or behind is driven straight.")
        .def("set_position", without_gil(&Drive::set_position), py::arg("pose"),
             "Sets the board's idea of the chassis position (a tevrak.Pose, or any (x, y,\n"
             "heading) sequence): sends D1, x word, y word, converted heading word. Moves nothing.")
        .def_property_readonly("position", without_gil(&Drive::position),
                               "The chassis position, tevrak.Pose(x, y, heading in degrees): sends F1 and\n"
                               "reads three signed words.")
        .def_property_readonly("speed", without_gil(&Drive::speed),
                               "The chassis speed, tevrak.Speed(linear, angular in degrees per second):\n"
                               "sends D8 and reads two signed words.")
        .def_property_readonly("remaining", without_gil(&Drive::remaining),
                               "What is left of the running manoeuvre (0 to 65535; 0 when none runs): sends\n"
                               "FA and reads an unsigned word.")
        .def_property_readonly("status", without_gil(&Drive::status),
                               "The drive status byte: 0 running, 1 finished (also idle or under a\n"
                               "continuous speed), 2 stalled. Sends DA.")
        .def_property_readonly("done", without_gil(&Drive::done),
                               "True when the manoeuvre is finished (status 1). Sends DA.")
        .def_property_readonly("stalled", without_gil(&Drive::stalled),
                               "True when the chassis is stalled (status 2). Sends DA.")
        .def("wait", sliced(&Drive::wait_for), py::arg("timeout") = py::none(),
             "Waits until the manoeuvre is finished: queries the status (DA) until it is 1,\n"
             "pausing 10 ms between queries. True when finished; False when timeout seconds\n"
             "(None: no limit) have passed first. Ctrl-C ends the wait with KeyboardInterrupt.\n"
             "ValueError for a negative timeout.")
        .def("control", without_gil(&Drive::control), py::arg("k1"), py::arg("k2"), py::arg("k3"), py::arg("k4"),
             "Loads the velocity controller's gains: sends C1 and the four gains, each as its low\n"
             "8 bits.")
        .def("control_off", without_gil(&Drive::control_off), "Switches the velocity controller off: sends D7.")
        .def("__repr__", [](const Drive &) { return "tevrak.Drive()"; });
}

}  // namespace tevrak::python
