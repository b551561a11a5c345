// Servos, motors, encoders and distance sensors: each call runs its C
// function under the link lock and turns its failure into an exception.
#include "actuators/state.h"
#include "cxx/link.h"
#include "rangers/state.h"
#include "tevrak/motor.h"
#include "tevrak/psd.h"
#include "tevrak/servo.h"
#include "tevrak/tevrak.hpp"

namespace tevrak {
namespace {

constexpr cxx::LinkUnit kServo{"SERVO", &actuators::state.SERVOInitialised, [] { return cxx::startup_outcome(SERVOInit()); }};
constexpr cxx::LinkUnit kMotor{"MOTOR", &actuators::state.MOTORInitialised, [] { return cxx::startup_outcome(MOTORInit()); }};
// Encoders share the motors' flag and start-up.
constexpr cxx::LinkUnit kEncoder{"ENCODER", &actuators::state.MOTORInitialised, kMotor.start};
constexpr cxx::LinkUnit kPsd{"PSD", &rangers::state.PSDInitialised, [] { return cxx::startup_outcome(PSDInit()); }};

constexpr cxx::CCall command(const char *function) { return {function, 1, 1}; }
constexpr cxx::CCall reading(const char *function) { return {function, -1, -1}; }

constexpr int kEncoders = 4;

// Constructors start the unit and send nothing.
void start(const cxx::LinkUnit &unit, const char *init_function) {
    cxx::on_link(unit, command(init_function), [] { return 0; });
}

}  // namespace

Servo::Servo(int number) : number_(number) { start(kServo, "SERVOInit"); }

void Servo::set(int position) {
    cxx::on_link(kServo, command("SERVOSet"), [&] { return SERVOSet(number_, position); });
}

void Servo::set_raw(int value) {
    cxx::on_link(kServo, command("SERVOSetRaw"), [&] { return SERVOSetRaw(number_, value); });
}

void Servo::range(int low, int high) {
    cxx::on_link(kServo, command("SERVORange"), [&] { return SERVORange(number_, low, high); });
}

Motor::Motor(int number) : number_(number) { start(kMotor, "MOTORInit"); }

void Motor::drive(int speed) {
    cxx::on_link(kMotor, command("MOTORDrive"), [&] { return MOTORDrive(number_, speed); });
}

void Motor::drive_raw(int value) {
    cxx::on_link(kMotor, command("MOTORDriveRaw"), [&] { return MOTORDriveRaw(number_, value); });
}

void Motor::pid(int p, int i, int d) {
    cxx::on_link(kMotor, command("MOTORPID"), [&] { return MOTORPID(number_, p, i, d); });
}

void Motor::pid_off() {
    cxx::on_link(kMotor, command("MOTORPIDOff"), [&] { return MOTORPIDOff(number_); });
}

void Motor::speed(int ticks) {
    cxx::on_link(kMotor, command("MOTORSpeed"), [&] { return MOTORSpeed(number_, ticks); });
}

Encoder::Encoder(int number) : number_(number) {
    // ENCODERRead's -1 for such a number would pass for a reading.
    if (number < 1 || number > kEncoders) throw Error("ENCODER", "ENCODERRead", -1, "no such encoder (1 to 4)");
    start(kEncoder, "MOTORInit");
}

int Encoder::read() {
    return cxx::on_link(kEncoder, reading("ENCODERRead"), [&] { return ENCODERRead(number_); });
}

void Encoder::reset() {
    cxx::on_link(kEncoder, {"ENCODERReset", 1, -1}, [&] { return ENCODERReset(number_); });
}

DistanceSensor::DistanceSensor(int number) : number_(number) { start(kPsd, "PSDInit"); }

int DistanceSensor::distance() {
    return cxx::on_link(kPsd, reading("PSDGet"), [&] { return PSDGet(number_); });
}

int DistanceSensor::raw() {
    return cxx::on_link(kPsd, reading("PSDGetRaw"), [&] { return PSDGetRaw(number_); });
}

}  // namespace tevrak
