/*
 * tevrak C++ interface (library tevrak_cxx, also in libtevrak.so; C++20).
 *
 * Objects for the robot's devices, built on the C functions of the units:
 * every member function below names the C function it calls, sends exactly
 * the bytes that function sends and writes the same messages. What changes:
 *
 * Failures are exceptions. No call returns a failure code; each failure
 * throws an Error that carries the unit ("VW", "SERVO", "MOTOR", "ENCODER",
 * "PSD", "RCIN", "HDT"), the C function and the code that function returns
 * for it:
 *   StartupError  the unit could not start: hdt.txt cannot be read (drive),
 *                 the serial port cannot be opened, the infrared daemon
 *                 cannot be reached;
 *   LinkError     the board did not answer: the link check failed, a reply
 *                 never came or came short, or the daemon connection failed.
 *                 The unit then starts afresh on its next call, as in C.
 * Where a C function's valid result equals its failure code (the drive
 * status queries return 1 for both, an encoder reading and a table value of
 * -1 equal the readings' failure code) the C++ call still tells them apart,
 * and where a C function reports a failed command only by its message
 * (SERVOSet, MOTORDrive) the C++ call throws.
 *
 * Threads: the C++ layer is safe from any number of threads. Every call that
 * uses the serial link holds one process-wide lock for its whole command
 * (start-up when needed, link check, frame, reply), so commands of different
 * threads never interleave on the link. Threads get the link in the order
 * they asked for it, so none is starved by another calling in a loop; waits
 * give the lock up between their queries. Remote has a lock of its own, never held while it sleeps on
 * the daemon connection, and never blocks the link. The lock is the C++
 * layer's: C functions called beside it from other threads are not
 * serialised with it and may corrupt the link. ListMenu objects are
 * independent; one ListMenu is used by one thread at a time.
 *
 * Objects of the device classes are handles to the process-wide units and
 * may be copied freely; constructing one starts its unit (at most once).
 */
#ifndef TEVRAK_TEVRAK_HPP
#define TEVRAK_TEVRAK_HPP

#include <chrono>
#include <cstdint>
#include <filesystem>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>

#include "listmenu.h"

namespace tevrak {

/* A failure of a C function called by the C++ layer. */
class Error : public std::runtime_error {
public:
    /* what(): "<function>: <reason> (code <code>)". unit and function must
     * be texts that live as long as the program (string literals). */
    Error(const char *unit, const char *function, int code, const char *reason);

    /* What the C function returned for this failure (see each call). */
    int code() const noexcept { return code_; }
    /* The unit's tag: "VW", "SERVO", "MOTOR", "ENCODER", "PSD", "RCIN", "HDT". */
    const char *unit() const noexcept { return unit_; }
    /* The C function that failed, for example "VWStraight". */
    const char *function() const noexcept { return function_; }

private:
    const char *unit_;
    const char *function_;
    int code_;
};

/* The unit could not start (no hdt.txt, port cannot be opened, no daemon). */
class StartupError : public Error {
public:
    using Error::Error;
};

/* The board did not answer (link check or reply), or the daemon
 * connection failed. */
class LinkError : public Error {
public:
    using Error::Error;
};

/*
 * Makes robot_folder the folder of bin/hdt.txt, bin/usbSearch and bin/ir/
 * (HDTSetHome, <tevrak/home.h>). Without it the environment variable
 * TEVRAK_HOME counts, and without that the build's default folder.
 * Call it before the first use of any unit: port discovery runs once per
 * process, and started units keep the devices they loaded. Waits for the
 * link and the remote to be free.
 * Throws Error (unit "HDT", code 1) for an empty or too long folder.
 */
void set_home(const std::filesystem::path &robot_folder);

/* Chassis position: board units, heading in degrees. */
struct Pose {
    int x, y, heading;
    friend bool operator==(const Pose &, const Pose &) = default;
};

/* Chassis speed: board units per time unit, degrees per time unit. */
struct Speed {
    int linear, angular;
    friend bool operator==(const Speed &, const Speed &) = default;
};

/*
 * The chassis (drive unit, <tevrak/drive.h>). Failure codes per call:
 *   commands, position(), speed(): StartupError 1, LinkError 1;
 *   remaining(): StartupError -1, LinkError 1 (-1 for a short reply);
 *   status(), done(), stalled(), wait(), wait_for(): StartupError -1,
 *   LinkError 1.
 * A StartupError means hdt.txt cannot be read or the port cannot be opened;
 * a start-up whose link check is not answered throws LinkError with the
 * call's start-up code.
 */
class Drive {
public:
    /* Starts the drive unit when it is not started (VWInit: set-up frame,
     * then the gains step); does nothing when it is. StartupError or
     * LinkError, code 1. */
    Drive();

