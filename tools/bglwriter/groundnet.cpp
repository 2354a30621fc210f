#include "groundnet.h"

#include <algorithm>
#include <charconv>
#include <pugixml.hpp>
#include <stdexcept>

namespace bglwriter {

double groundnetDegrees(const std::string& text) {
  if (text.size() < 4) throw std::invalid_argument("no coordinate: " + text);
  const char hemisphere = text.front();
  const auto blank = text.find(' ');
  if (blank == std::string::npos) throw std::invalid_argument("no coordinate: " + text);
  int degrees = 0;
  double minutes = 0;
  const auto* begin = text.data() + 1;
  if (std::from_chars(begin, text.data() + blank, degrees).ec != std::errc{} ||
      std::from_chars(text.data() + blank + 1, text.data() + text.size(), minutes).ec != std::errc{})
    throw std::invalid_argument("no coordinate: " + text);
  const double value = degrees + minutes / 60.0;
  if (hemisphere == 'N' || hemisphere == 'E') return value;
  if (hemisphere == 'S' || hemisphere == 'W') return -value;
  throw std::invalid_argument("no hemisphere: " + text);
}

std::vector<GroundnetStand> readGroundnet(const std::filesystem::path& file) {
  pugi::xml_document document;
  const auto loaded = document.load_file(file.c_str());
  if (!loaded) throw std::runtime_error(file.string() + ": " + loaded.description());
  std::vector<GroundnetStand> stands;
  for (const auto& node : document.select_nodes("/groundnet/parkingList/Parking")) {
    const auto parking = node.node();
    GroundnetStand stand;
    stand.name = std::string(parking.attribute("name").as_string()) + parking.attribute("number").as_string();
    stand.type = parking.attribute("type").as_string();
    stand.lat = groundnetDegrees(parking.attribute("lat").as_string());
    stand.lon = groundnetDegrees(parking.attribute("lon").as_string());
    stand.heading = parking.attribute("heading").as_float();
    stand.radius = parking.attribute("radius").as_float();
    std::string codes = parking.attribute("airlineCodes").as_string();
    for (std::size_t start = 0; start < codes.size();) {
      const auto comma = std::min(codes.find(',', start), codes.size());
      if (comma > start) stand.airlines.push_back(codes.substr(start, comma - start));
      start = comma + 1;
    }
    stands.push_back(std::move(stand));
  }
  return stands;
}

Parking parkingFromGroundnet(const GroundnetStand& stand) {
  Parking parking;
  const auto name = parkingName(stand.name);
  parking.nameCode = name.nameCode;
  parking.number = name.number;
  parking.lat = stand.lat;
  parking.lon = stand.lon;
  parking.heading = stand.heading;
  parking.radius = stand.radius;
  if (stand.type == "cargo")
    parking.type = rampCargo;
  else if (stand.type == "gate")
    parking.type = stand.radius < 20 ? gateSmall : stand.radius < 30 ? gateMedium : gateHeavy;
  else
    parking.type = stand.radius < 10 ? rampGaSmall : stand.radius < 15 ? rampGaMedium : rampGaLarge;
  for (const auto& code : stand.airlines) {
    try {
      parking.airlines.push_back(packAirline(code));
    } catch (const std::invalid_argument&) {
      // Not a code the scenery can hold; the scan steps over airline codes anyway.
    }
  }
  return parking;
}

} // namespace bglwriter
