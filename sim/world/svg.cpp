#include "sim/world/svg.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>

namespace tevrak::sim {
namespace {

std::string number(double value) {
    char text[32];
    std::snprintf(text, sizeof text, "%.1f", value);
    return text;
}

double path_length(const std::vector<Point> &path) {
    double length = 0;
    for (std::size_t i = 1; i < path.size(); ++i) {
        length += std::hypot(path[i].x - path[i - 1].x, path[i].y - path[i - 1].y);
    }
    return length;
}

}  // namespace

SvgScene svg_scene(const World &world, const Pose &start) {
    SvgScene scene{&world.arena(), start, world.pose(), world.shape().radius, world.path(), {}, world.stalled()};
    for (int n = 1; n <= world.sensor_count(); ++n) scene.rays.push_back({world.sensor_origin(n), world.sensor_end(n)});
    return scene;
}

std::string render_svg(const World &world, const Pose &start) { return render_svg(svg_scene(world, start)); }

std::string render_svg(const SvgScene &scene) {
    const double w = scene.arena->width();
    const double h = scene.arena->height();
    const double margin = std::max(w, h) * 0.06;
    const double line = std::max(w, h) / 400;  // stroke width in mm
    const double pixels_per_mm = 900 / (w + 2 * margin);
    const Pose &start = scene.start;
    const Pose &end = scene.end;
    const double radius = scene.radius;

    std::string svg;
    svg += "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n";
    svg += "<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"" + number((w + 2 * margin) * pixels_per_mm) +
           "\" height=\"" + number((h + 2 * margin) * pixels_per_mm) + "\" viewBox=\"" + number(-margin) + " " +
           number(-margin) + " " + number(w + 2 * margin) + " " + number(h + 2 * margin) + "\">\n";
    svg += "<title>tevrak-sim run</title>\n";
    svg += "<rect x=\"" + number(-margin) + "\" y=\"" + number(-margin) + "\" width=\"" + number(w + 2 * margin) +
           "\" height=\"" + number(h + 2 * margin) + "\" fill=\"white\"/>\n";
    // Arena coordinates: y up.
    svg += "<g transform=\"translate(0 " + number(h) + ") scale(1 -1)\">\n";
    svg += "<rect class=\"arena\" x=\"0\" y=\"0\" width=\"" + number(w) + "\" height=\"" + number(h) +
           "\" fill=\"#f7f7f2\" stroke=\"#333\" stroke-width=\"" + number(3 * line) + "\"/>\n";
    for (const Rect &rect : scene.arena->obstacles()) {
        svg += "<rect class=\"obstacle\" x=\"" + number(rect.x) + "\" y=\"" + number(rect.y) + "\" width=\"" +
               number(rect.width) + "\" height=\"" + number(rect.height) +
               "\" fill=\"#999\" stroke=\"#333\" stroke-width=\"" + number(line) + "\"/>\n";
    }
    svg += "<circle class=\"start\" cx=\"" + number(start.x) + "\" cy=\"" + number(start.y) + "\" r=\"" +
           number(radius) + "\" fill=\"none\" stroke=\"#4a4\" stroke-dasharray=\"" + number(4 * line) +
           "\" stroke-width=\"" + number(line) + "\"/>\n";
    svg += "<polyline class=\"path\" fill=\"none\" stroke=\"#1f5fbf\" stroke-width=\"" + number(2 * line) +
           "\" stroke-linejoin=\"round\" points=\"";
    for (const Point &point : scene.path) svg += number(point.x) + "," + number(point.y) + " ";
    svg += number(end.x) + "," + number(end.y) + "\"/>\n";
    for (const auto &[from, to] : scene.rays) {
        svg += "<line class=\"ray\" x1=\"" + number(from.x) + "\" y1=\"" + number(from.y) + "\" x2=\"" + number(to.x) +
               "\" y2=\"" + number(to.y) + "\" stroke=\"#d33\" stroke-width=\"" + number(line) +
               "\" stroke-dasharray=\"" + number(3 * line) + "\"/>\n";
        svg += "<circle class=\"hit\" cx=\"" + number(to.x) + "\" cy=\"" + number(to.y) + "\" r=\"" + number(3 * line) +
               "\" fill=\"#d33\"/>\n";
    }
    svg += "<circle class=\"robot\" cx=\"" + number(end.x) + "\" cy=\"" + number(end.y) + "\" r=\"" + number(radius) +
           "\" fill=\"#ffd24d\" fill-opacity=\"0.8\" stroke=\"#333\" stroke-width=\"" + number(line) + "\"/>\n";
    svg += "<line class=\"heading\" x1=\"" + number(end.x) + "\" y1=\"" + number(end.y) + "\" x2=\"" +
           number(end.x + radius * std::cos(end.heading)) + "\" y2=\"" +
           number(end.y + radius * std::sin(end.heading)) + "\" stroke=\"#333\" stroke-width=\"" + number(2 * line) +
           "\"/>\n";
    svg += "</g>\n";
    // Caption in the top margin (outside the flipped group, so it reads).
    char caption[256];
    std::snprintf(caption, sizeof caption,
                  "arena %.0f x %.0f mm, path %.0f mm, end at x=%.0f y=%.0f heading=%.0f deg%s", w, h,
                  path_length(scene.path), end.x, end.y, radians_to_degrees(normalize_angle(end.heading)),
                  scene.stalled ? " (stalled)" : "");
    // Sans-serif glyphs are about 0.55 em wide: keep the caption inside.
    const double fitting = (w + margin) / (0.55 * static_cast<double>(std::strlen(caption)));
    svg += "<text x=\"0\" y=\"" + number(-margin * 0.35) + "\" font-family=\"sans-serif\" font-size=\"" +
           number(std::min(margin * 0.45, fitting)) + "\" fill=\"#333\">" + caption + "</text>\n";
    svg += "</svg>\n";
    return svg;
}

}  // namespace tevrak::sim
