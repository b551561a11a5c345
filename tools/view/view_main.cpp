// tevrak-view: the live page of the real robot. Listens on the tap of the
// robot folder and serves the simulator's page, fed by the records of the
// programs that run there, read-only: no fault controls, no keys. With
// --record it also writes every record to a recording; with --control the
// page's joystick drives the robot, for whoever has the printed address.
//
//   tevrak-view [--home DIR] [--view [ADDR:]PORT] [--record FILE] [--control] [--sensors DEG,...]
#include <chrono>
#include <cstdio>
#include <exception>
#include <fstream>
#include <memory>
#include <sstream>
#include <string>
#include <string_view>
#include <vector>

#include "config/paths.h"
#include "live/feed.h"
#include "live/page_server.h"
#include "sim/program/options.h"
#include "sim/world/frame_text.h"
#include "tap/listener.h"
#include "tap/recorder.h"
#include "tap/take_records.h"
#include "tools/view/drive_control.h"
#include "tools/view/robot_state.h"

namespace {

constexpr const char *kUsage =
    "usage: tevrak-view [--home DIR] [--view [ADDR:]PORT] [--record FILE] [--control] [--sensors DEG,...]\n"
    "Serves a live page of what the robot's programs send and read, at http://127.0.0.1:PORT/\n"
    "(PORT 0, the default, picks a free one), until Ctrl-C. Start it before the program.\n"
    "  --home DIR      the robot folder (default: $TEVRAK_HOME)\n"
    "  --view ADDR:PORT  where the page listens (default 127.0.0.1:0). The page has no\n"
    "                  authentication: anyone who can reach the address can watch\n"
    "  --record FILE   also write every exchange to FILE, one JSON line each\n"
    "  --control       the page gets a joystick that drives the robot (at most 150 mm/s and\n"
    "                  90 degrees/s; stopped 0.3 s after the page's last word). It needs a\n"
    "                  token made at start-up: use the printed address, which carries it\n"
    "  --sensors DEG,...  where the distance sensors 1, 2, ... look, degrees from the front,\n"
    "                  counter-clockwise (default 0,90,-90: front, left, right); each is drawn\n"
    "                  as a ray, its length from the sensor's table in hdt.txt\n";

std::string file_text(const std::string &path) {
    std::ifstream file(path);
    std::stringstream text;
    text << file.rdbuf();
    return text.str();
}

int usage() {
    std::fputs(kUsage, stderr);
    return 2;
}

}  // namespace

int main(int argc, char **argv) {
    tevrak::sim::ViewAddress address;
    std::string record_file;
    bool control = false;
    std::vector<double> directions = tevrak::view::kUsualDirections;
    for (int i = 1; i < argc; ++i) {
        const std::string_view arg = argv[i];
        if (arg == "--help") {
            std::fputs(kUsage, stdout);
            return 0;
        }
        if (arg == "--control") {
            control = true;
            continue;
        }
        if (i + 1 >= argc) return usage();
        const char *value = argv[++i];
        if (arg == "--home") {
            tevrak::paths::set_home(value);
        } else if (arg == "--record") {
            record_file = value;
        } else if (arg == "--sensors") {
            const auto parsed = tevrak::sim::parse_list(value, ',', 0);
            if (!parsed) return usage();
            directions.assign(parsed->begin(), parsed->end());
        } else if (arg == "--view") {
            const auto parsed = tevrak::sim::parse_view_address(value);
            if (!parsed) return usage();
            address = *parsed;
        } else {
            return usage();
        }
    }
    try {
        tevrak::tap::block_stop_signals();
        tevrak::tap::Listener listener(tevrak::paths::tap_socket());
        std::unique_ptr<tevrak::tap::Recorder> recorder;
        if (!record_file.empty())
            recorder = std::make_unique<tevrak::tap::Recorder>(record_file, tevrak::paths::hdt_file());
        tevrak::view::RobotState robot;
        robot.place_sensors(tevrak::view::sensor_places(file_text(tevrak::paths::hdt_file()), directions));
        tevrak::sim::view::Feed feed(tevrak::view::RobotState::scene_json());
        feed.publish(robot.state_json(0), robot.trail());
        // No picture, no fault controls, no keys; the joystick with --control.
        tevrak::sim::view::PageServer::Handlers handlers;
        std::unique_ptr<tevrak::view::DriveControl> drive;
        std::string fragment;
        if (control) {
            handlers.drive_token = tevrak::view::make_drive_token();
            fragment = "#control=" + handlers.drive_token;
            drive = std::make_unique<tevrak::view::DriveControl>(tevrak::sim::view::DriveLease::Limits{});
            handlers.drive = [&drive](int linear, int angular) { return drive->take(linear, angular); };
        }
        tevrak::sim::view::PageServer server(address, feed, std::move(handlers));
        std::printf("tevrak-view: listening at %s\ntevrak-view: view at %s%s\n", listener.path().c_str(),
                    server.url().c_str(), fragment.c_str());
        std::fflush(stdout);
        const auto started = std::chrono::steady_clock::now();
        const bool ok = tevrak::tap::take_records(listener, "tevrak-view", [&](const auto &record) {
            if (recorder) recorder->write(record);
            robot.take(record);
            const std::span<const std::uint8_t> frame(record.frame, record.frame_length);
            feed.add_frame(tevrak::sim::describe_frame(frame) +
                           tevrak::sim::describe_reply(record.frame[0], {record.reply, record.reply_length}));
            const std::chrono::duration<double> seconds = std::chrono::steady_clock::now() - started;
            feed.set_clock("{\"seconds\":" + std::to_string(seconds.count()) + ",\"speed\":1}");
            feed.publish(robot.state_json(listener.dropped()), robot.trail());
        });
        feed.close();
        std::fprintf(stderr, "tevrak-view: %llu records dropped\n",
                     static_cast<unsigned long long>(listener.dropped()));
        return ok ? 0 : 1;
    } catch (const std::exception &failure) {
        std::fprintf(stderr, "tevrak-view: %s\n", failure.what());
        return 1;
    }
}
