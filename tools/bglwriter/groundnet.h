#pragma once
// Real parking positions in the groundnet format (one Parking element per position, with
// "N33 56.495" style coordinates), turned into an airport for the scenery writer.
#include "bgl_writer.h"

#include <filesystem>
#include <string>
#include <vector>

namespace bglwriter {

struct GroundnetStand {
  std::string name; // name and number together, for example "B" and "01" give "B01"
  std::string type; // "gate", "cargo", "ga"
  double lat = 0;
  double lon = 0;
  float heading = 0;
  float radius = 0;
  std::vector<std::string> airlines;
};

std::vector<GroundnetStand> readGroundnet(const std::filesystem::path& file);
// "N33 56.495" or "W118 24.551" in degrees; throws std::invalid_argument on other text.
double groundnetDegrees(const std::string& text);

// Gates become gates by size, cargo positions cargo ramps, the rest general aviation ramps.
Parking parkingFromGroundnet(const GroundnetStand& stand);

} // namespace bglwriter