    /* VWSetSpeed: F8, linear word, converted angular word. */
    void set_speed(int linear, int angular);
    /* VWStraight: F9, speed word, distance word. */
    void straight(int distance, int speed);
    /* VWTurn: D9, converted angular speed word, converted angle word. */
    void turn(int angle, int angular_speed);
    /* VWCurve: C3, length word, converted angle word, speed word. */
    void curve(int length, int angle, int speed);
    /* VWDrive: C3 with the arc that ends dx ahead and dy to the side. */
    void drive_to(int dx, int dy, int speed);
    /* VWSetPosition: D1, x word, y word, converted heading word. */
    void set_position(Pose pose);
    /* VWGetPosition: F1; the reply's x, y and heading. */
    Pose position();
    /* VWGetSpeed: D8; the reply's linear and angular speed. */
    Speed speed();
    /* VWDriveRemain's query (FA): the remaining distance, 0 to 65535. */
    int remaining();
    /* The drive status byte (DA), 0 to 255: 1 finished, 2 stalled. */
    int status();
    /* VWDriveDone's query (DA): true when the status is 1. */
    bool done();
    /* VWStalled's query (DA): true when the status is 2 (stalled). */
    bool stalled();
    /* Waits until the manoeuvre is finished: queries the status (DA) until
     * it is 1, sleeping 10 ms between queries without holding the lock. */
    void wait();
    /* As wait(), but gives up when timeout has passed: true when finished,
     * false when the time ran out. Returns within timeout plus one status
     * query (about 11 ms against an answering board); a query always runs
     * once, when the link is free in time. */
    bool wait_for(std::chrono::milliseconds timeout);
    /* VWControl: C1 and the four gains as bytes. */
    void control(int k1, int k2, int k3, int k4);
    /* VWControlOff: D7. */
    void control_off();
};

/* A servo, numbered from 1 in the order of hdt.txt (<tevrak/servo.h>).
 * StartupError 1 (port cannot be opened), LinkError 1. */
class Servo {
public:
    /* Starts the servo unit when it is not started (SERVOInit). */
    explicit Servo(int number);
    int number() const noexcept { return number_; }
    /* SERVOSet: the position limited and converted through the servo's
     * table, sent as F3. LinkError 1 (SERVOSet itself reports it only by
     * its message). */
    void set(int position);
    /* SERVOSetRaw: F3, servo, value. */
    void set_raw(int value);
    /* SERVORange: D3, servo, low, high. */
    void range(int low, int high);

private:
    int number_;
};

/* A motor, numbered from 1 in the order of hdt.txt (<tevrak/motor.h>).
 * StartupError 1 (port cannot be opened), LinkError 1. */
class Motor {
public:
    /* Starts the motor and encoder unit when it is not started (MOTORInit). */
    explicit Motor(int number);
    int number() const noexcept { return number_; }
    /* MOTORDrive: speed -100 to 100 converted through the motor's table,
     * sent as ED. LinkError 1 (MOTORDrive itself reports it only by its
     * message). */
    void drive(int speed);
    /* MOTORDriveRaw: ED, motor, value. */
    void drive_raw(int value);
    /* MOTORPID: E4, motor, p, i, d. */
    void pid(int p, int i, int d);
    /* MOTORPIDOff: C4, motor. */
    void pid_off();
    /* MOTORSpeed: CD, motor, ticks. */
    void speed(int ticks);

private:
    int number_;
};

/* Encoder 1 to 4 (<tevrak/motor.h>); shares the motors' start-up. */
class Encoder {
public:
    /* Starts the motor and encoder unit when it is not started. Throws Error
     * (unit "ENCODER", code -1) for a number outside 1 to 4, StartupError 1
     * when the port cannot be opened. */
    explicit Encoder(int number);
    int number() const noexcept { return number_; }
    /* ENCODERRead: E5, encoder; the count relative to the zero, -1 being a
     * reading like any other. StartupError -1, LinkError -1. */
    int read();
    /* ENCODERReset: takes the current count as the zero. StartupError 1,
     * LinkError -1. */
    void reset();

private:
    int number_;
};

/* A distance sensor, numbered from 1 in the order of hdt.txt
 * (<tevrak/psd.h>). StartupError -1, LinkError -1 for the readings. */
class DistanceSensor {
public:
    /* Starts the sensor unit when it is not started (PSDInit); StartupError
     * 1 when the port cannot be opened. */
    explicit DistanceSensor(int number);
    int number() const noexcept { return number_; }
    /* PSDGet: the reading converted through the sensor's table (a table
     * value of -1 is a value); without a table the raw reading. */
    int distance();
    /* PSDGetRaw: F0, sensor; the raw reading, 0 to 65535. */
    int raw();

private:
    int number_;
};

/*
 * Keys of the infrared remote control (<tevrak/rcin.h>). Every call first
 * connects to the daemon when not connected (RCINInit): StartupError code 3
 * when it cannot be reached. LinkError -1 when the client library fails or
 * the daemon closes the connection. The waits sleep on the daemon
 * connection without holding any lock; several threads may wait at once
 * (each key goes to one of them).
 */
class Remote {
public:
    /* Connects to the daemon when not connected. */
    Remote();
    /* Waits for the next key as RCINGet does (early repeats of a held key,
     * below the hold delay, are skipped) for as long as it takes. */
    char get();
    /* As get(), but gives up after timeout: the key, or nothing. Returns
     * within timeout plus a few milliseconds and uses no CPU while waiting. */
    std::optional<char> get_for(std::chrono::milliseconds timeout);
    /* RCINRead: a pending key without waiting and without the hold delay,
     * or nothing. */
    std::optional<char> poll();
    /* RCINSetHoldDelay: repeats 1 to repeats - 1 of a held key are skipped. */
    void set_hold_delay(int repeats);
    /* RCINRestart: installs remote configuration n and restarts the daemon
     * (through sudo, as the C function does); the connection is left as it
     * is. Nothing is checked and nothing thrown. */
    void use_configuration(int n);
    /* RCINGetControllerCode: the configuration number last installed. */
    int configuration();
};

/*
 * A list menu record and its items (<tevrak/listmenu.h>): LMInit when made,
 * LMFreeItems when destroyed. Movable (the moved-from menu is left without
 * items), not copyable.
 */
class ListMenu {
public:
    /* LMInit: title cut at 63 characters, colours and screen value. */
    explicit ListMenu(const std::string &title);
    ~ListMenu();
    ListMenu(ListMenu &&other) noexcept;
    ListMenu &operator=(ListMenu &&other) noexcept;
    ListMenu(const ListMenu &) = delete;
    ListMenu &operator=(const ListMenu &) = delete;

    /* LMAddItem: text cut at 31 characters. std::bad_alloc when the item
     * array cannot grow (after the C function's message); the menu stays. */
    void add(const std::string &text, std::int32_t value = 0);
    /* LMChangeItemText. std::out_of_range for an index outside 0 to
     * size() - 1 (nothing changes, no message). */
    void set_text(int index, const std::string &text);
    /* LMToggleScroll. */
    void toggle_scroll();

    int size() const noexcept { return menu_.size; }
    bool scrolls() const noexcept { return menu_.scroll != 0; }
    /* The current item's number, 0-based (moved by the selection code). */
    int index() const noexcept { return menu_.index; }
    /* LMGetItemText: the current item's text; empty without one. Valid
     * until the items change. */
    std::string_view current_text() const;
    /* Item number index; std::out_of_range outside 0 to size() - 1. */
    const LMItem &item(int index) const;
    /* The record itself, for the screen unit's drawing and selection code. */
    LMMenu &record() noexcept { return menu_; }
    const LMMenu &record() const noexcept { return menu_; }

private:
    LMMenu menu_{};
};

}  // namespace tevrak

#endif /* TEVRAK_TEVRAK_HPP */
