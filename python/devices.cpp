// tevrak.Servo, tevrak.Motor, tevrak.Encoder, tevrak.DistanceSensor.
#include <string>

#include "bindings.h"

namespace tevrak::python {
namespace {

template <typename Device>
std::string device_repr(const char *name, const Device &device) {
    return std::string("tevrak.") + name + "(" + std::to_string(device.number()) + ")";
}

void bind_servo(py::module_ &module) {
    using tevrak::Servo;
    public_class<Servo>(module, "Servo", R"doc(A servo on the controller board.

Servo(number): numbers count from 1, in the order of the SERVO lines of
<home>/bin/hdt.txt; ValueError for a number hdt.txt does not list, for
example "servo 0: this robot has servos 1 to 2 (hdt.txt)". Making one starts
the servo unit when it is not started (opens the board's port, loads the
servo list and tables; sends nothing).

Raises tevrak.StartupError (the port cannot be opened) and tevrak.LinkError
(the board did not answer), code 1.

wire: payload bytes are the low 8 bits of the arguments.)doc")
        .def(made_without_gil<Servo, int>(), py::arg("number"))
        .def_property_readonly("number", &Servo::number, "The servo's number, from 1.")
        .def("set", without_gil(&Servo::set), py::arg("position"),
             "Moves the servo to position 0 to 255, held within the servo's limits and converted\n"
             "through its table. Raises LinkError.\n"
             "wire: table entry position * N / 256, sent as set_raw does; a servo without a table\n"
             "gets \"No Servo table\" on stdout and the position as it is.")
        .def("set_raw", without_gil(&Servo::set_raw), py::arg("value"),
             "Moves the servo to a raw position, unconverted. Raises LinkError.\n"
             "wire: F3, servo, value.")
        .def("range", without_gil(&Servo::range), py::arg("low"), py::arg("high"),
             "Gives the board the servo's raw range. Raises LinkError.\n"
             "wire: D3, servo, low, high.")
        .def("__repr__", [](const Servo &servo) { return device_repr("Servo", servo); });
}

void bind_motor(py::module_ &module) {
    using tevrak::Motor;
    py::class_<Motor> bound = public_class<Motor>(module, "Motor", R"doc(A motor on the controller board.

Motor(number): numbers count from 1, in the order of the MOTOR lines of
<home>/bin/hdt.txt; ValueError for a number hdt.txt does not list. Making one
starts the motor and encoder unit when it is not started (opens the board's
port, loads the motor list and tables, sets the encoder zeros to 0; sends
nothing). As a context manager it stops the motor when the block ends; a
program that ends while the motor runs stops it (see tevrak.stop_on_exit).

Raises tevrak.StartupError (the port cannot be opened) and tevrak.LinkError
(the board did not answer), code 1.

wire: payload bytes are the low 8 bits of the arguments (-100 travels as
0x9C).)doc");
    stops_on_leaving(bound, "Stops the motor on leaving the with block, also when an exception leaves it.");
    bound.def(made_without_gil<Motor, int>(), py::arg("number"))
        .def_property_readonly("number", &Motor::number, "The motor's number, from 1.")
        .def("drive", without_gil(&Motor::drive), py::arg("speed"),
             "Runs the motor at speed -100 to 100 (percent of full power; negative: backwards),\n"
             "converted through its table. Raises LinkError.\n"
             "wire: table entry |speed| * N / 101, negated for a negative speed, sent as drive_raw\n"
             "does; a motor without a table gets \"No Motor Table\" on stdout and the speed as it is.")
        .def("drive_raw", without_gil(&Motor::drive_raw), py::arg("value"),
             "Runs the motor at a raw power value, the sign giving the direction. Raises LinkError.\n"
             "wire: ED, motor, value.")
        .def("stop", without_gil(&Motor::stop),
             "Stops the motor (raw power 0). Raises LinkError.\n"
             "wire: ED, motor, 00.")
        .def("pid", without_gil(&Motor::pid), py::arg("p"), py::arg("i"), py::arg("d"),
             "Gives the board PID parameters for the motor. Raises LinkError.\n"
             "wire: E4, motor, p, i, d.")
        .def("pid_off", without_gil(&Motor::pid_off),
             "Switches the motor's PID control off. Raises LinkError.\n"
             "wire: C4, motor.")
        .def("speed", without_gil(&Motor::speed), py::arg("ticks"),
             "Runs the motor under PID control at ticks encoder ticks per time unit. Raises\n"
             "LinkError.\n"
             "wire: CD, motor, ticks.")
        .def("__repr__", [](const Motor &motor) { return device_repr("Motor", motor); });
}

void bind_encoder(py::module_ &module) {
    using tevrak::Encoder;
    public_class<Encoder>(module, "Encoder", R"doc(A wheel encoder, 1 to 4.

Encoder(number): ValueError outside 1 to 4. Shares the motors' start-up.
Counts are encoder ticks relative to a zero kept in this process; reset()
takes the board's current count as the zero (the board's counter is never
reset). When the unit starts afresh after a failure, all zeros are 0 again.

Raises tevrak.StartupError and tevrak.LinkError, code -1.)doc")
        .def(made_without_gil<Encoder, int>(), py::arg("number"))
        .def_property_readonly("number", &Encoder::number, "The encoder's number, 1 to 4.")
        .def_property_readonly("count", without_gil(&Encoder::read),
                               "The wheel's count in encoder ticks since the zero, wrapping in 32 bits. Raises\n"
                               "StartupError, LinkError.\n"
                               "wire: E5, encoder, a signed 32-bit count back.")
        .def("reset", without_gil(&Encoder::reset),
             "Takes the current count as the new zero. Raises StartupError, LinkError.\n"
             "wire: E5, encoder, a signed 32-bit count back.")
        .def("__repr__", [](const Encoder &encoder) { return device_repr("Encoder", encoder); });
}

void bind_distance_sensor(py::module_ &module) {
    using tevrak::DistanceSensor;
    public_class<DistanceSensor>(module, "DistanceSensor", R"doc(An infrared distance sensor on the controller board.

DistanceSensor(number): numbers count from 1, in the order of the PSD lines
of <home>/bin/hdt.txt; ValueError for a number hdt.txt does not list, for
example "distance sensor 0: this robot has sensors 1 to 3 (hdt.txt)". Making
one starts the sensor unit when it is not started (opens the board's port,
loads the sensor list and tables).

    if sensor.distance < 300: ...     # mm

Raises tevrak.StartupError and tevrak.LinkError, code -1.)doc")
        .def(made_without_gil<DistanceSensor, int>(), py::arg("number"))
        .def_property_readonly("number", &DistanceSensor::number, "The sensor's number, from 1.")
        .def_property_readonly("distance", without_gil(&DistanceSensor::distance),
                               "The distance to the nearest obstacle in mm, through the sensor's table.\n"
                               "Raises StartupError, LinkError.\n"
                               "wire: F0, sensor, an unsigned word back; table entry raw * N / 4096 - 1, held\n"
                               "within the table. Without a table: \"PSD: No table, returning raw value\" on\n"
                               "stderr and the raw reading.")
        .def_property_readonly("raw", without_gil(&DistanceSensor::raw),
                               "The raw reading, 0 to 65535. Raises StartupError, LinkError.\n"
                               "wire: F0, sensor, an unsigned word back.")
        .def("__repr__", [](const DistanceSensor &sensor) { return device_repr("DistanceSensor", sensor); });
}

}  // namespace

void bind_devices(py::module_ &module) {
    bind_servo(module);
    bind_motor(module);
    bind_encoder(module);
    bind_distance_sensor(module);
}

}  // namespace tevrak::python
