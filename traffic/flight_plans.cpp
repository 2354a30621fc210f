#include "traffic/flight_plans.h"

#include "core/log.h"
#include "core/settings/settings_file.h"

#include <algorithm>
#include <cctype>
#include <fmt/format.h>
#include <fstream>
#include <string_view>
#include <system_error>

namespace fs = std::filesystem;

fs::path flightPlanFolder;

namespace {

// Airport codes from the feed go into XML unescaped, so only letters and digits pass.
bool lf_plainCode(std::string_view code) {
  return !code.empty() && code.size() <= 8 &&
         std::all_of(code.begin(), code.end(), [](char c) { return std::isalnum(static_cast<unsigned char>(c)) != 0; });
}

} // namespace

bool gf_writeFlightPlan(const fs::path& path, const LiveAircraft& ac) {
  const AircraftInfoData& info = ac.aircraft.aircraftInfo;
  if (!lf_plainCode(info.origin) || !lf_plainCode(info.destination)) return false;
  const bool ifr = info.category == SizeCategory::Buzjets || info.category == SizeCategory::Large ||
                   info.category == SizeCategory::Heavy;
  const std::string text =
      fmt::format("{}\n{}\n{}\n{}{}{}\n{}{}{}\n{}{}{}\n{}\n{}", R"(<?xml version="1.0" encoding="UTF-8"?>)",
                  R"(<SimBase.Document Type="AceXML" version="4,3">)", "<FlightPlan.FlightPlan>", "<FPType>",
                  ifr ? "IFR" : "VFR", "</FPType>", "<DepartureID>", info.origin, "</DepartureID>", "<DestinationID>",
                  info.destination, "</DestinationID>", "</FlightPlan.FlightPlan>", "</SimBase.Document>");
  // A lost plan costs nothing but the plan: no write beside and replace, only a check that
  // everything reached the file.
  std::ofstream file(path, std::ios::out | std::ios::trunc);
  if (!file) return false;
  file << text << '\n' << std::flush;
  file.close();
  return !file.fail();
}

fs::path gf_flightPlanFileName(std::int32_t objectId) { return fs::path(fmt::format("{}.pln", objectId)); }

bool gf_createFlightPlanFolder() {
  const fs::path settings = gf_settingsFolder();
  flightPlanFolder = settings / "orig_dest";
  if (!fs::exists(settings)) fs::create_directory(settings);
  if (!fs::exists(flightPlanFolder)) fs::create_directory(flightPlanFolder);
  return fs::exists(flightPlanFolder);
}

void gf_removeFlightPlanFolder() {
  if (flightPlanFolder.empty() || !fs::exists(flightPlanFolder)) return;
  std::error_code error;
  fs::remove_all(flightPlanFolder, error);
  if (error) gf_log(fmt::format("gf_removeFlightPlanFolder: {}", error.message()));
}
