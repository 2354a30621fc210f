#include "airports/airport_file.h"

#include "core/files.h"
#include "core/geodesy.h"
#include "core/log.h"
#include "core/refdata/lookups.h"
#include "core/settings/meta_block.h"
#include "core/settings/parameters.h"
#include "core/settings/settings_file.h"

#include <algorithm>
#include <cmath>
#include <fmt/format.h>
#include <limits>
#include <pugixml.hpp>

namespace {

// No stand is anywhere near this large; a larger radius is a broken file.
constexpr double maxStandRadiusMetres = 1000.0;

const char* lf_boolText(bool value) { return value ? "true" : "false"; }

bool lf_appendAttribute(pugi::xml_node element, const char* name, const std::string& value) {
  auto attribute = element.append_attribute(name);
  return attribute && attribute.set_value(value.c_str());
}

bool lf_appendBoolAttribute(pugi::xml_node element, const char* name, bool value) {
  return lf_appendAttribute(element, name, lf_boolText(value));
}

bool lf_writeAirportHeader(pugi::xml_node document, const AirportFileData& data, AirportFileMode mode) {
  auto header = document.append_child("parameters");
  if (!header) return false;
  bool ok = true;
  const auto add = [&](std::string_view name, const std::string& value) {
    ok = gf_appendXmlParameter(header, name, value) && ok;
  };
  const bool learned = mode == AirportFileMode::Learned;
  add("airport_name", data.airport_name);
  add("publisher", data.publisher);
  if (data.handmade) add("handmade", "true");
  if (!learned || data.handmade) add("altitude", fmt::format("{}", data.altitude));
  add("num_parkpos", fmt::format("{}", data.stands.size() + (learned ? data.keptParkpos.size() : 0)));
  if (data.handmade) {
    add("Qf_real", fmt::format("{}", data.Qf_real));
    add("Qf_soft", fmt::format("{}", data.Qf_soft));
  }
  if (data.publisher == "unknown") add("BGLpath", data.BGLpath);
  if (learned) {
    add(LATERAL_RANGE.name, fmt::format("{}", RANGE.get()));
    add(AUTO_RANGE.name, lf_boolText(AUTO_RANGE.get()));
    add(WEEK.name, lf_boolText(WEEK.get()));
    add(PARK_FAKE.name, lf_boolText(PARK_FAKE.get()));
    add(PARK_SOFT.name, lf_boolText(PARK_SOFT.get()));
    add(parking_percentage.name, fmt::format("{}", parking_percentage.get()));
    add(INITIAL_LOAD_ONLY.name, lf_boolText(INITIAL_LOAD_ONLY.get()));
    add(MAX_FIT.name, fmt::format("{}", MAX_FIT.get()));
    add(MAX_LIVE.name, fmt::format("{}", MAX_LIVE_SEL.get()));
    add(LEARN_SOFT.name, lf_boolText(LEARN_SOFT.get()));
  }
  return ok;
}

void lf_writeFullStand(pugi::xml_node parkpos, const StandData& stand) {
  lf_appendAttribute(parkpos, "latitude", fmt::format("{:.6f}", stand.lat));
  lf_appendAttribute(parkpos, "longitude", fmt::format("{:.6f}", stand.lon));
  lf_appendAttribute(parkpos, "heading", fmt::format("{:.1f}", stand.heading * radToDeg));
  lf_appendAttribute(parkpos, "radius", fmt::format("{:.1f}", stand.radius * metresPerNm));
  if (stand.heli)
    lf_appendAttribute(parkpos, "heli", "true");
  else
    lf_appendBoolAttribute(parkpos, "cargo", stand.cargo);
  lf_appendBoolAttribute(parkpos, "ramp", stand.ramp);
  if (stand.manual) lf_appendAttribute(parkpos, "manual", "true");
}

void lf_writeChanges(pugi::xml_node parkpos, const StandData& stand) {
  if (stand.radius_change) {
    lf_appendAttribute(parkpos, "radius_change", "true");
    lf_appendAttribute(parkpos, "radius", fmt::format("{:.1f}", stand.radius * metresPerNm));
  }
  if (stand.cargo_change) {
    lf_appendBoolAttribute(parkpos, "cargo_change", true);
    lf_appendBoolAttribute(parkpos, "cargo", stand.cargo);
  }
}

void lf_writeOptions(pugi::xml_node parkpos, const StandData& stand) {
  for (const auto& option : stand.options) {
    if (option.number == 0) continue;
    auto opt = parkpos.append_child("opt");
    lf_appendAttribute(opt, "reg", option.registration);
    if (!gf_lookupRegistration(option.registration)) {
      lf_appendAttribute(opt, "airl", option.airline);
      lf_appendAttribute(opt, "type", option.type);
    }
    if (!option.real) lf_appendAttribute(opt, "soft", "true");
    lf_appendAttribute(opt, "day", fmt::format("{}", option.day));
    lf_appendAttribute(opt, "hh", gf_bitset2hours(option.hours));
    if (!option.callsign.empty())
      lf_appendAttribute(
          opt, "cs", option.coupledCallsign.empty() ? option.callsign : option.callsign + ":" + option.coupledCallsign);
  }
}

void lf_writeStand(pugi::xml_node parkpositions, const StandData& stand, const AirportFileData& data,
                   AirportFileMode mode) {
  auto parkpos = parkpositions.append_child("parkpos");
  lf_appendAttribute(parkpos, "id", stand.name);
  if (mode == AirportFileMode::Generated) {
    lf_writeFullStand(parkpos, stand);
    return;
  }
  // A handmade file is read as a park airport file, so each of its stands needs its
  // position, whatever else changed.
  const bool changed = stand.radius_change || stand.cargo_change;
  if (stand.manual || data.handmade)
    lf_writeFullStand(parkpos, stand);
  else if (changed)
    lf_writeChanges(parkpos, stand);
  lf_writeOptions(parkpos, stand);
}

bool lf_finite(double value) { return std::isfinite(value); }

pugi::xml_attribute lf_headerValue(const pugi::xml_document& document, std::string_view name, bool& found) {
  const auto query = fmt::format("/parameters/parameter[@name='{}']", name);
  const auto node = document.select_node(query.c_str()).node();
  found = static_cast<bool>(node);
  return node.attribute("value");
}

} // namespace

