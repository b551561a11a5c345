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
    public_class<Servo>(module, "Servo", R"(A servo on the controller board.

Servo(number): numbers count from 1, in the order of the SERVO lines of
<home>/bin/hdt.txt. Making one starts the servo unit when it is not started
(opens the board's port, loads the servo list and tables; sends nothing).
Payload bytes are the low 8 bits of the arguments.

Failures raise tevrak.StartupError (the port cannot be opened) or
tevrak.LinkError (the board did not answer), code 1.)")
        .def(made_without_gil<Servo, int>(), py::arg("number"))
        .def_property_readonly("number", &Servo::number, "The servo's number, from 1.")
        .def("set", without_gil(&Servo::set), py::arg("position"),
             "Moves the servo to position (nominally 0 to 255), held within the servo's limits\n"
             "and converted through its table (entry position * N / 256), sent as set_raw does.\n"
             "A servo without a table gets \"No Servo table\" on stdout and the position as it is.")
        .def("set_raw", without_gil(&Servo::set_raw), py::arg("value"),
             "Moves the servo to a raw position, unconverted: sends F3, servo, value.")
        .def("range", without_gil(&Servo::range), py::arg("low"), py::arg("high"),
             "Gives the board the servo's range: sends D3, servo, low, high.")
        .def("__repr__", [](const Servo &servo) { return device_repr("Servo", servo); });
}

void bind_motor(py::module_ &module) {
    using tevrak::Motor;
    public_class<Motor>(module, "Motor", R"(A motor on the controller board.

Motor(number): numbers count from 1, in the order of the MOTOR lines of
<home>/bin/hdt.txt. Making one starts the motor and encoder unit when it is
not started (opens the board's port, loads the motor list and tables, sets
the encoder zeros to 0; sends nothing). Payload bytes are the low 8 bits of
the arguments (-100 travels as 0x9C).

Failures raise tevrak.StartupError (the port cannot be opened) or
tevrak.LinkError (the board did not answer), code 1.)")
        .def(made_without_gil<Motor, int>(), py::arg("number"))
        .def_property_readonly("number", &Motor::number, "The motor's number, from 1.")
        .def("drive", without_gil(&Motor::drive), py::arg("speed"),
             "Runs the motor at a speed from -100 to 100 converted through its table (entry\n"
             "|speed| * N / 101, negated for a negative speed), sent as drive_raw does. A motor\n"
             "without a table gets \"No Motor Table\" on stdout and the speed as it is.")
        .def("drive_raw", without_gil(&Motor::drive_raw), py::arg("value"),
             "Runs the motor at a raw power value, the sign giving the direction: sends ED,\n"
             "motor, value.")
        .def("pid", without_gil(&Motor::pid), py::arg("p"), py::arg("i"), py::arg("d"),
             "Gives the board PID parameters for the motor: sends E4, motor, p, i, d.")
        .def("pid_off", without_gil(&Motor::pid_off), "Switches the motor's PID control off: sends C4, motor.")
        .def("speed", without_gil(&Motor::speed), py::arg("ticks"),
             "Gives the board the motor's controlled speed: sends CD, motor, ticks.")
        .def("__repr__", [](const Motor &motor) { return device_repr("Motor", motor); });
}

void bind_encoder(py::module_ &module) {
    using tevrak::Encoder;
    public_class<Encoder>(module, "Encoder", R"(A wheel encoder, 1 to 4.

Encoder(number): shares the motors' start-up. Readings are relative to a
zero kept in this process; reset() takes the board's current count as the
zero (the board's counter is never reset). When the unit starts afresh after
a failure, all zeros are 0 again.

Raises tevrak.Error (unit "ENCODER", code -1) for a number outside 1 to 4;
readings raise tevrak.StartupError or tevrak.LinkError, code -1.)")
        .def(made_without_gil<Encoder, int>(), py::arg("number"))
        .def_property_readonly("number", &Encoder::number, "The encoder's number, 1 to 4.")
        .def("read", without_gil(&Encoder::read),
             "The count relative to the zero, wrapping in 32 bits: sends E5, encoder and reads a\n"
             "signed 32-bit count.")
        .def("reset", without_gil(&Encoder::reset),
             "Takes the current count as the new zero: sends E5, encoder and reads the count.")
        .def("__repr__", [](const Encoder &encoder) { return device_repr("Encoder", encoder); });
}

void bind_distance_sensor(py::module_ &module) {
    using tevrak::DistanceSensor;
    public_class<DistanceSensor>(module, "DistanceSensor", R"(An infrared distance sensor on the controller board.

DistanceSensor(number): numbers count from 1, in the order of the PSD lines
of <home>/bin/hdt.txt. Making one starts the sensor unit when it is not
started (opens the board's port, loads the sensor list and tables).

Readings raise tevrak.StartupError or tevrak.LinkError, code -1.)")
        .def(made_without_gil<DistanceSensor, int>(), py::arg("number"))
        .def_property_readonly("number", &DistanceSensor::number, "The sensor's number, from 1.")
        .def("distance", without_gil(&DistanceSensor::distance),
             "The reading converted through the sensor's N-entry table: entry raw * N / 4096 - 1,\n"
             "held within the table. Without a table: \"PSD: No table, returning raw value\" on\n"
             "stderr and the raw reading.")
        .def("raw", without_gil(&DistanceSensor::raw),
             "The raw reading, 0 to 65535: sends F0, sensor and reads an unsigned word.")
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
