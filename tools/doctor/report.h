// What tevrak-doctor found: one line per check, ok, warn or FAIL, and for a
// failure what to do. Printed as text lines or as one JSON object.
#pragma once

#include <cstdio>
#include <string>
#include <vector>

namespace tevrak::doctor {

enum class Level { ok, warn, fail };

struct Finding {
    Level level;
    std::string check;   // "serial port /dev/ttyACM0"
    std::string detail;  // "permission denied"
    std::string fix;     // what to do; empty when nothing is to be done
};

class Report {
public:
    void ok(std::string check, std::string detail) { add({Level::ok, std::move(check), std::move(detail), {}}); }
    void warn(std::string check, std::string detail, std::string fix = {}) {
        add({Level::warn, std::move(check), std::move(detail), std::move(fix)});
    }
    void fail(std::string check, std::string detail, std::string fix) {
        add({Level::fail, std::move(check), std::move(detail), std::move(fix)});
    }
    void add(Finding finding);

    bool failed() const { return failures() > 0; }
    std::size_t failures() const;
    // Text lines go out as each check ends (a slow check shows where it is).
    void print_as_found(std::FILE *out) { live_ = out; }
    void print_json(std::FILE *out) const;

private:
    std::vector<Finding> findings_;
    std::FILE *live_ = nullptr;
};

// "ok", "warn", "FAIL".
const char *level_word(Level level);
// "<level> <check>: <detail>[; <fix>]"
std::string text_line(const Finding &finding);

}  // namespace tevrak::doctor