bool gf_writeAirportFile(const AirportFileData& data, const std::filesystem::path& path, AirportFileMode mode) {
  pugi::xml_document document;
  if (!gf_writeMetaBlock(document) || !lf_writeAirportHeader(document, data, mode)) return false;
  auto parkpositions = document.append_child("parkpositions");
  if (!parkpositions) return false;
  for (const auto& stand : data.stands) lf_writeStand(parkpositions, stand, data, mode);
  if (mode == AirportFileMode::Learned) {
    for (const auto& kept : data.keptParkpos) {
      pugi::xml_document element;
      if (element.load_string(kept.c_str()) && element.first_child()) parkpositions.append_copy(element.first_child());
    }
  }
  return gf_writeXmlDocument(document, path);
}

bool gf_flagText(const char* text) {
  if (text == nullptr) return false;
  switch (text[0]) {
  case '1':
  case 't':
  case 'T':
  case 'y':
  case 'Y':
    return true;
  default:
    return false;
  }
}

OptionKey gf_readOptionKey(pugi::xml_node opt) {
  OptionKey key;
  const std::string cs = opt.attribute("cs").as_string();
  if (const auto colon = cs.find(':'); colon != std::string::npos) {
    key.callsign = cs.substr(0, colon);
    key.coupledCallsign = cs.substr(colon + 1);
  } else {
    key.callsign = cs;
  }
  const std::string registration = opt.attribute("reg").as_string();
  if (!registration.empty()) {
    if (const auto known = gf_lookupRegistration(registration)) {
      key.type = known->type;
      key.airline = known->opr.empty() ? known->airl : known->opr;
      return key;
    }
  }
  key.airline = opt.attribute("airl").as_string();
  key.type = opt.attribute("type").as_string();
  return key;
}

bool gf_readParkpos(pugi::xml_node parkpos, const std::string& name, std::int32_t base, StandList& stands) {
  const double lat = parkpos.attribute("latitude").as_double();
  const double lon = parkpos.attribute("longitude").as_double();
  if (lat == 0.0 && lon == 0.0) return false;
  const double radiusMetres = parkpos.attribute("radius").as_double();
  const double headingDegrees = parkpos.attribute("heading").as_double();
  // A NaN or absurd value would poison every distance, fit and adjacency test later on.
  if (!lf_finite(lat) || !lf_finite(lon) || std::abs(lat) > 90.0 || std::abs(lon) > 180.0 || !lf_finite(radiusMetres) ||
      radiusMetres < 0.0 || radiusMetres > maxStandRadiusMetres || !lf_finite(headingDegrees)) {
    gf_logWarning(fmt::format("parkpos {} dropped: position, radius or heading out of range", name));
    return false;
  }
  std::vector<StandOptionData> options;
  options.reserve(256);
  std::int32_t number = 1;
  for (const auto opt : parkpos.children("opt")) {
    const auto day = opt.attribute("day").as_int();
    if (day < 1 || day > 7) {
      gf_logWarning(fmt::format("parkpos {}: option of {} dropped: day '{}' is not 1..7", name,
                                opt.attribute("reg").as_string(), opt.attribute("day").as_string()));
      continue;
    }
    auto key = gf_readOptionKey(opt);
    options.push_back({std::move(key.airline), std::move(key.type), opt.attribute("reg").as_string(),
                       std::move(key.callsign), std::move(key.coupledCallsign),
                       gf_hours2bitset(opt.attribute("hh").as_string()), number++, day, base,
                       !gf_flagText(opt.attribute("soft").as_string(nullptr))});
  }
  options.shrink_to_fit();
  stands.emplace_back(name, std::move(options), lat, lon, headingDegrees * degToRad, radiusMetres,
                      gf_flagText(parkpos.attribute("cargo").as_string(nullptr)),
                      gf_flagText(parkpos.attribute("ramp").as_string(nullptr)),
                      gf_flagText(parkpos.attribute("heli").as_string(nullptr)));
  return true;
}

std::optional<bool> gf_getBoolParameter(const pugi::xml_document& document, std::string_view name) {
  bool found = false;
  const auto value = lf_headerValue(document, name, found);
  if (!found) return std::nullopt;
  return gf_flagText(value.as_string());
}

std::optional<std::int32_t> gf_getIntParameter(const pugi::xml_document& document, std::string_view name) {
  bool found = false;
  const auto value = lf_headerValue(document, name, found);
  if (!found) return std::nullopt;
  const auto wide = value.as_llong();
  return static_cast<std::int32_t>(
      std::clamp<long long>(wide, std::numeric_limits<std::int32_t>::min(), std::numeric_limits<std::int32_t>::max()));
}

std::optional<std::string> gf_getStringParameter(const pugi::xml_document& document, std::string_view name) {
  bool found = false;
  const auto value = lf_headerValue(document, name, found);
  if (!found) return std::nullopt;
  return std::string(value.as_string());
}

std::string gf_formatQualityFactors(const QualityFactors& quality) {
  if (quality.Qf_real < 0 && quality.Qf_soft < 0) return "  ";
  if (quality.Qf_real < 45) return fmt::format("{:2}/{:2}", quality.Qf_real, quality.Qf_soft);
  return fmt::format("{:2}", quality.Qf_real);
}
