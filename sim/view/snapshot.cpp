#include "sim/view/snapshot.h"

#include <initializer_list>

#include "live/json_text.h"

namespace tevrak::sim::view {
namespace {

void append_point(std::string &out, Point point) {
    out += '[';
    append_tenths(out, point.x);
    out += ',';
    append_tenths(out, point.y);
    out += ']';
}

}  // namespace

std::string scene_json(const World &world, const Pose &start) {
    const Arena &arena = world.arena();
    std::string out = "{\"arena\":{\"width\":";
    append_whole(out, arena.width());
    out += ",\"height\":";
    append_whole(out, arena.height());
    out += "},\"obstacles\":[";
    for (const Rect &rect : arena.obstacles()) {
        if (out.back() != '[') out += ',';
        out += '[';
        for (const double value : {rect.x, rect.y, rect.width, rect.height}) {
            if (out.back() != '[') out += ',';
            append_whole(out, value);
        }
        out += ']';
    }
    out += "],\"radius\":";
    append_whole(out, world.shape().radius);
    out += ",\"start\":";
    append_point(out, {start.x, start.y});
    out += '}';
    return out;
}

}  // namespace tevrak::sim::view
