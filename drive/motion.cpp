// Motion commands: one frame each, no reply; 0 once sent, 1 on failure.
#include "drive/angles.h"
#include "drive/arc.h"
#include "drive/state.h"

using namespace tevrak;
using protocol::Frame;

namespace {

int send(const Frame &frame) {
    return protocol::command_result(drive::kUnit, frame);
}

}  // namespace

extern "C" int VWSetSpeed(int linear_speed, int angular_speed) {
    return send(Frame(protocol::op::VWSetSpeed).word(linear_speed).word(drive::degrees_to_wire(angular_speed)));
}

extern "C" int VWSetPosition(int x, int y, int heading) {
    return send(Frame(protocol::op::VWSetPosition).word(x).word(y).word(drive::degrees_to_wire(heading)));
}

// The board takes the speed ahead of the distance.
extern "C" int VWStraight(int distance, int speed) {
    return send(Frame(protocol::op::VWStraight).word(speed).word(distance));
}

// The board takes the angular speed ahead of the angle.
extern "C" int VWTurn(int angle, int angular_speed) {
    return send(Frame(protocol::op::VWTurn).word(drive::degrees_to_wire(angular_speed)).word(drive::degrees_to_wire(angle)));
}

extern "C" int VWCurve(int length, int angle, int speed) {
    return send(Frame(protocol::op::VWCurve).word(length).word(drive::degrees_to_wire(angle)).word(speed));
}

extern "C" int VWDrive(int dx, int dy, int speed) {
    const drive::Arc arc = drive::arc_to_point(dx, dy);
    return send(Frame(protocol::op::VWCurve).word(arc.length).word(arc.angle_hundredths).word(speed));
}
