/*
 * tevrak C++ interface (library tevrak_cxx, also in libtevrak.so; C++20).
 *
 * Objects for the robot's devices, built on the C functions of the units.
 * Each call's first line says what it does in the robot's units: lengths in
 * mm, linear speeds in mm/s, angles in degrees, angular speeds in degrees/s.
 * A "wire:" line below names the C function it calls; the call sends exactly
 * the bytes that function sends and writes the same messages. What changes:
 *
 * Failures are exceptions. No call returns a failure code; each failure
 * throws an Error that carries the unit ("VW", "SERVO", "MOTOR", "ENCODER",
 * "PSD", "RCIN", "HDT"), the C function and the code that function returns
 * for it:
 *   StartupError  the unit could not start: hdt.txt cannot be read (drive),
 *                 the serial port cannot be opened, the infrared daemon
 *                 cannot be reached; what() names the path and the system's
 *                 reason with a hint, for example "cannot open /dev/ttyACM0:
 *                 Permission denied (is your user in the dialout group?)";
 *   LinkError     the board did not answer: the link check failed, a reply
 *                 never came or came short, or the daemon connection failed.
 *                 The unit then starts afresh on its next call, as in C.
 *   StalledError  a wait saw the drive status 2: the chassis is stalled.
 * A device number that hdt.txt does not list throws std::out_of_range when
 * the object is made, for example "distance sensor 0: this robot has
 * sensors 1 to 3 (hdt.txt)".
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

#if !defined(__cplusplus) || __cplusplus < 202002L
#error "tevrak.hpp needs C++20: compile with -std=c++20 (or use the C headers, <tevrak/tevrak.h>)"
#else

#include <chrono>
#include <cstdint>
#include <filesystem>
#include <iosfwd>
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
    /* what(): message as it is. */
    Error(const char *unit, const char *function, int code, const std::string &message);

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

/* The unit could not start (no hdt.txt, port cannot be opened, no daemon).
 * what() names the path, the system's reason and a hint. */
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

/* A wait ended because the chassis is stalled (drive status 2): something
 * blocks it. Unit "VW", code 2. */
class StalledError : public Error {
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

/*
 * Bounds every later link check (the carriage returns a command sends until
 * the board answers '>') to timeout in all: past it the call throws
 * LinkError, having sent fewer probes. std::nullopt (the default) keeps the
 * unbounded check: up to 100 probes, each waiting up to 0.5 s for the
 * answer (about 50 s against a silent board). A bound of t sends probes
 * until t has passed (about one per 0.5 s against a silent board, at least
 * one). Process-wide; waits for the link to be free.
 */
void set_link_timeout(std::optional<std::chrono::milliseconds> timeout);
template <class Rep, class Period>
void set_link_timeout(std::chrono::duration<Rep, Period> timeout) {
    set_link_timeout(std::optional(std::chrono::ceil<std::chrono::milliseconds>(timeout)));
}

/*
 * The stop on the program's death (SERKeepMoving, <tevrak/serial.h>): when
 * the program is killed or crashes, a guard process stops the drive and the
 * motors it set moving within milliseconds; a normal end (return from main,
 * exit) stops nothing. keep_moving(true) turns the stop on death off,
 * keep_moving(false) on again; TEVRAK_KEEP_MOVING=1 starts a program with it
 * off. Process-wide; waits for the link to be free.
 */
void keep_moving(bool keep);

/*
 * A cycle (<tevrak/cycle.h>): while the object lives, the calls of this
 * thread run one link check and then go to the board back to back; other
 * threads' calls wait until it ends (it holds the link). A failure inside
 * throws as outside and closes the cycle: later calls check the link each.
 *     for (;;) {
 *         tevrak::Cycle cycle;
 *         int front = sensor.distance();   // link check, then F0
 *         drive.set_speed(200, steer(front));  // F8 at once
 *     }
 * wire: CYCLEBegin at construction, CYCLEEnd at destruction; sends nothing
 * itself. Keep it short: a wait() inside holds the link for the whole wait.
 * A Cycle made inside another one of the same thread is part of that one.
 */
class Cycle {
public:
    Cycle();
    ~Cycle();
    Cycle(const Cycle &) = delete;
    Cycle &operator=(const Cycle &) = delete;

private:
    bool opened_;  // false inside another cycle: the outer one ends it
};

/* Chassis position: x and y in mm, heading in degrees (positive: left). */
struct Pose {
    int x, y, heading;
    friend bool operator==(const Pose &, const Pose &) = default;
};

/* Chassis speed: linear in mm/s, angular in degrees/s. */
struct Speed {
    int linear, angular;
    friend bool operator==(const Speed &, const Speed &) = default;
};

/* "Pose(x=500, y=0, heading=90)" and "Speed(linear=200, angular=0)". */
std::ostream &operator<<(std::ostream &out, const Pose &pose);
std::ostream &operator<<(std::ostream &out, const Speed &speed);

/*
 * The chassis (drive unit, <tevrak/drive.h>). The board runs each manoeuvre
 * by itself: the commands return at once, wait() waits for the end.
 * Failure codes per call:
 *   commands, position(), speed(): StartupError 1, LinkError 1;
 *   remaining(): StartupError -1, LinkError 1 (-1 for a short reply);
 *   status(), done(), stalled(), wait(), wait_for(): StartupError -1,
 *   LinkError 1; wait() and wait_for() StalledError 2.
 * A StartupError means hdt.txt cannot be read or the port cannot be opened;
 * a start-up whose link check is not answered throws LinkError with the
 * call's start-up code.
 */
class Drive {
public:
    /* Starts the drive unit when it is not started (reads hdt.txt, opens
     * the port, configures the board); does nothing when it is.
     * StartupError or LinkError, code 1.
     * wire: VWInit: set-up frame F7, then the gains step. */
    Drive();

