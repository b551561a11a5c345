#include "report.h"

#include <nlohmann/json.hpp>

namespace tevrak::doctor {

const char *level_word(Level level) {
    switch (level) {
    case Level::ok: return "ok";
    case Level::warn: return "warn";
    case Level::fail: return "FAIL";
    }
    return "?";
}

std::string text_line(const Finding &finding) {
    std::string line = std::string(level_word(finding.level)) + " " + finding.check + ": " + finding.detail;
    if (!finding.fix.empty()) line += "; " + finding.fix;
    return line;
}

void Report::add(Finding finding) {
    if (live_ != nullptr) {
        std::fprintf(live_, "%s\n", text_line(finding).c_str());
        std::fflush(live_);
    }
    findings_.push_back(std::move(finding));
}

std::size_t Report::failures() const {
    std::size_t count = 0;
    for (const Finding &finding : findings_) count += finding.level == Level::fail ? 1 : 0;
    return count;
}

void Report::print_json(std::FILE *out) const {
    nlohmann::json checks = nlohmann::json::array();
    for (const Finding &finding : findings_) {
        checks.push_back({{"level", level_word(finding.level)},
                          {"check", finding.check},
                          {"detail", finding.detail},
                          {"fix", finding.fix}});
    }
    const nlohmann::json all = {{"ok", !failed()}, {"checks", checks}};
    // Texts from files and devices may hold any bytes: replace what is no UTF-8.
    std::fprintf(out, "%s\n", all.dump(2, ' ', false, nlohmann::json::error_handler_t::replace).c_str());
    std::fflush(out);
}

}  // namespace tevrak::doctor
