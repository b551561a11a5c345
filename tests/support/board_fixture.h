// A simulated robot for one test: a private robot folder whose hdt.txt and
// device listing lead the library's normal discovery to a simulated board.
#pragma once

#include <memory>
#include <string>
#include <string_view>

#include "sim/board/board.h"
#include "support/temp_home.h"

namespace tevrak::test {

// The bytes the simulated board receives and answers.
using sim::Bytes;

class SimRobot {
public:
    // hdt_body: the lines after "USB 1 board".
    explicit SimRobot(std::string_view hdt_body = "");

    // Rewrites hdt.txt: "USB 1 board" followed by hdt_body.
    void write_hdt(std::string_view hdt_body) const;

    TempHome home;
    sim::Board board;
};

// Captures what the code under test writes to standard output and error.
class OutputCapture {
public:
    OutputCapture();
    ~OutputCapture();
    // Stops capturing (once) and returns what was written.
    void stop();
    const std::string &out();
    const std::string &err();

private:
    bool running_ = true;
    std::string out_;
    std::string err_;
};

}  // namespace tevrak::test