    /* Drives on at linear mm/s and angular degrees/s (positive: left) until
     * the next command; (0, 0) stands still. StartupError, LinkError.
     * wire: VWSetSpeed: F8, linear word, converted angular word. */
    void set_speed(int linear, int angular);
    /* Drives distance mm straight (negative: backwards) at speed mm/s.
     * StartupError, LinkError.
     * wire: VWStraight: F9, speed word, distance word. */
    void straight(int distance, int speed);
    /* Turns on the spot by angle degrees (positive: left) at angular_speed
     * degrees/s. StartupError, LinkError.
     * wire: VWTurn: D9, converted angular speed word, converted angle word. */
    void turn(int angle, int angular_speed);
    /* Drives an arc length mm long that turns the heading by angle degrees,
     * at speed mm/s. StartupError, LinkError.
     * wire: VWCurve: C3, length word, converted angle word, speed word. */
    void curve(int length, int angle, int speed);
    /* Drives the arc to the point dx mm ahead and dy mm to the left, at
     * speed mm/s. StartupError, LinkError.
     * wire: VWDrive: C3 with that arc's length and heading change. */
    void drive_to(int dx, int dy, int speed);
    /* Stops the chassis: ends the running manoeuvre and stands still.
     * StartupError, LinkError.
     * wire: VWSetSpeed(0, 0): F8, 0000, 0000. */
    void stop();
    /* Tells the board where the chassis stands (mm, mm, degrees); moves
     * nothing. StartupError, LinkError.
     * wire: VWSetPosition: D1, x word, y word, converted heading word. */
    void set_position(Pose pose);
    /* Where the chassis stands: x, y in mm, heading in degrees.
     * StartupError, LinkError. wire: VWGetPosition: F1, three words back. */
    Pose position();
    /* How fast the chassis moves: mm/s and degrees/s.
     * StartupError, LinkError. wire: VWGetSpeed: D8, two words back. */
    Speed speed();
    /* What is left of the running manoeuvre, 0 to 65535 (mm or degrees);
     * 0 when none runs. StartupError, LinkError.
     * wire: VWDriveRemain's query: FA, one word back. */
    int remaining();
    /* The drive status: 0 running, 1 finished (or idle, or driving at a set
     * speed), 2 stalled. StartupError, LinkError.
     * wire: the status query DA, one byte back. */
    int status();
    /* True when the manoeuvre is finished (status 1). StartupError,
     * LinkError. wire: VWDriveDone's query DA. */
    bool done();
    /* True when the chassis is stalled (status 2). StartupError, LinkError.
     * wire: VWStalled's query DA. */
    bool stalled();
    /* Waits until the manoeuvre is finished. StalledError when the chassis
     * stalls meanwhile (the manoeuvre would never finish); StartupError,
     * LinkError.
     * wire: the status query DA every 10 ms (the link given up between). */
    void wait();
    /* As wait(), but gives up when timeout has passed: true when finished,
     * false when the time ran out; StalledError as wait(). Any
     * std::chrono duration. Returns within timeout plus one status query
     * (about 11 ms against an answering board). */
    bool wait_for(std::chrono::milliseconds timeout);
    template <class Rep, class Period>
    bool wait_for(std::chrono::duration<Rep, Period> timeout) {
        return wait_for(std::chrono::ceil<std::chrono::milliseconds>(timeout));
    }
    /* Loads the velocity controller's four gains. StartupError, LinkError.
     * wire: VWControl: C1 and the four gains as bytes. */
    void control(int k1, int k2, int k3, int k4);
    /* Switches the velocity controller off. StartupError, LinkError.
     * wire: VWControlOff: D7. */
    void control_off();
};

/* A servo, numbered from 1 in the order of hdt.txt's SERVO lines
 * (<tevrak/servo.h>). StartupError 1 (port cannot be opened), LinkError 1. */
class Servo {
public:
    /* Starts the servo unit when it is not started. std::out_of_range for a
     * number hdt.txt does not list. wire: SERVOInit, nothing sent. */
    explicit Servo(int number);
    int number() const noexcept { return number_; }
    /* Moves the servo to position 0 to 255 (held within the servo's
     * limits, through its table). LinkError.
     * wire: SERVOSet: the converted position as F3, servo, value. */
    void set(int position);
    /* Moves the servo to a raw position, unconverted. LinkError.
     * wire: SERVOSetRaw: F3, servo, value. */
    void set_raw(int value);
    /* Gives the board the servo's raw range. LinkError.
     * wire: SERVORange: D3, servo, low, high. */
    void range(int low, int high);

private:
    int number_;
};

/* A motor, numbered from 1 in the order of hdt.txt's MOTOR lines
 * (<tevrak/motor.h>). StartupError 1 (port cannot be opened), LinkError 1. */
class Motor {
public:
    /* Starts the motor and encoder unit when it is not started.
     * std::out_of_range for a number hdt.txt does not list.
     * wire: MOTORInit, nothing sent. */
    explicit Motor(int number);
    int number() const noexcept { return number_; }
    /* Runs the motor at speed -100 to 100 (percent of full power; negative:
     * backwards) through its table. LinkError.
     * wire: MOTORDrive: the converted speed as ED, motor, value. */
    void drive(int speed);
    /* Runs the motor at a raw power value (sign: direction). LinkError.
     * wire: MOTORDriveRaw: ED, motor, value. */
    void drive_raw(int value);
    /* Stops the motor (raw power 0). LinkError.
     * wire: MOTORDriveRaw(n, 0): ED, motor, 00. */
    void stop();
    /* Gives the board PID parameters for the motor. LinkError.
     * wire: MOTORPID: E4, motor, p, i, d. */
    void pid(int p, int i, int d);
    /* Switches the motor's PID control off. LinkError.
     * wire: MOTORPIDOff: C4, motor. */
    void pid_off();
    /* Runs the motor under PID control at ticks per time unit. LinkError.
     * wire: MOTORSpeed: CD, motor, ticks. */
    void speed(int ticks);

private:
    int number_;
};

/*
 * Stops, when it goes out of scope (during unwinding too), the drive and
 * every motor the program set moving and did not stop since. Never throws:
 * a board that does not answer within 1 s leaves it as it is.
 *     tevrak::StopGuard guard;   // first, before the robot moves
 *     drive.straight(1000, 200); // an exception below stops the chassis
 */
class StopGuard {
public:
    StopGuard() = default;
    ~StopGuard();
    StopGuard(const StopGuard &) = delete;
    StopGuard &operator=(const StopGuard &) = delete;
};

/* Encoder 1 to 4 (<tevrak/motor.h>); shares the motors' start-up. */
class Encoder {
public:
    /* Starts the motor and encoder unit when it is not started.
     * std::out_of_range for a number outside 1 to 4, StartupError 1 when
     * the port cannot be opened. */
    explicit Encoder(int number);
    int number() const noexcept { return number_; }
    /* The wheel's count in encoder ticks since the zero (reset()), -1 being
     * a count like any other. StartupError -1, LinkError -1.
     * wire: ENCODERRead: E5, encoder, a 32-bit count back. */
    int read();
    /* Takes the current count as the zero. StartupError 1, LinkError -1.
     * wire: ENCODERReset: E5, encoder, a 32-bit count back. */
    void reset();

private:
    int number_;
};

/* A distance sensor, numbered from 1 in the order of hdt.txt's PSD lines
 * (<tevrak/psd.h>). StartupError -1, LinkError -1 for the readings. */
class DistanceSensor {
public:
    /* Starts the sensor unit when it is not started; StartupError 1 when the
     * port cannot be opened. std::out_of_range for a number hdt.txt does not
     * list. wire: PSDInit, nothing sent. */
    explicit DistanceSensor(int number);
    int number() const noexcept { return number_; }
    /* The distance to the nearest obstacle in mm, through the sensor's
     * table (without one: the raw reading). StartupError, LinkError.
     * wire: PSDGet: F0, sensor, one word back, converted. */
    int distance();
    /* The raw reading, 0 to 65535. StartupError, LinkError.
     * wire: PSDGetRaw: F0, sensor, one word back. */
    int raw();

private:
    int number_;
};

/* The keys of the remote control: each key's code is the character the
 * remote unit returns for it. */
enum class Key : char {
    DIGIT_0 = '0',
    DIGIT_1 = '1',
    DIGIT_2 = '2',
    DIGIT_3 = '3',
    DIGIT_4 = '4',
    DIGIT_5 = '5',
    DIGIT_6 = '6',
    DIGIT_7 = '7',
    DIGIT_8 = '8',
    DIGIT_9 = '9',
    UP = 'U',
    DOWN = 'D',
    LEFT = 'L',
    RIGHT = '>',
    OK = 'O',
    RED = 'R',
    GREEN = 'G',
    YELLOW = 'Y',
    BLUE = 'B',
    POWER = 'P',
};

/* The key's name, "UP", "DIGIT_1"; empty for a code that is no Key. */
std::string_view key_name(char code) noexcept;
inline std::string_view key_name(Key key) noexcept { return key_name(static_cast<char>(key)); }

/*
 * Keys of the infrared remote control (<tevrak/rcin.h>). Every call first
 * connects to the daemon when not connected (RCINInit): StartupError code 3
 * when it cannot be reached. LinkError -1 when the client library fails or
 * the daemon closes the connection. The waits sleep on the daemon
 * connection without holding any lock; several threads may wait at once
 * (each key goes to one of them). Compare keys with tevrak::Key:
 *     if (remote.get() == static_cast<char>(tevrak::Key::UP)) ...
 */
class Remote {
public:
    /* Connects to the daemon when not connected. StartupError 3. */
    Remote();
    /* Waits for the next key (early repeats of a held key, below the hold
     * delay, are skipped) for as long as it takes. LinkError.
     * wire: RCINGet's steps. */
    char get();
    /* As get(), but gives up after timeout (any std::chrono duration): the
     * key, or nothing. Returns within timeout plus a few milliseconds and
     * uses no CPU while waiting. */
    std::optional<char> get_for(std::chrono::milliseconds timeout);
    template <class Rep, class Period>
    std::optional<char> get_for(std::chrono::duration<Rep, Period> timeout) {
        return get_for(std::chrono::ceil<std::chrono::milliseconds>(timeout));
    }
    /* A pending key without waiting and without the hold delay, or nothing.
     * LinkError. wire: RCINRead. */
    std::optional<char> poll();
    /* Skips repeats 1 to repeats - 1 of a held key in get().
     * wire: RCINSetHoldDelay. */
    void set_hold_delay(int repeats);
    /* Installs remote configuration n and restarts the daemon (through
     * sudo, as the C function does); the connection is left as it is.
     * Nothing is checked and nothing thrown. wire: RCINRestart. */
    void use_configuration(int n);
    /* The configuration number last installed. wire: RCINGetControllerCode. */
    int configuration();
    /* The daemon connection's descriptor, for poll/select or an event loop:
     * readable when a key may be pending (then poll() it). Valid while
     * connected; the library owns it. */
    int native_handle();
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

#endif /* C++20 */
#endif /* TEVRAK_TEVRAK_HPP */
