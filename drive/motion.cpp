// Motion commands: one frame each, no reply; 0 once sent, 1 on failure.
#include "drive/angles.h"
#include "drive/arc.h"
#include "drive/state.h"
#include "protocol/tap.h"

using namespace tevrak;
using protocol::Frame;
using protocol::make_frame;
namespace op = protocol::op;

namespace {

int send(const Frame &frame) { return protocol::command_result(drive::kUnit, frame); }

}  // namespace

extern "C" int VWSetSpeed(int linear_speed, int angular_speed) {
    return send(make_frame<op::VWSetSpeed>(linear_speed, drive::degrees_to_wire(angular_speed)));
}

extern "C" int VWSetPosition(int x, int y, int heading) {
    return send(make_frame<op::VWSetPosition>(x, y, drive::degrees_to_wire(heading)));
}

// The board takes the speed ahead of the distance (the table knows).
extern "C" int VWStraight(int distance, int speed) { return send(make_frame<op::VWStraight>(distance, speed)); }

// The board takes the angular speed ahead of the angle (the table knows).
extern "C" int VWTurn(int angle, int angular_speed) {
    return send(make_frame<op::VWTurn>(drive::degrees_to_wire(angle), drive::degrees_to_wire(angular_speed)));
}

extern "C" int VWCurve(int length, int angle, int speed) {
    return send(make_frame<op::VWCurve>(length, drive::degrees_to_wire(angle), speed));
}

extern "C" int VWDrive(int dx, int dy, int speed) {
    const protocol::tap::CallScope call(protocol::tap::Call::VWDrive);
    const drive::Arc arc = drive::arc_to_point(dx, dy);
    return send(make_frame<op::VWCurve>(arc.length, arc.angle_hundredths, speed));
}
