// Servos, motors, encoders and distance sensors: each call runs its C
// function under the link lock and turns its failure into an exception.
#include <stdexcept>
#include <string>

#include "cxx/link.h"
#include "cxx/motion.h"
#include "tevrak/motor.h"
#include "tevrak/psd.h"
#include "tevrak/servo.h"
#include "tevrak/tevrak.hpp"

namespace tevrak {
namespace {

const cxx::LinkUnit &kServo = actuators::kServoUnit;
const cxx::LinkUnit &kMotor = actuators::kMotorUnit;
const cxx::LinkUnit &kEncoder = actuators::kEncoderUnit;  // the motors' flag and start-up
const cxx::LinkUnit &kPsd = rangers::kSensorUnit;

constexpr cxx::CCall command(const char *function) { return {function, 1, 1}; }
constexpr cxx::CCall reading(const char *function) { return {function, -1, -1}; }

// A kind of numbered device and how many of them the robot has.
struct Kind {
    const char *name;        // "distance sensor"
    const char *short_name;  // "sensor"
    int (*count)();          // called with the unit started
    const char *source;      // where the count comes from
};

constexpr Kind kServos{"servo", "servo", actuators::servo_count, " (hdt.txt)"};
constexpr Kind kMotors{"motor", "motor", actuators::motor_count, " (hdt.txt)"};
constexpr Kind kEncoders{"encoder", "encoder", [] { return actuators::kEncoders; }, ""};
constexpr Kind kSensors{"distance sensor", "sensor", rangers::sensor_count, " (hdt.txt)"};

// "distance sensor 0: this robot has sensors 1 to 3 (hdt.txt)".
void check_number(const Kind &kind, int number) {
    const int count = kind.count();
    if (number >= 1 && number <= count) return;
    const std::string name = kind.short_name;
    std::string has = "no " + name + "s";
    if (count == 1) has = "only " + name + " 1";
    if (count > 1) has = name + "s 1 to " + std::to_string(count);
    throw std::out_of_range(std::string(kind.name) + " " + std::to_string(number) + ": this robot has " + has +
                            kind.source);
}

// Constructors start the unit, check the number and send nothing.
void start(const cxx::LinkUnit &unit, const char *init_function, const Kind &kind, int number) {
    const std::lock_guard lock(cxx::link_lock());
    cxx::ensure_started(unit, command(init_function));
    check_number(kind, number);
}

}  // namespace

Servo::Servo(int number) : number_(number) { start(kServo, "SERVOInit", kServos, number); }

void Servo::set(int position) {
    cxx::on_link(kServo, command("SERVOSet"), [&] { return SERVOSet(number_, position); });
}

void Servo::set_raw(int value) {
    cxx::on_link(kServo, command("SERVOSetRaw"), [&] { return SERVOSetRaw(number_, value); });
}

void Servo::range(int low, int high) {
    cxx::on_link(kServo, command("SERVORange"), [&] { return SERVORange(number_, low, high); });
}

Motor::Motor(int number) : number_(number) { start(kMotor, "MOTORInit", kMotors, number); }

void Motor::drive(int speed) {
    cxx::on_link(kMotor, command("MOTORDrive"), [&] {
        const int result = MOTORDrive(number_, speed);
        cxx::note_motor_moving(number_, true);
        return result;
    });
}

void Motor::drive_raw(int value) {
    cxx::on_link(kMotor, command("MOTORDriveRaw"), [&] {
        const int result = MOTORDriveRaw(number_, value);
        cxx::note_motor_moving(number_, value != 0);
        return result;
    });
}

void Motor::stop() { drive_raw(0); }

void Motor::pid(int p, int i, int d) {
    cxx::on_link(kMotor, command("MOTORPID"), [&] { return MOTORPID(number_, p, i, d); });
}

void Motor::pid_off() {
    cxx::on_link(kMotor, command("MOTORPIDOff"), [&] { return MOTORPIDOff(number_); });
}

void Motor::speed(int ticks) {
    cxx::on_link(kMotor, command("MOTORSpeed"), [&] { return MOTORSpeed(number_, ticks); });
}

// ENCODERRead's -1 for a number outside 1 to 4 would pass for a reading.
Encoder::Encoder(int number) : number_(number) { start(kEncoder, "MOTORInit", kEncoders, number); }

int Encoder::read() {
    return cxx::on_link(kEncoder, reading("ENCODERRead"), [&] { return ENCODERRead(number_); });
}

void Encoder::reset() {
    cxx::on_link(kEncoder, {"ENCODERReset", 1, -1}, [&] { return ENCODERReset(number_); });
}

DistanceSensor::DistanceSensor(int number) : number_(number) { start(kPsd, "PSDInit", kSensors, number); }

int DistanceSensor::distance() {
    return cxx::on_link(kPsd, reading("PSDGet"), [&] { return PSDGet(number_); });
}

int DistanceSensor::raw() {
    return cxx::on_link(kPsd, reading("PSDGetRaw"), [&] { return PSDGetRaw(number_); });
}

}  // namespace tevrak
