// Follows the wall on the robot's right for a while with the distance
// sensors: straight on until a wall is near, turning left in place when a
// wall blocks the way ahead, and keeping the right wall at a set distance.
//
// Shows: the C++ interface (tevrak.hpp): continuous driving with
// Drive::set_speed, converted distance readings with
// DistanceSensor::distance (sensor 1 front, 3 right, through the tables in
// hdt.txt), failures as exceptions, and a plain proportional controller.
// A tevrak::StopGuard stops the robot on every way out.
//
// Build: c++ -std=c++20 wall_follow.cpp $(pkg-config --cflags --libs tevrak) -o wall_follow
#include <tevrak/tevrak.hpp>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <iostream>
#include <thread>

namespace {

constexpr int kWallDistance = 250;  // wanted distance to the right wall
constexpr int kBlocked = 300;       // front distance at which the robot turns
constexpr int kNoWall = 600;        // right distance beyond which no wall is near
constexpr int kSpeed = 150;
constexpr int kSteps = 80;  // control steps of 100 ms

void follow(tevrak::Drive &drive) {
    tevrak::DistanceSensor front(1);
    tevrak::DistanceSensor right(3);
    for (int step = 0; step < kSteps; ++step) {
        const int ahead = front.distance();
        const int side = right.distance();
        int turn = 0;  // degrees per second, positive turns left
        int speed = kSpeed;
        if (ahead < kBlocked) {
            speed = 0;
            turn = 60;
        } else if (side > kNoWall) {
            turn = 0;  // no wall yet: straight on until one blocks the way
        } else {
            turn = std::clamp((kWallDistance - side) / 4, -40, 40);
        }
        drive.set_speed(speed, turn);
        if (step % 10 == 0) {
            std::printf("front=%4d right=%4d -> speed=%3d turn=%3d at ", ahead, side, speed, turn);
            std::cout << drive.position() << std::endl;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
    }
}

}  // namespace

int main() {
    try {
        const tevrak::StopGuard stop;  // stops the drive however main is left
        tevrak::Drive drive;
        follow(drive);
    } catch (const tevrak::Error &error) {
        std::fprintf(stderr, "wall_follow: %s\n", error.what());
        return 1;
    }
    return 0;
}
