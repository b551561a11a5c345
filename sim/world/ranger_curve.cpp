#include "sim/world/ranger_curve.h"

#include <algorithm>
#include <cmath>
#include <cstdint>

namespace tevrak::sim::ranger {

int raw_from_distance(double distance) {
    const double d = std::clamp(distance, 0.0, kMaxRange);
    return static_cast<int>(std::lround(kNearRaw * kBend / (d + kBend)));
}

double distance_from_raw(double raw) {
    if (raw <= 0) return kMaxRange;
    return std::clamp(kNearRaw * kBend / raw - kBend, 0.0, kMaxRange);
}

std::vector<int> calibration_table(int n) {
    std::vector<int> table;
    if (n <= 0) return table;
    table.reserve(static_cast<std::size_t>(n));
    const double band = static_cast<double>(kScale) / n;
    for (int i = 0; i < n; ++i) {
        // Entry i serves band i + 1; the band's integer readings run from
        // ceil((i+1) * band) to ceil((i+2) * band) - 1.
        const double first = std::ceil((i + 1) * band);
        const double last = std::ceil((i + 2) * band) - 1;
        table.push_back(static_cast<int>(std::lround(distance_from_raw((first + last) / 2))));
    }
    return table;
}

std::string table_line(const std::string &name, int n) {
    std::string line = "TABLE " + name;
    for (int entry : calibration_table(n)) line += " " + std::to_string(entry);
    return line;
}

int table_lookup(const std::vector<int> &table, int raw) {
    if (table.empty()) return raw;
    const auto n = static_cast<std::int64_t>(table.size());
    const std::int64_t index = std::clamp<std::int64_t>(std::int64_t{raw} * n / kScale - 1, 0, n - 1);
    return table[static_cast<std::size_t>(index)];
}

}  // namespace tevrak::sim::ranger
