// Follows the wall on the robot's right for a while with the distance
// sensors: straight on until a wall is near, turning left in place when a
// wall blocks the way ahead, and keeping the right wall at a set distance.
//
// Shows: continuous driving with VWSetSpeed, converted distance readings
// with PSDGet (sensor 1 front, 3 right, through the tables in hdt.txt), and a
// plain proportional controller. Stops the robot on every way out.
//
// Build: c++ wall_follow.cpp $(pkg-config --cflags --libs tevrak) -o wall_follow
#include <tevrak/drive.h>
#include <tevrak/psd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <thread>

namespace {

constexpr int kFront = 1;
constexpr int kRight = 3;
constexpr int kWallDistance = 250;  // wanted distance to the right wall
constexpr int kBlocked = 300;       // front distance at which the robot turns
constexpr int kNoWall = 600;        // right distance beyond which no wall is near
constexpr int kSpeed = 150;
constexpr int kSteps = 80;          // control steps of 100 ms

// Stops the robot when the program leaves, whatever the way out.
struct StopOnExit {
    ~StopOnExit() { VWSetSpeed(0, 0); }
};

}  // namespace

int main() {
    StopOnExit stop;
    for (int step = 0; step < kSteps; ++step) {
        const int front = PSDGet(kFront);
        const int right = PSDGet(kRight);
        if (front < 0 || right < 0) {
            std::fprintf(stderr, "wall_follow: sensor reading failed\n");
            return 1;
        }
        int turn = 0;  // degrees per second, positive turns left
        int speed = kSpeed;
        if (front < kBlocked) {
            speed = 0;
            turn = 60;
        } else if (right > kNoWall) {
            turn = 0;  // no wall yet: straight on until one blocks the way
        } else {
            turn = std::clamp((kWallDistance - right) / 4, -40, 40);
        }
        if (VWSetSpeed(speed, turn) != 0) return 1;
        if (step % 10 == 0) {
            int x = 0, y = 0, heading = 0;
            VWGetPosition(&x, &y, &heading);
            std::printf("front=%4d right=%4d -> speed=%3d turn=%3d at x=%d y=%d heading=%d\n", front, right,
                        speed, turn, x, y, heading);
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
    }
    return 0;
}
