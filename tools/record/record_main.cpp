// tevrak-record: listens on the tap of the robot folder and writes every
// record of the programs that run there as one JSON line (tap/record_json.h)
// until SIGINT or SIGTERM.
//
//   tevrak-record [--home DIR] run.jsonl
#include <cstdio>
#include <exception>
#include <string>
#include <string_view>

#include "config/paths.h"
#include "tap/listener.h"
#include "tap/recorder.h"
#include "tap/take_records.h"

namespace {

constexpr const char *kUsage =
    "usage: tevrak-record [--home DIR] FILE\n"
    "Writes every exchange of the robot's programs with the board to FILE, one JSON line each,\n"
    "until Ctrl-C. Start it before the program. DIR: the robot folder (default: $TEVRAK_HOME).\n";

}  // namespace

int main(int argc, char **argv) {
    std::string file;
    for (int i = 1; i < argc; ++i) {
        const std::string_view arg = argv[i];
        if (arg == "--help") {
            std::fputs(kUsage, stdout);
            return 0;
        }
        if (arg == "--home" && i + 1 < argc) {
            tevrak::paths::set_home(argv[++i]);
        } else if (file.empty() && !arg.starts_with("-")) {
            file = arg;
        } else {
            std::fputs(kUsage, stderr);
            return 2;
        }
    }
    if (file.empty()) {
        std::fputs(kUsage, stderr);
        return 2;
    }
    try {
        tevrak::tap::block_stop_signals();
        tevrak::tap::Listener listener(tevrak::paths::tap_socket());
        tevrak::tap::Recorder recorder(file, tevrak::paths::hdt_file());
        std::printf("tevrak-record: recording %s to %s\n", listener.path().c_str(), file.c_str());
        std::fflush(stdout);
        const bool ok =
            tevrak::tap::take_records(listener, "tevrak-record", [&](const auto &record) { recorder.write(record); });
        std::fprintf(stderr, "tevrak-record: %zu records in %s, %llu dropped\n", recorder.count(), file.c_str(),
                     static_cast<unsigned long long>(listener.dropped()));
        return ok ? 0 : 1;
    } catch (const std::exception &failure) {
        std::fprintf(stderr, "tevrak-record: %s\n", failure.what());
        return 1;
    }
}
