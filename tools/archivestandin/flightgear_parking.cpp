#include "flightgear_parking.h"

#include "core/files.h"
#include "core/geodesy.h"
#include "core/settings/meta_block.h"

#include <charconv>
#include <fmt/format.h>
#include <map>
#include <pugixml.hpp>
#include <stdexcept>

namespace archive_standin {

namespace {

std::optional<double> lf_number(std::string_view text) {
  double value = 0.0;
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (error != std::errc{} || end != text.data() + text.size()) return std::nullopt;
  return value;
}

} // namespace

std::optional<double> parseCoordinate(std::string_view text) {
  if (text.size() < 4) return std::nullopt;
  const char hemisphere = text.front();
  const double sign = hemisphere == 'S' || hemisphere == 'W' ? -1.0 : 1.0;
  if (hemisphere != 'N' && hemisphere != 'S' && hemisphere != 'E' && hemisphere != 'W') return std::nullopt;
  text.remove_prefix(1);
  const auto blank = text.find(' ');
  if (blank == std::string_view::npos) return std::nullopt;
  const auto degrees = lf_number(text.substr(0, blank));
  const auto minutes = lf_number(text.substr(blank + 1));
  if (!degrees || !minutes || *degrees < 0 || *minutes < 0 || *minutes >= 60) return std::nullopt;
  const double value = sign * (*degrees + *minutes / 60.0);
  const double limit = hemisphere == 'N' || hemisphere == 'S' ? 90.0 : 180.0;
  if (value < -limit || value > limit) return std::nullopt;
  return value;
}

AirportFileData standsFromParkingList(const std::filesystem::path& parkingList, const StockAirport& airport) {
  pugi::xml_document document;
  if (const auto loaded = document.load_file(parkingList.c_str()); !loaded)
    throw std::runtime_error(fmt::format("{}: {}", gf_pathText(parkingList), loaded.description()));
  AirportFileData data;
  data.code = airport.code;
  data.airport_name = airport.name;
  data.publisher = "stock";
  data.altitude = airport.altitude;
  std::map<std::string, int> seen;
  for (const auto parking : document.child("groundnet").child("parkingList").children("Parking")) {
    const auto lat = parseCoordinate(parking.attribute("lat").as_string());
    const auto lon = parseCoordinate(parking.attribute("lon").as_string());
    if (!lat || !lon) continue;
    auto name = fmt::format("{}{}", parking.attribute("name").as_string(), parking.attribute("number").as_string());
    if (const int count = ++seen[name]; count > 1) name += fmt::format("_{}", count);
    const std::string type = parking.attribute("type").as_string();
    data.stands.emplace_back(name, std::vector<StandOptionData>{}, *lat, *lon,
                             parking.attribute("heading").as_double() * degToRad,
                             parking.attribute("radius").as_double(), type == "cargo", type == "ga", false);
  }
  if (data.stands.empty()) throw std::runtime_error(fmt::format("{}: no parking position", gf_pathText(parkingList)));
  return data;
}

std::filesystem::path writeStockFile(const AirportFileData& data, const std::filesystem::path& folder) {
  std::filesystem::create_directories(folder);
  simulatorName.set("P3D");
  const auto path = folder / gf_pathFromText(data.code + ".xml");
  if (!gf_writeAirportFile(data, path, AirportFileMode::Generated))
    throw std::runtime_error(fmt::format("could not write {}", gf_pathText(path)));
  return path;
}

} // namespace archive_standin
