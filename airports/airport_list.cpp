#include "airports/airport_list.h"

#include "core/errors.h"
#include "core/files.h"
#include "core/log.h"
#include "core/settings/file_names.h"

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cmath>
#include <cstdlib>
#include <fmt/format.h>
#include <pugixml.hpp>
#include <stdexcept>

AirportList airportList;

namespace {

// Set once the list is complete; the window reads the list only after it sees it.
std::atomic<bool> airportsRead{false};

// The standard text-to-double conversion: leading blanks skipped, trailing text ignored.
double lf_toDouble(const char* text) {
  errno = 0;
  char* end = nullptr;
  const double value = std::strtod(text, &end);
  if (end == text) throw std::invalid_argument("invalid stod argument");
  if (errno == ERANGE) throw std::out_of_range("stod argument out of range");
  return value;
}

void lf_readAirportElement(pugi::xml_node airport, std::string code) {
  const auto lat = airport.attribute("lat");
  const auto lon = airport.attribute("lon");
  const auto alt = airport.attribute("alt");
  if (!lat || !lon || !alt) {
    gf_log(fmt::format("Missing lat/lon/alt for airport '{}'", code));
    return;
  }
  try {
    const double altitude = lf_toDouble(alt.value());
    const double latitude = lf_toDouble(lat.value());
    const double longitude = lf_toDouble(lon.value());
    // "nan" and "inf" are numbers to the conversion, but no place on earth.
    if (!std::isfinite(altitude) || !std::isfinite(latitude) || !std::isfinite(longitude) ||
        std::abs(latitude) > 90.0 || std::abs(longitude) > 180.0)
      throw std::out_of_range("coordinates out of range");
    airportList.push_back({std::move(code), airport.attribute("iata").as_string(), latitude, longitude, altitude});
  } catch (const std::logic_error& e) {
    gf_log(fmt::format("Error parsing coordinates for airport '{}': {}", code, e.what()));
  }
}

void lf_readAirportsFile(const std::filesystem::path& path) {
  const auto pathText = gf_pathText(path);
  airportList.clear();
  airportList.reserve(44000);
  pugi::xml_document document;
  const auto loaded = document.load_file(path.c_str());
  if (!loaded) throw std::runtime_error(fmt::format("{} not loaded: {}", pathText, loaded.description()));
  const auto airports = document.child("airports");
  if (!airports) throw std::runtime_error(fmt::format("Missing <airports> root in: {}", pathText));
  for (const auto airport : airports.children("airport"))
    lf_readAirportElement(airport, airport.attribute("code").as_string());
  std::stable_sort(airportList.begin(), airportList.end(),
                   [](const AirportData& a, const AirportData& b) { return a.code < b.code; });
  gf_log(fmt::format("{} airports read from '{}'", airportList.size(), pathText));
  airportList.shrink_to_fit();
  // Without a single airport no park airport is ever found: the user must know.
  if (airportList.empty()) throw std::runtime_error(fmt::format("No usable airport in '{}'", pathText));
}

} // namespace

bool gf_readAirports(const std::filesystem::path& fileName) {
  if (airportsRead.load()) return !airportList.empty();
  try {
    lf_readAirportsFile(inputFolder / fileName);
  } catch (const std::exception& e) {
    airportList.clear();
    airportList.shrink_to_fit();
    throw hvm::UserErrorException(88, e.what());
  }
  airportsRead.store(true);
  return true;
}

void gf_forgetAirports() {
  airportsRead.store(false);
  airportList.clear();
  airportList.shrink_to_fit();
}

const AirportData* gf_findAirport(std::string_view code) {
  if (!airportsRead.load()) return nullptr;
  const auto found = std::lower_bound(airportList.begin(), airportList.end(), code,
                                      [](const AirportData& a, std::string_view c) { return a.code < c; });
  return found != airportList.end() && found->code == code ? &*found : nullptr;
}

std::optional<GeoPosition> gf_airportPosition(const std::string& code) {
  const auto* airport = gf_findAirport(code);
  if (airport == nullptr) return std::nullopt;
  return GeoPosition{airport->lat, airport->lon};
}

std::string gf_formatAirportCode(const AirportData& airport) {
  const std::string code = airport.code.empty() ? "?" : airport.code;
  if (airport.iata.empty()) return code;
  return fmt::format("{} ({})", code, airport.iata);
}
