// Links every public declaration of <tevrak/tevrak.hpp> against libtevrak.so
// (pkg-config, -ltevrak): a name the export map leaves out fails the link.
// Run on the simulator, it prints a Pose and a Speed and a key's name; the
// calls behind "argc > 1" are only linked.
#include <tevrak/tevrak.hpp>

#include <iostream>

int main(int argc, char **) {
    using namespace std::chrono_literals;
    tevrak::set_link_timeout(std::nullopt);
    tevrak::set_link_timeout(5s);
    std::cout << tevrak::Pose{1, 2, 3} << ' ' << tevrak::Speed{4, 5} << ' ' << tevrak::key_name(tevrak::Key::UP) << ' '
              << tevrak::key_name('D') << '\n';
    tevrak::StopGuard guard;
    tevrak::Drive drive;
    drive.set_position({0, 0, 0});
    std::cout << drive.position() << ' ' << drive.speed() << '\n';
    if (argc > 1) {
        tevrak::set_home(".");
        drive.set_speed(0, 0);
        drive.straight(1, 1);
        drive.turn(1, 1);
        drive.curve(1, 1, 1);
        drive.drive_to(1, 1, 1);
        drive.stop();
        (void)drive.remaining();
        (void)drive.status();
        (void)drive.done();
        (void)drive.stalled();
        drive.wait();
        (void)drive.wait_for(1ms);
        drive.control(1, 2, 3, 4);
        drive.control_off();
        tevrak::Servo servo(1);
        servo.set(1);
        servo.set_raw(1);
        servo.range(1, 2);
        tevrak::Motor motor(1);
        motor.drive(1);
        motor.drive_raw(1);
        motor.stop();
        motor.pid(1, 2, 3);
        motor.pid_off();
        motor.speed(1);
        tevrak::Encoder encoder(1);
        (void)encoder.read();
        encoder.reset();
        tevrak::DistanceSensor sensor(1);
        (void)sensor.distance();
        (void)sensor.raw();
        tevrak::Remote remote;
        (void)remote.get();
        (void)remote.get_for(1ms);
        (void)remote.poll();
        remote.set_hold_delay(1);
        remote.use_configuration(1);
        (void)remote.configuration();
        (void)remote.native_handle();
        tevrak::ListMenu menu("menu");
        menu.add("item", 1);
        menu.set_text(0, "item");
        menu.toggle_scroll();
        (void)menu.current_text();
        (void)menu.item(0);
        tevrak::ListMenu moved(std::move(menu));
        menu = std::move(moved);
        throw tevrak::StalledError("VW", "VWDriveWait", 2, std::string("stalled"));
    }
    try {
        throw tevrak::LinkError("VW", "VWStraight", 1, "the board did not answer");
    } catch (const tevrak::Error &error) {
        std::cout << error.what() << ' ' << error.unit() << ' ' << error.function() << ' ' << error.code() << '\n';
    }
    try {
        throw tevrak::StartupError("HDT", "HDTSetHome", 1, "no folder");
    } catch (const tevrak::StartupError &error) {
        return error.code() == 1 ? 0 : 1;
    }
}
