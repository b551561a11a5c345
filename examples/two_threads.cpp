// Drives a square of 500 x 500 while a second thread prints the front and
// right distances every 200 ms.
//
// Shows: the C++ interface from two threads at once. Both threads use the
// one serial link; the library's lock keeps their commands apart, so
// neither thread takes a lock of its own. The sensor thread ends through
// its stop token when the square is done (std::jthread).
//
// Build: c++ -std=c++20 two_threads.cpp $(pkg-config --cflags --libs tevrak) -o two_threads
#include <tevrak/tevrak.hpp>

#include <chrono>
#include <cstdio>
#include <stop_token>
#include <thread>

namespace {

constexpr int kSide = 500;
constexpr int kSpeed = 200;
constexpr int kTurnSpeed = 90;

void print_distances(std::stop_token stop) {
    try {
        tevrak::DistanceSensor front(1);
        tevrak::DistanceSensor right(3);
        while (!stop.stop_requested()) {
            std::printf("  sensors: front=%4d right=%4d\n", front.distance(), right.distance());
            std::this_thread::sleep_for(std::chrono::milliseconds(200));
        }
    } catch (const tevrak::Error &error) {
        std::fprintf(stderr, "two_threads: sensors: %s\n", error.what());
    }
}

}  // namespace

int main() {
    try {
        tevrak::Drive drive;
        drive.set_position({0, 0, 0});
        std::jthread sensors(print_distances);
        for (int side = 1; side <= 4; ++side) {
            drive.straight(kSide, kSpeed);
            drive.wait();
            drive.turn(90, kTurnSpeed);
            drive.wait();
            const tevrak::Pose pose = drive.position();
            std::printf("after side %d: x=%d y=%d heading=%d\n", side, pose.x, pose.y, pose.heading);
        }
    } catch (const tevrak::Error &error) {
        std::fprintf(stderr, "two_threads: %s\n", error.what());
        return 1;
    }
    return 0;
}
