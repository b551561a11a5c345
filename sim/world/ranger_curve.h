// How the simulated infrared rangers turn a distance into a raw reading,
// and the calibration table that turns it back.
//
// The curve has the inverse-distance shape of infrared rangers:
//     raw = round(kNearRaw * kBend / (d + kBend))
// with d the distance in millimetres from the robot's rim to the first wall
// or obstacle along the sensor's ray, held to 0..kMaxRange. So 0 mm reads
// 4000, 400 mm 2000, 1000 mm 1143, 3000 mm (and beyond) 471. Readings never
// leave 471..4000, well inside the 4096-step scale.
//
// The distance-sensor unit converts a reading through a table of N entries
// as entry[raw * N / 4096 - 1] (the index held inside the table). Entry i
// therefore serves the band of readings [(i+1) * 4096 / N, (i+2) * 4096 / N);
// calibration_table() fills it with the distance at the middle of that band,
// so the conversion is off by at most half a band: with 512 entries about
// 5 mm at 1 m and 15 mm at 2 m.
#pragma once

#include <string>
#include <vector>

namespace tevrak::sim::ranger {

inline constexpr double kNearRaw = 4000;   // reading at 0 mm
inline constexpr double kBend = 400;       // mm at which the reading halves
inline constexpr double kMaxRange = 3000;  // mm; farther reads as this
inline constexpr int kTableEntries = 512;  // entries of the default table
inline constexpr int kScale = 4096;        // the conversion's raw scale

// The raw reading for a distance in millimetres.
int raw_from_distance(double distance);

// The distance in millimetres a raw reading stands for (held to the range).
double distance_from_raw(double raw);

// The table entries (millimetres) for a table of n entries.
std::vector<int> calibration_table(int n = kTableEntries);

// The table as an hdt.txt line: "TABLE <name> <e1> ... <eN>".
std::string table_line(const std::string &name, int n = kTableEntries);

// The conversion the distance-sensor unit applies: entry[raw * N / 4096 - 1]
// with the index held inside the table.
int table_lookup(const std::vector<int> &table, int raw);

}  // namespace tevrak::sim::ranger
